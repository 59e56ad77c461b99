#pragma once
// What dinotuner-check found in one configuration file: the plugin's own log lines for it, the
// findings (errors the plugin meets, and warnings about what loads but will not act as the admin
// meant), and the table it loads to.

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "config/BalanceTable.h"

namespace check {

enum class Severity { Error, Warning };

// One finding: how bad, where, and what it means for the admin.
struct Finding {
    Severity Level = Severity::Warning;
    std::string Entry;    // a species key, "GlobalDinoBalance", "DinoBalance", or "" for the file
    std::string Key;      // the setting concerned ("AllowTame"), or "" for the entry or file itself
    std::string Message;
    std::optional<std::size_t> Line;    // where in the file, when known (1-based)
    std::optional<std::size_t> Column;
};

struct Report {
    std::string File;
    // The map whose effective table is shown (--map); none: the base, every map section checked.
    std::optional<std::string> Map;
    // The plugin's log lines while reading and filling, exactly as it writes them.
    std::vector<std::string> LogLines;
    // True when the plugin would start with this file's balances: it was read and the table filled.
    bool Loaded = false;
    // True when the file parsed: the document below is what the plugin read.
    bool Parsed = false;
    nlohmann::json Document;
    BalanceTable Table;
    std::vector<Finding> Findings;

    // Adds a finding.
    void Add(Severity level, std::string entry, std::string key, std::string message);
    // Number of findings of `level`.
    std::size_t Count(Severity level) const;
};

// Exit statuses: no errors (warnings alone do not fail unless strict), errors, bad command line.
constexpr int kClean = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

// The exit status for a report: kFailed for errors, or for warnings when `strict`; else kClean.
int ExitStatus(const Report& report, bool strict);

// Reads `file` with the plugin's ConfigFile and BalanceTable (on map report.Map, when set), capturing the plugin's log lines
// and turning its errors (and its warnings about keys written twice) into findings. The plugin's
// logger must exist (InitLogger) and its output reach CaptureLog.
void LoadWithPlugin(const std::string& file, Report& report);
// Starts the plugin's logger over a sink that keeps its lines for LoadWithPlugin; call once.
void StartPluginLogger();

// Adds the findings about the document's sections, entries and values.
void CheckEntries(Report& report);
// Adds the findings about "Maps": every map section's errors (warnings for other maps than
// report.Map's, as the plugin logs them there), what loads but is likely a mistake, and map
// names that look like a misspelt official map.
void CheckMaps(Report& report);
// Adds the findings about the species keys: their form, a zero character, collisions.
void CheckSpeciesKeys(Report& report);
// Orders the findings for reading: the file, the global section, the species section, then each species key.
void SortFindings(Report& report);

// Writes the report for a reader; `colour` adds terminal colours.
void PrintText(const Report& report, bool colour, bool strict, std::FILE* out);
// Writes the reports of all files as one JSON object, for scripts.
void PrintJson(const std::vector<Report>& reports, bool strict, std::FILE* out);

// The JSON Schema of the configuration file, made from the description of the keys.
nlohmann::ordered_json MakeSchema();

}  // namespace check
