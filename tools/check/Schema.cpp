// The JSON Schema of the configuration file, made from the one description of the keys, so that
// an editor and dinotuner-check judge a file alike: what the schema refuses, the checker reports
// (as an error or a warning), and every error the checker reports, the schema refuses.

#include <string>
#include <vector>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "CheckReport.h"
#include "config/BalanceKeys.h"
#include "config/FloatFit.h"
#include "config/MapSections.h"

namespace check {

namespace {

using Json = nlohmann::ordered_json;

// The same pattern the checker applies by hand: Blueprint'/Game/<folders>/<Asset>.<Asset>'.
constexpr const char* kSpeciesKeyPattern = R"(^Blueprint'/Game/(?:[^'/\s]+/)*([^'/.\s]+)\.\1'$)";

std::string Number(float value)
{
    return fmt::format("{}", value);
}

std::string Description(const BalanceKey& key)
{
    if (key.IsSwitch()) {
        return fmt::format("{} Default: {}.", key.Effect, key.Default != 0.0f ? "true" : "false");
    }
    std::vector<std::string> notSet;
    for (std::size_t i = 0; i < key.NotSetCount; ++i) {
        notSet.push_back(Number(key.NotSet[i]));
    }
    return fmt::format("{} {} leave{} it unchanged; the default is {}.", key.Effect, fmt::join(notSet, " and "),
                       key.NotSetCount == 1 ? "s" : "", Number(key.Default));
}

Json KeyDefinition(const BalanceKey& key)
{
    Json definition;
    if (key.IsSwitch()) {
        definition["type"] = Json::array({"boolean", "null"});
        definition["default"] = key.Default != 0.0f;
    } else {
        definition["type"] = Json::array({"number", "null"});
        definition["default"] = key.Default;
        // What the loader takes (FloatFitOf): nothing that would read as infinity, or as 0 when it is not 0.
        definition["exclusiveMaximum"] = kFloatOverflow;
        definition["exclusiveMinimum"] = -kFloatOverflow;
        definition["not"] = Json{{"type", "number"}, {"minimum", -kFloatUnderflow}, {"maximum", kFloatUnderflow}, {"not", Json{{"const", 0}}}};
    }
    definition["description"] = Description(key);
    return definition;
}

std::string Reference(const BalanceKey& key)
{
    return std::string("#/definitions/") + key.Name;
}

// A "Tamed" or "Wild" object: the damage keys only, anything else is an error for the entry.
Json SideDefinition()
{
    Json properties = Json::object();
    std::vector<std::string> names;
    for (const BalanceKey& key : kBalanceKeys) {
        if (key.SideMultiplier != nullptr) {
            properties[key.Name] = Json{{"$ref", Reference(key)}};
            names.push_back(key.Name);
        }
    }
    return Json{{"type", Json::array({"object", "null"})},
                {"description", fmt::format("{} for this species' tamed dinos (a team above 5000) in \"Tamed\", its wild ones in \"Wild\"; "
                                            "a key left out (or not set) takes the entry's own value. Structures take the entry's own.",
                                            fmt::join(names, ", "))},
                {"properties", properties},
                {"additionalProperties", false}};
}

Json Entry(bool global)
{
    Json properties = Json::object();
    for (const BalanceKey& key : kBalanceKeys) {
        if (global && key.Group != KeyGroup::Consumption) {
            properties[key.Name] = Json{{"description", fmt::format("Read but never used in {}: only its consumption multipliers take effect.",
                                                                     kGlobalSection)},
                                        {"allOf", Json::array({Json{{"$ref", Reference(key)}}})}};
        } else {
            properties[key.Name] = Json{{"$ref", Reference(key)}};
        }
    }
    for (const DamageSide& side : kDamageSides) {
        if (global) {
            properties[side.Name] = Json{{"description", fmt::format("Never used in {}: only its consumption multipliers take effect.", kGlobalSection)},
                                         {"allOf", Json::array({Json{{"$ref", "#/definitions/damageSide"}}})}};
        } else {
            properties[side.Name] = Json{{"$ref", "#/definitions/damageSide"}};
        }
    }
    const std::string description =
        global ? fmt::format("Consumption multipliers for every species that has no entry of its own in {}.", kSpeciesSection)
               : fmt::format("One species' settings. A missing key takes its default; a species with an entry takes nothing from {}.",
                             kGlobalSection);
    return Json{{"type", "object"}, {"description", description}, {"properties", properties}, {"additionalProperties", false}};
}

}  // namespace

Json MakeSchema()
{
    Json definitions = Json::object();
    for (const BalanceKey& key : kBalanceKeys) {
        definitions[key.Name] = KeyDefinition(key);
    }
    definitions["damageSide"] = SideDefinition();
    definitions["entry"] = Entry(false);
    definitions["globalEntry"] = Entry(true);

    Json properties = Json::object();
    properties[kGlobalSection] = Json{
        {"description", "Required. The consumption multipliers of every species without an entry of its own. null: all defaults."},
        {"oneOf", Json::array({Json{{"$ref", "#/definitions/globalEntry"}}, Json{{"type", "null"}}})}};
    const Json speciesNames{{"pattern", kSpeciesKeyPattern},
                            {"description", "Blueprint'/Game/<folders>/<Asset>.<Asset>': not the class name, not the string reference ending in _C."}};
    const Json entryOrNull{{"oneOf", Json::array({Json{{"$ref", "#/definitions/entry"}}, Json{{"type", "null"}}})}};
    properties[kSpeciesSection] = Json{
        {"description", "Required. One entry per species, keyed by its blueprint path exactly as the game names it (letter case matters), "
                        "e.g. Blueprint'/Game/PrimalEarth/Dinos/Rex/Rex_Character_BP.Rex_Character_BP'."},
        {"type", "object"},
        {"propertyNames", speciesNames},
        {"additionalProperties", entryOrNull},
        {"default", Json::object()}};
    Json mapProperties = Json::object();
    mapProperties[kGlobalSection] = Json{{"description", "Takes the place of the base's on this map."},
                                         {"oneOf", Json::array({Json{{"$ref", "#/definitions/globalEntry"}}, Json{{"type", "null"}}})}};
    mapProperties[kSpeciesSection] = Json{{"description", "Each entry takes the place of the base's entry of the same key on this map, whole, or is added."},
                                          {"type", Json::array({"object", "null"})},
                                          {"propertyNames", speciesNames},
                                          {"additionalProperties", entryOrNull}};
    properties[kMapsSection] = Json{
        {"description", "Optional. One section per map, keyed by the map's name as the game gives it (TheIsland, Ragnarok, "
                        "ScorchedEarth_P, a mod map's name; letter case is not told apart). Only the server running that map uses it."},
        {"type", Json::array({"object", "null"})},
        {"additionalProperties",
         Json{{"oneOf", Json::array({Json{{"type", "object"}, {"properties", mapProperties}, {"additionalProperties", false}},
                                     Json{{"type", "null"}}})}}}};

    return Json{{"$schema", "http://json-schema.org/draft-07/schema#"},
                {"title", "DinoTuner configuration"},
                {"description", "ArkApi/Plugins/DinoTuner/config.json: per-species damage, consumption and interaction settings. "
                                "UTF-8 JSON without comments. Made by dinotuner-check --schema."},
                {"type", "object"},
                {"required", Json::array({kGlobalSection, kSpeciesSection})},
                {"properties", properties},
                {"additionalProperties", true},
                {"definitions", definitions}};
}

}  // namespace check
