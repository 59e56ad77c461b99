#include "config/BalanceTable.h"

#include <cstdint>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "config/ConfigFile.h"
#include "frame/Plugin.h"
#include "logging/Logger.h"

namespace {

using nlohmann::json;

// An entry that is neither an object nor null fails as the JSON library's operator[] would.
[[noreturn]] void ThrowNotAnObject(const json& value)
{
    throw json::type_error::create(305, std::string("cannot use operator[] with a string argument with ") + value.type_name(), &value);
}

// The document is only ever read through const access: it may be arbitrarily deep, and a copy
// (or a missing key added by operator[]) would recurse through all of it.
const json* Member(const json& entry, const char* key)
{
    const auto found = entry.find(key);
    return found == entry.end() || found->is_null() ? nullptr : &*found;
}

void ReadSwitch(const json& entry, const char* key, bool& field)
{
    if (const json* value = Member(entry, key)) {
        field = value->get<bool>();  // anything but a boolean: type error 302
    }
}

void ReadMultiplier(const json& entry, const char* key, float& field)
{
    if (const json* value = Member(entry, key)) {
        field = value->get<float>();  // numbers and booleans; anything else: type error 302
    }
}

// Reads the ten keys of one entry over the fixed defaults, in the order errors are reported.
BalancedDino ReadEntry(const json& value, FString name)
{
    BalancedDino entry;
    entry.Name = std::move(name);
    if (value.is_null()) {
        return entry;
    }
    if (!value.is_object()) {
        ThrowNotAnObject(value);
    }
    ReadSwitch(value, "AllowTame", entry.AllowTame);
    ReadSwitch(value, "AllowBreed", entry.AllowBreed);
    ReadSwitch(value, "AllowRide", entry.AllowRide);
    ReadSwitch(value, "DisableNet", entry.DisableNet);
    ReadMultiplier(value, "AttackDamageMultiplier", entry.AttackDamageMultiplier);
    ReadMultiplier(value, "DamageResistanceMultiplier", entry.DamageResistanceMultiplier);
    ReadMultiplier(value, "TurretDamageMultiplier", entry.TurretDamageMultiplier);
    ReadMultiplier(value, "ReducedFoodConsumptionSpeedMultiplier", entry.ReducedFoodConsumptionSpeedMultiplier);
    ReadMultiplier(value, "ReducedOxygenConsumptionSpeedMultiplier", entry.ReducedOxygenConsumptionSpeedMultiplier);
    ReadMultiplier(value, "ReducedStaminaConsumptionSpeedMultiplier", entry.ReducedStaminaConsumptionSpeedMultiplier);
    return entry;
}

}  // namespace

BalanceTable::BalanceTable()
{
    // Never used in service: the plugin fills the table right after creating it.
    Global.AllowTame = Global.AllowBreed = Global.AllowRide = Global.DisableNet = false;
    Global.AttackDamageMultiplier = Global.DamageResistanceMultiplier = Global.TurretDamageMultiplier = 0.0f;
    Global.ReducedFoodConsumptionSpeedMultiplier = Global.ReducedOxygenConsumptionSpeedMultiplier =
        Global.ReducedStaminaConsumptionSpeedMultiplier = 0.0f;
}

void BalanceTable::LoadBalances()
{
    LoadBalances(ThePlugin().Config->Document);
}

void BalanceTable::LoadBalances(const json& document)
{
    const json& globalSection = document.at("GlobalDinoBalance");
    BalancedDino global = ReadEntry(globalSection, FString("global"));

    const json& species = document.at("DinoBalance");
    std::unordered_map<std::string, BalancedDino> dinos;
    std::int32_t count = 0;
    for (const auto& pair : species.items()) {
        try {
            FString name(pair.key());
            BalancedDino entry = ReadEntry(pair.value(), name);
            // Bytes above 0x7F became '?' in the name, so two such keys can land on one entry.
            dinos[name.ToString()] = std::move(entry);
            ++count;
        } catch (const std::exception& error) {
            GetLogger()->error("Error loading dino: {}", error.what());
        }
    }

    // Only a complete read replaces the table: a failure above leaves the running one intact.
    Global = std::move(global);
    Dinos = std::move(dinos);
    GetLogger()->info("Loaded {} dino balances!", count);
}

std::shared_ptr<BalancedDino> BalanceTable::Find(std::string key) const
{
    const auto found = Dinos.find(key);
    if (found == Dinos.end()) {
        return nullptr;
    }
    return std::make_shared<BalancedDino>(found->second);
}

std::shared_ptr<BalancedDino> BalanceTable::Find(FString key) const
{
    return Find(key.ToString());
}
