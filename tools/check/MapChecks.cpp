// Findings about the "Maps" section: each map's section is checked as the plugin reads it on that
// map, and with the checks of the base's entries, and a map name that is almost an official one
// is pointed out (a section under a misspelt name never applies anywhere).

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "CheckReport.h"
#include "config/BalanceKeys.h"
#include "config/MapSections.h"
#include "config/NearestName.h"
#include "host/Ascii.h"

namespace check {

namespace {

using nlohmann::json;

// The maps of the game, by the names the game gives them.
constexpr std::array<const char*, 12> kOfficialMaps = {"TheIsland", "TheCenter",  "ScorchedEarth_P", "Ragnarok",
                                                       "Aberration_P", "Extinction", "Valguero_P",      "Genesis",
                                                       "CrystalIsles", "Gen2",       "LostIsland",      "Fjordur"};

std::string Where(const std::string& map, const std::string& entry = "")
{
    return std::string(kMapsSection) + "/" + map + (entry.empty() ? "" : "/" + entry);
}

// The official map `name` was most likely meant to be; none when it is one (in any letter case,
// which the plugin does not tell apart either) or is not close to any (a mod map's name).
const char* MisspeltOfficialMap(const std::string& name)
{
    const std::string lower = ascii::Lower(name);
    const char* best = nullptr;
    std::size_t bestDistance = 0;
    for (const char* official : kOfficialMaps) {
        const std::string known = ascii::Lower(official);
        if (known == lower) {
            return nullptr;
        }
        const std::size_t distance = EditDistance(lower, known);
        const std::size_t allowed = known.size() < 6 ? 1 : 2;
        if (distance <= allowed && (best == nullptr || distance < bestDistance)) {
            best = official;
            bestDistance = distance;
        }
    }
    return best;
}

// The checks of the base's sections, run on one map's section as if it were a file of its own;
// its findings are added under the map's name.
void CheckLikeBase(Report& report, const std::string& name, const json& section)
{
    const auto species = section.find(kSpeciesSection);
    if (species != section.end() && !species->is_null() && !species->is_object()) {
        return;  // an error of the section already
    }
    Report own;
    own.Parsed = true;
    own.Document = json::object();
    own.Document[kGlobalSection] = section.contains(kGlobalSection) ? section.at(kGlobalSection) : json();
    own.Document[kSpeciesSection] = species != section.end() && species->is_object() ? *species : json::object();
    CheckSpeciesKeys(own);
    CheckEntries(own);
    for (Finding& finding : own.Findings) {
        if (finding.Level == Severity::Warning) {
            report.Add(Severity::Warning, Where(name, finding.Entry), finding.Key, finding.Message);
        }
    }
}

}  // namespace

void CheckMaps(Report& report)
{
    const json& document = report.Document;
    if (!report.Parsed || !document.is_object()) {
        return;
    }
    const auto maps = document.find(kMapsSection);
    if (maps == document.end() || maps->is_null()) {
        return;
    }
    if (!maps->is_object()) {
        report.Add(Severity::Error, kMapsSection, "",
                   fmt::format("\"{}\" is {}, not an object: no map's section applies", kMapsSection, maps->type_name()));
        return;
    }
    const std::optional<std::string> own = report.Map ? FindMapSection(*maps, *report.Map) : std::nullopt;
    for (const auto& [name, section] : maps->items()) {
        // On the map asked for, another map's mistakes are only the plugin's warnings.
        const Severity level = !report.Map || (own && *own == name) ? Severity::Error : Severity::Warning;
        for (const std::string& error : MapSectionErrors(name, section)) {
            const bool known = std::any_of(report.Findings.begin(), report.Findings.end(),
                                           [&](const Finding& finding) { return finding.Message == error; });
            if (!known) {
                report.Add(level, Where(name), "", error);
            }
        }
        if (const char* official = MisspeltOfficialMap(name)) {
            report.Add(Severity::Warning, Where(name), "",
                       fmt::format("\"{}\" is no map of the game; did you mean \"{}\"? A section applies only on the map of its "
                                   "name (a mod map's name is fine)",
                                   name, official));
        }
        if (!section.is_object()) {
            continue;
        }
        for (const auto& member : section.items()) {
            if (member.key() != kGlobalSection && member.key() != kSpeciesSection) {
                report.Add(Severity::Warning, Where(name), member.key(),
                           fmt::format("\"{}\" is ignored: a map's section holds \"{}\" and \"{}\" only", member.key(), kGlobalSection,
                                       kSpeciesSection));
            }
        }
        CheckLikeBase(report, name, section);
    }
}

}  // namespace check
