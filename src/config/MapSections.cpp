#include "config/MapSections.h"

#include <cstddef>
#include <exception>
#include <new>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "config/BalanceKeys.h"
#include "config/ConfigError.h"
#include "host/Ascii.h"
#include "logging/LogText.h"
#include "logging/Logger.h"

namespace {

using nlohmann::json;

// Other maps' mistakes are named one by one up to this many, then counted: each line is written
// on the game thread, and a file can hold any number of them.
constexpr std::size_t kMaxNamedWarnings = 20;

std::string OfMap(const std::string& section)
{
    return " of map " + Quoted(section);
}

std::string NotAnObject(const std::string& what, const json& value)
{
    return Quoted(what) + " is " + (value.is_array() || value.is_object() ? "an " : "a ") + value.type_name() + ", not an object";
}

}  // namespace

std::vector<std::string> MapSectionErrors(const std::string& name, const json& section)
{
    std::vector<std::string> errors;
    if (section.is_null()) {
        return errors;
    }
    if (!section.is_object()) {
        errors.push_back(NotAnObject(name, section) + " in " + Quoted(kMapsSection));
        return errors;
    }
    if (const auto global = section.find(kGlobalSection); global != section.end()) {
        try {
            ReadBalance(*global, false);
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception& error) {
            errors.push_back(std::string(error.what()) + " in " + Quoted(kGlobalSection) + OfMap(name));
        }
    }
    if (const auto species = section.find(kSpeciesSection); species != section.end() && !species->is_null()) {
        if (!species->is_object()) {
            errors.push_back(NotAnObject(kSpeciesSection, *species) + OfMap(name));
            return errors;
        }
        for (const auto& [key, entry] : species->items()) {
            try {
                ReadBalance(entry);
            } catch (const std::bad_alloc&) {
                throw;
            } catch (const std::exception& error) {
                errors.push_back("Error loading dino: " + std::string(error.what()) + " in " + Quoted(key) + OfMap(name));
            }
        }
    }
    return errors;
}

namespace {

// Logs an error of this map's section that skips part of it; it counts as a skipped entry.
void Skip(MapReport& report, std::string entry, std::string key, const std::string& message)
{
    GetLogger()->error("Error loading dino: {}", message);
    report.Failures.push_back(EntryFailure{std::move(entry), std::move(key), message});
}

std::string KeyOf(const std::exception& error)
{
    const auto* named = dynamic_cast<const ConfigError*>(&error);
    return named != nullptr ? named->Key() : std::string();
}

// Puts the map's section over the base in `document`.
void Apply(json& document, const std::string& name, const json& section, MapReport& report)
{
    if (section.is_null()) {
        return;
    }
    if (!section.is_object()) {
        Skip(report, kMapsSection, "", NotAnObject(name, section) + " in " + Quoted(kMapsSection) + ": only the base applies");
        return;
    }
    // The global section first: its error fails the file, as the base's does, before anything changed.
    if (const auto global = section.find(kGlobalSection); global != section.end()) {
        try {
            ReadBalance(*global, false);
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception& error) {
            throw ConfigError(std::string(error.what()) + " in " + Quoted(kGlobalSection) + OfMap(name), kGlobalSection, KeyOf(error));
        }
        // A base without one stays without: the fill then says the required section is missing.
        if (const auto base = document.find(kGlobalSection); base != document.end()) {
            *base = *global;
        }
    }
    const auto species = section.find(kSpeciesSection);
    if (species == section.end() || species->is_null()) {
        return;
    }
    if (!species->is_object()) {
        Skip(report, kSpeciesSection, "", NotAnObject(kSpeciesSection, *species) + OfMap(name) + ": none of its entries apply");
        return;
    }
    const auto base = document.find(kSpeciesSection);
    if (base == document.end()) {
        return;  // the fill fails on the missing base section, as it would without the map
    }
    if (base->is_null()) {
        *base = json::object();
    }
    if (!base->is_object()) {
        Skip(report, kSpeciesSection, "", "the entries" + OfMap(name) + " cannot be added to " + NotAnObject(kSpeciesSection, *base));
        return;
    }
    for (const auto& [key, entry] : species->items()) {
        try {
            ReadBalance(entry);
            (*base)[key] = entry;
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception& error) {
            // The map's entry takes the place of the base's even when it is broken: the map meant
            // other values for this species than the base's, so it gets none, as a broken base
            // entry gives its species none.
            base->erase(key);
            Skip(report, key, KeyOf(error), std::string(error.what()) + " in " + Quoted(key) + OfMap(name));
        }
    }
}

}  // namespace

std::string MapInEffect::Describe() const
{
    if (!Name) {
        return "Map: unknown (" + ReadError + "): only the base applies";
    }
    if (!FileHasMaps) {
        return "Map: " + *Name + " (the file has no \"Maps\" section)";
    }
    if (Section.empty()) {
        return "Map: " + *Name + ", no section in \"Maps\": only the base applies";
    }
    return "Map: " + *Name + ", its section " + Quoted(Section) + " in \"Maps\" applies";
}

std::optional<std::string> FindMapSection(const json& maps, const std::string& mapName)
{
    if (!maps.is_object()) {
        return std::nullopt;
    }
    if (maps.contains(mapName)) {
        return mapName;
    }
    const std::string wanted = ascii::Lower(mapName);
    for (const auto& [key, section] : maps.items()) {
        if (ascii::Lower(key) == wanted) {
            return key;
        }
    }
    return std::nullopt;
}

MapReport ApplyMapSection(json& document, const std::optional<std::string>& mapName)
{
    MapReport report;
    report.Map.Name = mapName;
    if (!document.is_object()) {
        return report;
    }
    const auto maps = document.find(kMapsSection);
    if (maps == document.end()) {
        return report;
    }
    report.Map.FileHasMaps = true;
    if (maps->is_null()) {
        return report;
    }
    if (!maps->is_object()) {
        Skip(report, kMapsSection, "", NotAnObject(kMapsSection, *maps) + ": no map's section applies");
        return report;
    }
    const std::optional<std::string> own = mapName ? FindMapSection(*maps, *mapName) : std::nullopt;
    std::size_t more = 0;
    for (const auto& [name, section] : maps->items()) {
        if (own && name == *own) {
            continue;
        }
        for (std::string& error : MapSectionErrors(name, section)) {
            if (report.Warnings.size() < kMaxNamedWarnings) {
                GetLogger()->warn("{} (not this server's map: it does not stop this load)", error);
                report.Warnings.push_back(std::move(error));
            } else {
                ++more;
            }
        }
    }
    if (more > 0) {
        GetLogger()->warn("... and {} more errors in other maps' sections", more);
    }
    if (own) {
        report.Map.Section = *own;
        Apply(document, *own, (*maps)[*own], report);
    }
    return report;
}
