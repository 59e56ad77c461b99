#pragma once
// The ten keys of a balance entry, each described once: its name, its JSON type, its default,
// the values that leave the game as it is ("not set"), and the field it fills. The loader, the
// rules, dinotuner-check and the schema all read this table; a new key is one line here plus
// the rule that uses it.

#include <array>
#include <cstddef>
#include <stdexcept>
#include <string_view>

#include "config/BalancedDino.h"

// The section names of the file.
inline constexpr const char* kGlobalSection = "GlobalDinoBalance";
inline constexpr const char* kSpeciesSection = "DinoBalance";

// What a key governs. A gate is a switch, written as a JSON boolean; damage and consumption keys
// are multipliers, written as JSON numbers (a boolean is taken as 1 or 0).
enum class KeyGroup { Gate, Damage, Consumption };

struct BalanceKey {
    const char* Name;
    // A short name for reports and tables ("Tame", "Resistance", "Food").
    const char* Label;
    KeyGroup Group;
    // The field the key fills: a switch fills `Switch`, a multiplier fills `Multiplier`.
    bool BalancedDino::*Switch;
    float BalancedDino::*Multiplier;
    // The value when the key is missing or null; a switch's is 1 (true) or 0 (false).
    float Default;
    // The values that leave the game as it is, the first `NotSetCount` of `NotSet`.
    std::array<float, 2> NotSet;
    std::size_t NotSetCount;
    // What the key does, in one line for admins.
    const char* Effect;

    // True for a switch (a JSON boolean), false for a multiplier (a JSON number).
    constexpr bool IsSwitch() const { return Switch != nullptr; }
    // True when `value` changes the game: it is none of the key's "not set" values (exact compare).
    constexpr bool IsSet(float value) const
    {
        for (std::size_t i = 0; i < NotSetCount; ++i) {
            if (value == NotSet[i]) {
                return false;
            }
        }
        return true;
    }
};

// In the order the loader reads them, which is also the order in which an entry's errors are found.
inline constexpr std::array<BalanceKey, 10> kBalanceKeys{{
    {"AllowTame", "Tame", KeyGroup::Gate, &BalancedDino::AllowTame, nullptr, 1.0f, {1.0f}, 1,
     "false: taming this species does not happen."},
    {"AllowBreed", "Breed", KeyGroup::Gate, &BalancedDino::AllowBreed, nullptr, 1.0f, {1.0f}, 1,
     "false: a dino of this species does not mate, whatever its partner's species."},
    {"AllowRide", "Ride", KeyGroup::Gate, &BalancedDino::AllowRide, nullptr, 1.0f, {1.0f}, 1,
     "false: mounting a dino of this species is refused."},
    {"DisableNet", "Net", KeyGroup::Gate, &BalancedDino::DisableNet, nullptr, 0.0f, {0.0f}, 1,
     "true: a dino of this species cannot be caught in a net."},
    {"AttackDamageMultiplier", "Attack", KeyGroup::Damage, nullptr, &BalancedDino::AttackDamageMultiplier, 0.0f, {0.0f, -1.0f}, 2,
     "The damage this species (or structure, such as a turret) causes is multiplied by this."},
    {"DamageResistanceMultiplier", "Resistance", KeyGroup::Damage, nullptr, &BalancedDino::DamageResistanceMultiplier, 0.0f, {0.0f, -1.0f}, 2,
     "The damage this species takes is divided by this."},
    {"TurretDamageMultiplier", "Turret", KeyGroup::Damage, nullptr, &BalancedDino::TurretDamageMultiplier, 0.0f, {0.0f}, 1,
     "The damage this species takes from every hit that has a causer (a turret, a dino, a player) is multiplied by this."},
    {"ReducedFoodConsumptionSpeedMultiplier", "Food", KeyGroup::Consumption, nullptr, &BalancedDino::ReducedFoodConsumptionSpeedMultiplier,
     -1.0f, {-1.0f}, 1, "The food consumption of this species is its base rate times this."},
    {"ReducedOxygenConsumptionSpeedMultiplier", "Oxygen", KeyGroup::Consumption, nullptr,
     &BalancedDino::ReducedOxygenConsumptionSpeedMultiplier, -1.0f, {-1.0f}, 1,
     "The oxygen use of this species under water is its base rate times this."},
    {"ReducedStaminaConsumptionSpeedMultiplier", "Stamina", KeyGroup::Consumption, nullptr,
     &BalancedDino::ReducedStaminaConsumptionSpeedMultiplier, -1.0f, {-1.0f}, 1,
     "The twelve stamina rates of this species are their base values times this."},
}};

// The value of `key` in `entry`; a switch reads as 1 (true) or 0 (false).
inline float ValueOf(const BalanceKey& key, const BalancedDino& entry)
{
    return key.IsSwitch() ? (entry.*key.Switch ? 1.0f : 0.0f) : entry.*key.Multiplier;
}

// True when every key has the same value in `a` and `b` (exact float comparison).
inline bool SameValues(const BalancedDino& a, const BalancedDino& b)
{
    for (const BalanceKey& key : kBalanceKeys) {
        if (ValueOf(key, a) != ValueOf(key, b)) {
            return false;
        }
    }
    return true;
}

// The key that fills the multiplier `field`.
constexpr const BalanceKey& KeyOf(float BalancedDino::*field)
{
    for (const BalanceKey& key : kBalanceKeys) {
        if (key.Multiplier == field) {
            return key;
        }
    }
    throw std::logic_error("no key fills this field");  // a constant-expression use fails to compile instead
}

// The key spelled exactly `name` (letter case matters, as for the loader), or null.
constexpr const BalanceKey* FindBalanceKey(std::string_view name)
{
    for (const BalanceKey& key : kBalanceKeys) {
        if (name == key.Name) {
            return &key;
        }
    }
    return nullptr;
}
