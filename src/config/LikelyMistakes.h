#pragma once
// What loads but will not do what the admin meant: an unknown key (a misspelling, a trailing
// space), a species key that is not a blueprint path (a class name, no Blueprint'…' around it),
// a setting of the global section that never applies. The plugin logs each at load and reload,
// and dinotuner-check reports the same findings among its own.

#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

// One likely mistake: the entry ("GlobalDinoBalance" or a species key), the key concerned ("" for
// the entry itself), and what it means.
struct LikelyMistake {
    std::string Entry;
    std::string Key;
    std::string Message;
};

// Appends the keys of `entry` (an object) that are no setting, each with the nearest setting's name.
void FindUnknownKeys(const std::string& entryName, const nlohmann::json& entry, std::vector<LikelyMistake>& out);
// Appends the settings of the global section (an object) other than the consumption multipliers.
void FindIneffectiveGlobals(const nlohmann::json& global, std::vector<LikelyMistake>& out);
// Every likely mistake of a document the plugin read: the global section's, then each species
// entry's in key order (its key's form first). Nothing for a document of another shape.
std::vector<LikelyMistake> FindLikelyMistakes(const nlohmann::json& document);
// "\"<entry>\": <message>", for a log line or a reply.
std::string Describe(const LikelyMistake& mistake);
