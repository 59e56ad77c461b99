// Runs the configuration steps of the plugin's load on a file of the admin's choosing, with the
// plugin's own classes and logger, so every line and every rule is exactly the plugin's.

#include <exception>

#include "CheckReport.h"
#include "SimHost.h"
#include "config/ConfigFile.h"
#include "logging/LogLine.h"
#include "logging/Logger.h"

namespace check {

namespace {

// The host's console sink hands every formatted line here.
std::vector<std::string>* capturedLines = nullptr;

}  // namespace

void LoadWithPlugin(const std::string& file, Report& report)
{
    report.File = file;
    std::vector<std::string> lines;
    capturedLines = &lines;
    sim::SetLogOutput([](const std::string& line) {
        if (capturedLines != nullptr) {
            capturedLines->push_back(line);
        }
    });
    InitLogger(GetLogger(), "DinoTuner");

    // The load's own order: read the file, then fill the table; a failure of either is logged
    // with the exception's text, as the plugin's entry point logs a load that stops.
    ConfigFile config(file);
    try {
        config.Read();
        report.Parsed = true;
        report.Table.LoadBalances(config.Document);
        report.Loaded = true;
    } catch (const std::exception& error) {
        GetLogger()->error(error.what());
    }
    if (report.Parsed) {
        report.Document = std::move(config.Document);
    }

    capturedLines = nullptr;
    sim::SetLogOutput({});
    for (const std::string& line : lines) {
        report.LogLines.push_back(line);
        const std::optional<LogLine> parsed = ParseLogLine(line);
        if (parsed && parsed->Level == "error") {
            report.Errors.push_back(parsed->Message);
        }
    }
}

}  // namespace check
