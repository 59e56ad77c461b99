// dinotuner-check CONFIG...: reads each configuration file exactly as the plugin would, prints the
// plugin's log lines, reports what the plugin would skip or refuse (errors) and what loads but
// will not do what was meant (warnings), and lists every species entry with its effective values.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "CheckReport.h"
#include "Diff.h"
#include "os/Terminal.h"

namespace {

const char* kUsage =
    "usage: dinotuner-check [--json] [--strict] [--color|--no-color] [--map NAME] CONFIG...\n"
    "       dinotuner-check --diff [--map NAME] OLD NEW\n"
    "       dinotuner-check --schema | --version | --help\n"
    "  Reads each CONFIG with the plugin's own code and reports what the plugin would do with it.\n"
    "  --json        print the report of every file as one JSON object\n"
    "  --strict      warnings fail too (exit status 1)\n"
    "  --map NAME    the table in effect on map NAME (its section of \"Maps\" over the base);\n"
    "                without it, the base's table, and every map's section checked\n"
    "  --color       colours even when not writing to a terminal\n"
    "  --no-color    no colours (also when NO_COLOR is set)\n"
    "  --diff        print what a reload from OLD to NEW would log as changed\n"
    "  --schema      print the JSON Schema of the configuration file\n"
    "  --version     print the version\n"
    "Exit status: 0 no errors (warnings alone do not fail), 1 errors (or warnings with --strict),\n"
    "2 bad command line.\n";


int Usage(const std::string& problem)
{
    std::fprintf(stderr, "dinotuner-check: %s\n%s", problem.c_str(), kUsage);
    return check::kUsage;
}

}  // namespace

int main(int argc, char** argv)
{
    bool json = false;
    bool strict = false;
    bool diff = false;
    std::optional<std::string> map;
    bool colour = sim::os::IsTerminal(stdout) && std::getenv("NO_COLOR") == nullptr;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--json") {
            json = true;
        } else if (argument == "--strict") {
            strict = true;
        } else if (argument == "--color") {
            colour = true;
        } else if (argument == "--no-color") {
            colour = false;
        } else if (argument == "--map") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                return Usage("--map needs a map name");
            }
            if (map) {
                return Usage("--map given twice");
            }
            map = argv[++i];
        } else if (argument == "--diff") {
            diff = true;
        } else if (argument == "--schema") {
            const std::string schema = check::MakeSchema().dump(2) + "\n";
            std::fwrite(schema.data(), 1, schema.size(), stdout);
            return check::kClean;
        } else if (argument == "--version") {
            std::printf("dinotuner-check %s\n", DINOTUNER_VERSION);
            return check::kClean;
        } else if (argument == "-h" || argument == "--help") {
            std::fputs(kUsage, stdout);
            return check::kClean;
        } else if (argument.size() > 1 && argument[0] == '-') {
            return Usage("unknown option " + argument);
        } else {
            files.push_back(argument);
        }
    }
    if (files.empty()) {
        return Usage("no CONFIG file given");
    }
    if (diff && files.size() != 2) {
        return Usage("--diff takes two files, OLD and NEW");
    }

    try {
        check::StartPluginLogger();
        if (diff) {
            return check::PrintDiff(files[0], files[1], map, stdout);
        }
        std::vector<check::Report> reports(files.size());
        int status = check::kClean;
        for (std::size_t i = 0; i < files.size(); ++i) {
            check::Report& report = reports[i];
            report.Map = map;
            check::LoadWithPlugin(files[i], report);
            check::CheckSpeciesKeys(report);
            check::CheckEntries(report);
            check::CheckMaps(report);
            check::SortFindings(report);
            status = std::max(status, check::ExitStatus(report, strict));
            if (!json) {
                if (i > 0) {
                    std::fputc('\n', stdout);
                }
                check::PrintText(report, colour, strict, stdout);
            }
        }
        if (json) {
            check::PrintJson(reports, strict, stdout);
        }
        return status;
    } catch (const std::exception& error) {
        // Only the checker's own set-up can end here.
        std::fprintf(stderr, "dinotuner-check: %s\n", error.what());
        return check::kFailed;
    }
}
