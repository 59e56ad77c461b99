// Runs the configuration steps of the plugin's load on a file of the admin's choosing, with the
// plugin's own classes and logger, so every line and every rule is exactly the plugin's.

#include <cstdio>
#include <exception>

#include "CheckReport.h"
#include "config/ConfigError.h"
#include "config/ConfigFile.h"
#include "config/JsonReader.h"
#include "config/MapSections.h"
#include "logging/Logger.h"
#include "standin/SimHost.h"

namespace check {

namespace {

// The host's console sink hands every formatted line here.
std::vector<std::string> capturedLines;

// "... at line 2, column 3: ..." in the JSON library's parse error.
void PositionFromMessage(Finding& finding)
{
    const auto at = finding.Message.find(" at line ");
    std::size_t line = 0;
    std::size_t column = 0;
    if (at != std::string::npos && std::sscanf(finding.Message.c_str() + at, " at line %zu, column %zu", &line, &column) == 2) {
        finding.Line = line;
        finding.Column = column;
    }
}

}  // namespace

void StartPluginLogger()
{
    sim::SetLogOutput([](const std::string& line) { capturedLines.push_back(line); });
    InitLogger(GetLogger(), "DinoTuner");
}

void LoadWithPlugin(const std::string& file, Report& report)
{
    report.File = file;
    capturedLines.clear();

    // The load's own order: read the file, then fill the table; a failure of either is logged
    // with the exception's text, as the plugin's load logs a file it cannot use.
    ConfigFile config(file);
    DuplicateKeys duplicates;
    try {
        config.Document = config.Parse(&duplicates);
        report.Parsed = true;
        // The table on the map asked for. The errors of every map's section are CheckMaps's findings.
        nlohmann::json effective;
        if (report.Map) {
            effective = config.Document;
            ApplyMapSection(effective, report.Map);
        }
        const LoadReport loaded = report.Table.LoadBalances(report.Map ? effective : config.Document);
        report.Loaded = true;
        for (const EntryFailure& failure : loaded.Failures) {
            report.Add(Severity::Error, failure.Entry, failure.Key, "Error loading dino: " + failure.Message);
        }
    } catch (const ConfigError& error) {
        GetLogger()->error(error.what());
        report.Add(Severity::Error, error.Entry(), error.Key(), error.what());
    } catch (const std::exception& error) {
        GetLogger()->error(error.what());
        report.Add(Severity::Error, "", "", error.what());
        PositionFromMessage(report.Findings.back());
    }
    // As many as the plugin names in its log, and a count of the rest.
    for (const DuplicateKey& duplicate : duplicates.Named) {
        report.Add(Severity::Warning, duplicate.Parent, duplicate.Key, "\"" + duplicate.Key + "\" is written twice: the plugin uses the last one");
    }
    if (duplicates.More > 0) {
        report.Add(Severity::Warning, "", "", std::to_string(duplicates.More) + " more keys are written twice");
    }
    if (report.Parsed) {
        report.Document = std::move(config.Document);
    }
    report.LogLines = std::move(capturedLines);
    capturedLines.clear();
}

}  // namespace check
