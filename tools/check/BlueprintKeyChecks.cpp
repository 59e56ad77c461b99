// Warnings about the species keys: a key only ever matches the blueprint path of a class
// (SpeciesKey.h), byte for byte in UTF-8, up to a zero character.

#include <map>
#include <optional>
#include <string_view>

#include <fmt/format.h>

#include "CheckReport.h"
#include "config/BalanceKeys.h"
#include "config/SpeciesKey.h"

namespace check {

namespace {

using nlohmann::json;

void Warn(Report& report, const std::string& section, std::string message)
{
    report.Add(Severity::Warning, section, "", std::move(message));
}

}  // namespace

void CheckSpeciesKeys(Report& report)
{
    const json& document = report.Document;
    if (!report.Parsed || !document.is_object()) {
        return;
    }
    const auto species = document.find(kSpeciesSection);
    if (species == document.end()) {
        return;
    }
    if (species->is_array()) {
        report.Add(Severity::Error, kSpeciesSection, "",
                   fmt::format("\"{}\" is an array: its entries are stored under \"0\", \"1\", ... and never match a species; "
                               "write an object whose keys are blueprint paths",
                               kSpeciesSection));
        return;
    }
    if (species->is_null()) {
        Warn(report, kSpeciesSection, fmt::format("\"{}\" is null: no species has an entry; write {{}} if that is meant", kSpeciesSection));
        return;
    }
    if (!species->is_object()) {
        return;
    }

    // The plugin's map key for each JSON key: the text before a zero character, so collisions are the plugin's.
    std::map<std::string, std::vector<std::string>> byStoredKey;
    for (const auto& member : species->items()) {
        const std::string& key = member.key();
        const std::string stored = key.substr(0, key.find('\0'));
        byStoredKey[stored].push_back(key);

        if (key.find('\0') != std::string::npos) {
            Warn(report, key, fmt::format("contains a zero character; the plugin keeps only \"{}\", the text before it", stored));
        } else if (!IsBlueprintPath(key)) {
            Warn(report, key, SpeciesKeyFormMessage(key));
        }
    }
    for (const auto& [stored, keys] : byStoredKey) {
        if (keys.size() < 2) {
            continue;
        }
        // The library hands members over in ascending byte order, so the last one overwrites the others.
        std::vector<std::string> quoted;
        for (const std::string& key : keys) {
            quoted.push_back("\"" + key + "\"");
        }
        Warn(report, keys.back(),
             fmt::format("the keys {} all become \"{}\": only the last, \"{}\", is kept", fmt::join(quoted, ", "), stored, keys.back()));
    }
}

}  // namespace check
