// The species catalog: a JSON file of species with their blueprint paths and base consumption
// values, plus the species added at run time. Each species is backed by a class object of the
// world; a replaced catalog leaves the classes of dinos already spawned alone.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "host/Ascii.h"
#include "world/WorldState.h"

namespace sim {

const char* const kRateFieldNames[14] = {
    "FoodConsumptionMultiplier",
    "RunningStaminaConsumptionRate",
    "JumpStaminaConsumption",
    "CrouchedStaminaConsumptionMultiplier",
    "ProneStaminaConsumptionMultiplier",
    "WalkingStaminaConsumptionRate",
    "SwimmingOrFlyingStaminaConsumptionRate",
    "ChargingStaminaPerSecondDrain",
    "MeleeAttackStaminaCost",
    "SlowFallingStaminaCostPerSecond",
    "ChargingActivationConsumesStamina",
    "LoseStaminaWithRiderRate",
    "AllowWaterSurfaceExtraJumpStaminaCost",
    "SubmergedOxygenDecreaseSpeed",
};

namespace {

using world::ClassRecord;
using world::State;

constexpr const char* kPathPrefix = "Blueprint'";

// One species as read from the file, before any class exists for it.
struct CatalogEntry {
    std::string Short;
    std::string Reference;
    bool IsStructure = false;
    float Rates[world::kRateCount] = {};
};

// Admins know species by the blueprint path they write in their configuration; the class's
// string reference is the quoted part of it plus the "_C" of the generated class.
std::string ReferenceFromPath(const std::string& path)
{
    const std::size_t prefix = std::char_traits<char>::length(kPathPrefix);
    if (path.size() < prefix + 2 || path.compare(0, prefix, kPathPrefix) != 0 || path.back() != '\'') {
        throw std::runtime_error("blueprint path \"" + path + "\" is not of the form Blueprint'...'");
    }
    return path.substr(prefix, path.size() - prefix - 1) + "_C";
}

CatalogEntry ParseEntry(const nlohmann::json& item)
{
    CatalogEntry entry;
    entry.Short = item.at("short").get<std::string>();
    if (entry.Short.empty()) {
        throw std::runtime_error("a species has an empty short name");
    }
    entry.Reference = ReferenceFromPath(item.at("blueprint").get<std::string>());
    entry.IsStructure = item.value("structure", false);
    const nlohmann::json& rates = item.at("rates");
    if (!rates.is_object() || rates.size() != world::kRateCount) {
        throw std::runtime_error(entry.Short + ": \"rates\" must hold exactly the fourteen consumption fields");
    }
    for (int i = 0; i < world::kRateCount; ++i) {
        const auto value = rates.find(kRateFieldNames[i]);
        if (value == rates.end() || !value->is_number()) {
            throw std::runtime_error(entry.Short + ": rate " + kRateFieldNames[i] + " is missing or not a number");
        }
        entry.Rates[i] = value->get<float>();
    }
    return entry;
}

std::vector<CatalogEntry> ReadCatalog(const std::string& path)
{
    std::ifstream file(std::filesystem::u8path(path));
    if (!file) {
        throw std::runtime_error("cannot open species catalog " + path);
    }
    const nlohmann::json document = nlohmann::json::parse(file);
    std::vector<CatalogEntry> entries;
    std::set<std::string> shortNames;
    for (const nlohmann::json& item : document.at("species")) {
        entries.push_back(ParseEntry(item));
        if (!shortNames.insert(ascii::Lower(entries.back().Short)).second) {
            throw std::runtime_error("species " + entries.back().Short + " is listed twice");
        }
    }
    return entries;
}

ClassRecord& ClassFor(const std::string& shortName, const std::string& reference, bool isStructure, const float* rates)
{
    world::WorldState& state = State();
    ClassRecord& cls = world::NewClass(shortName, world::Utf8ToUtf16(reference),
                                       isStructure ? state.StructureClass : state.DinoClass);
    cls.IsSpecies = true;
    cls.IsStructure = isStructure;
    std::copy(rates, rates + world::kRateCount, cls.Rates);
    return cls;
}

SpeciesInfo InfoFor(const std::string& shortName, const ClassRecord& cls)
{
    SpeciesInfo info;
    info.Short = shortName;
    info.StringReference = world::Utf16ToUtf8(cls.StringReference);
    info.BlueprintPath = world::Utf16ToUtf8(cls.BlueprintPath);
    info.IsStructure = cls.IsStructure;
    std::copy(cls.Rates, cls.Rates + world::kRateCount, info.Rates);
    return info;
}

std::ptrdiff_t SpeciesIndex(const std::string& shortName)
{
    const std::string wanted = ascii::Lower(shortName);
    const auto& species = State().Species;
    for (std::size_t i = 0; i < species.size(); ++i) {
        if (ascii::Lower(species[i].Short) == wanted) {
            return static_cast<std::ptrdiff_t>(i);
        }
    }
    return -1;
}

}  // namespace

bool World::LoadCatalog(const std::string& path, std::string& error)
{
    std::vector<CatalogEntry> entries;
    try {
        entries = ReadCatalog(path);
    } catch (const std::exception& failure) {
        error = failure.what();
        return false;
    }
    world::WorldState& state = State();
    state.Species.clear();
    state.SpeciesClasses.clear();
    for (const CatalogEntry& entry : entries) {
        ClassRecord& cls = ClassFor(entry.Short, entry.Reference, entry.IsStructure, entry.Rates);
        state.Species.push_back(InfoFor(entry.Short, cls));
        state.SpeciesClasses.push_back(&cls);
    }
    return true;
}

const std::vector<SpeciesInfo>& World::Species() const
{
    return State().Species;
}

const SpeciesInfo* World::FindSpecies(const std::string& shortName) const
{
    const std::ptrdiff_t index = SpeciesIndex(shortName);
    return index < 0 ? nullptr : &State().Species[static_cast<std::size_t>(index)];
}

const SpeciesInfo& World::AddSpecies(const std::string& name, const std::string& reference, const SpeciesInfo& like)
{
    // `like` may live in the very vector that changes below.
    const SpeciesInfo model = like;
    ClassRecord& cls = ClassFor(name, reference, model.IsStructure, model.Rates);
    world::WorldState& state = State();
    // A name given again stands for the new class from now on.
    const std::ptrdiff_t existing = SpeciesIndex(name);
    if (existing >= 0) {
        state.Species[static_cast<std::size_t>(existing)] = InfoFor(name, cls);
        state.SpeciesClasses[static_cast<std::size_t>(existing)] = &cls;
        return state.Species[static_cast<std::size_t>(existing)];
    }
    state.Species.push_back(InfoFor(name, cls));
    state.SpeciesClasses.push_back(&cls);
    return state.Species.back();
}

void World::SetFault(const std::string& shortName, SpawnFault fault)
{
    const std::ptrdiff_t index = SpeciesIndex(shortName);
    if (index >= 0) {
        State().SpeciesClasses[static_cast<std::size_t>(index)]->Fault = fault;
    }
}

}  // namespace sim
