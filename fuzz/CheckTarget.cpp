// Fuzz target: dinotuner-check on the bytes as a file, through every step its main takes (read
// with the plugin's code, the key and entry checks, both renderings). This file is the only
// glue between the fuzzers and the checker's internals: when the checker's interface changes,
// this is what to adapt.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "CheckReport.h"
#include "FuzzSupport.h"

namespace {

// Runs `render` into memory and returns what it wrote.
template <typename Render>
std::string Rendered(Render render)
{
    char* buffer = nullptr;
    std::size_t length = 0;
    std::FILE* out = open_memstream(&buffer, &length);
    FUZZ_CHECK(out != nullptr, "open_memstream failed");
    render(out);
    std::fclose(out);
    std::string text(buffer, length);
    std::free(buffer);
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool started = [] {
        check::StartPluginLogger();
        return true;
    }();
    (void)started;
    const std::string& path = fuzz::WriteScratchFile(data, size);

    std::vector<check::Report> reports(1);
    check::Report& report = reports[0];
    check::LoadWithPlugin(path, report);
    check::CheckSpeciesKeys(report);
    check::CheckEntries(report);
    check::SortFindings(report);
    for (const bool strict : {false, true}) {
        const int status = check::ExitStatus(report, strict);
        FUZZ_CHECK(status == check::kClean || status == check::kFailed, "exit status " + std::to_string(status));
    }
    FUZZ_CHECK(report.Loaded || report.Count(check::Severity::Error) > 0, "a file the plugin cannot use shows no error");

    Rendered([&](std::FILE* out) { check::PrintText(report, false, false, out); });
    Rendered([&](std::FILE* out) { check::PrintText(report, true, true, out); });
    // Scripts read the JSON report: whatever the file held, it must be JSON they can parse.
    const std::string json = Rendered([&](std::FILE* out) { check::PrintJson(reports, false, out); });
    FUZZ_CHECK(nlohmann::json::accept(json), "the JSON report does not parse");
    return 0;
}
