// dinotuner-check CONFIG: reads a configuration file exactly as the plugin would, prints the
// plugin's error lines, warns about what loads but will not do what was meant, and lists every
// species entry with its effective values.
// Exit status: 0 clean, 1 errors, 2 bad command line, 3 warnings only.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "CheckReport.h"
#include "os/Terminal.h"

namespace {

constexpr int kUsageError = 2;

const char* kUsage =
    "usage: dinotuner-check [--json] [--color|--no-color] CONFIG\n"
    "  Reads CONFIG with the plugin's own code and reports what the plugin would do with it.\n"
    "  --json      print the report as JSON\n"
    "  --color     colours even when not writing to a terminal\n"
    "  --no-color  no colours (also when NO_COLOR is set)\n"
    "Exit status: 0 clean, 1 errors (the plugin logs errors for this file), 3 warnings only.\n";

}  // namespace

int main(int argc, char** argv)
{
    bool json = false;
    bool colour = sim::os::IsTerminal(stdout) && std::getenv("NO_COLOR") == nullptr;
    std::string file;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--json") {
            json = true;
        } else if (argument == "--color") {
            colour = true;
        } else if (argument == "--no-color") {
            colour = false;
        } else if (argument == "-h" || argument == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (!argument.empty() && argument[0] == '-' && argument != "-") {
            std::fprintf(stderr, "dinotuner-check: unknown option %s\n%s", argument.c_str(), kUsage);
            return kUsageError;
        } else if (file.empty()) {
            file = argument;
        } else {
            std::fprintf(stderr, "dinotuner-check: one CONFIG file only\n%s", kUsage);
            return kUsageError;
        }
    }
    if (file.empty()) {
        std::fputs(kUsage, stderr);
        return kUsageError;
    }

    check::Report report;
    try {
        check::LoadWithPlugin(file, report);
        check::CheckSpeciesKeys(report);
        check::CheckEntries(report);
    } catch (const std::exception& error) {
        // Only the checker's own set-up can end here (e.g. no temporary folder).
        std::fprintf(stderr, "dinotuner-check: %s\n", error.what());
        return 1;
    }
    check::SortWarnings(report);
    if (json) {
        check::PrintJson(report, stdout);
    } else {
        check::PrintText(report, colour, stdout);
    }
    return check::ExitStatus(report);
}
