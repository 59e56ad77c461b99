#pragma once
// The file's "Maps" section: one file for every map of a cluster, where a map's own section
// replaces base entries (whole) and the global section on that map only. The base document is
// brought to the map's effective form before the table is filled, so the fill and its change
// lines see exactly the entries in effect on this server.

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "config/BalanceTable.h"

inline constexpr const char* kMapsSection = "Maps";

// What the map sections gave the server, kept for the status of the table in effect.
struct MapInEffect {
    // The map's name as the game reported it; none when it could not be read.
    std::optional<std::string> Name;
    // The key of the "Maps" member applied, empty when none applied.
    std::string Section;
    // True when the file has a "Maps" section at all.
    bool FileHasMaps = false;
    // Why the map name could not be read, when it could not.
    std::string ReadError;

    // One line for the admin: the map, and whether a section of "Maps" applied.
    std::string Describe() const;
};

// What applying the map's section did, beside changing the document.
struct MapReport {
    MapInEffect Map;
    // The map's species entries skipped for an error: they count like the base's.
    std::vector<EntryFailure> Failures;
    // Warnings about other maps' sections (already logged).
    std::vector<std::string> Warnings;
};

// The key of the section of `maps` that serves `mapName`: the same name, else the same name in
// other ASCII letter case (the game does not tell case apart in map names); none when none does.
std::optional<std::string> FindMapSection(const nlohmann::json& maps, const std::string& mapName);

// Every error of the map section `section` named `name`, as the plugin logs them on that map
// (species entries as "Error loading dino: ..."), so that every map's server can warn of them.
std::vector<std::string> MapSectionErrors(const std::string& name, const nlohmann::json& section);

// Brings `document` to the form in effect on `mapName` (none: the name could not be read, only
// the base applies): the map's species entries replace the base's of the same key or are added,
// and its "GlobalDinoBalance" replaces the base one. Every other map's section is read for
// errors, which are logged as warnings only. An error in a species entry of the map is logged
// and the species has no entry on this map; an error in the map's global section throws a
// ConfigError, as the base's would. A document without "Maps" is left exactly as it is.
MapReport ApplyMapSection(nlohmann::json& document, const std::optional<std::string>& mapName);
