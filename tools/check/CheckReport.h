#pragma once
// What dinotuner-check found in one configuration file: the plugin's own log lines for it,
// the warnings about what loads but will not act as the admin meant, and the table it loads to.

#include <cstdio>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "config/BalanceTable.h"

namespace check {

// One finding that does not stop the plugin: where it is, and what it means for the admin.
struct Warning {
    std::string Section;  // "GlobalDinoBalance", "DinoBalance", or a species key
    std::string Key;      // the configuration key concerned, or "" for the section or entry itself
    std::string Message;
};

struct Report {
    std::string File;
    // The plugin's log lines while reading and filling, exactly as it writes them.
    std::vector<std::string> LogLines;
    // The messages of those lines that were logged at error level.
    std::vector<std::string> Errors;
    // True when the plugin would start with this file: it was read and the table was filled.
    bool Loaded = false;
    // True when the file parsed: the document below is what the plugin read.
    bool Parsed = false;
    nlohmann::json Document;
    BalanceTable Table;
    std::vector<Warning> Warnings;
};

// Process exit status for a report: 0 clean, 1 errors, 3 warnings only.
int ExitStatus(const Report& report);

// Reads `file` with the plugin's ConfigFile and BalanceTable, capturing the plugin's log lines.
// Must be called once per process: it creates the plugin's logger over the host's sinks.
void LoadWithPlugin(const std::string& file, Report& report);

// Adds the warnings about the document's sections, entries and values.
void CheckEntries(Report& report);
// Adds the warnings about the species keys: their form, bytes the plugin cannot keep, collisions.
void CheckSpeciesKeys(Report& report);
// Orders the warnings for reading: the global section, the species section, then each species key.
void SortWarnings(Report& report);

// Writes the report for a reader; `colour` adds terminal colours.
void PrintText(const Report& report, bool colour, std::FILE* out);
// Writes the report as one JSON object, for scripts.
void PrintJson(const Report& report, std::FILE* out);

}  // namespace check
