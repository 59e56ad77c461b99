#pragma once
// The ten keys of a balance entry, each described once: its name, its JSON type, its default,
// the values that leave the game as it is ("not set"), and the field it fills. The loader, the
// rules, dinotuner-check and the schema all read this table; a new key is one line here plus
// the rule that uses it. A species entry may also set the damage keys apart for its tamed and
// its wild dinos, in its "Tamed" and "Wild" objects (kDamageSides).

#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>
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
    // The field the key fills in a "Tamed" or "Wild" object; null for a key those cannot hold.
    float DamageSettings::*SideMultiplier;
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
    {"AllowTame", "Tame", KeyGroup::Gate, &BalancedDino::AllowTame, nullptr, nullptr, 1.0f, {1.0f}, 1,
     "false: taming this species does not happen."},
    {"AllowBreed", "Breed", KeyGroup::Gate, &BalancedDino::AllowBreed, nullptr, nullptr, 1.0f, {1.0f}, 1,
     "false: a dino of this species does not mate, whatever its partner's species."},
    {"AllowRide", "Ride", KeyGroup::Gate, &BalancedDino::AllowRide, nullptr, nullptr, 1.0f, {1.0f}, 1,
     "false: mounting a dino of this species is refused."},
    {"DisableNet", "Net", KeyGroup::Gate, &BalancedDino::DisableNet, nullptr, nullptr, 0.0f, {0.0f}, 1,
     "true: a dino of this species cannot be caught in a net."},
    {"AttackDamageMultiplier", "Attack", KeyGroup::Damage, nullptr, &BalancedDino::AttackDamageMultiplier,
     &DamageSettings::AttackDamageMultiplier, 0.0f, {0.0f, -1.0f}, 2,
     "The damage this species (or structure, such as a turret) causes is multiplied by this."},
    {"DamageResistanceMultiplier", "Resistance", KeyGroup::Damage, nullptr, &BalancedDino::DamageResistanceMultiplier,
     &DamageSettings::DamageResistanceMultiplier, 0.0f, {0.0f, -1.0f}, 2,
     "The damage this species takes is divided by this."},
    {"TurretDamageMultiplier", "Turret", KeyGroup::Damage, nullptr, &BalancedDino::TurretDamageMultiplier,
     &DamageSettings::TurretDamageMultiplier, 0.0f, {0.0f}, 1,
     "The damage this species takes from every hit that has a causer (a turret, a dino, a player) is multiplied by this."},
    {"ReducedFoodConsumptionSpeedMultiplier", "Food", KeyGroup::Consumption, nullptr, &BalancedDino::ReducedFoodConsumptionSpeedMultiplier, nullptr,
     -1.0f, {-1.0f}, 1, "The food consumption of this species is its base rate times this."},
    {"ReducedOxygenConsumptionSpeedMultiplier", "Oxygen", KeyGroup::Consumption, nullptr,
     &BalancedDino::ReducedOxygenConsumptionSpeedMultiplier, nullptr, -1.0f, {-1.0f}, 1,
     "The oxygen use of this species under water is its base rate times this."},
    {"ReducedStaminaConsumptionSpeedMultiplier", "Stamina", KeyGroup::Consumption, nullptr,
     &BalancedDino::ReducedStaminaConsumptionSpeedMultiplier, nullptr, -1.0f, {-1.0f}, 1,
     "The twelve stamina rates of this species are their base values times this."},
}};

// The value of `key` in `entry`; a switch reads as 1 (true) or 0 (false).
inline float ValueOf(const BalanceKey& key, const BalancedDino& entry)
{
    return key.IsSwitch() ? (entry.*key.Switch ? 1.0f : 0.0f) : entry.*key.Multiplier;
}

// The two objects of a species entry that set the damage keys apart for its tamed dinos (a team
// above 5000) and its wild ones. Only the keys with a SideMultiplier may stand in them.
struct DamageSide {
    const char* Name;
    DamageSettings BalancedDino::*Settings;
};
inline constexpr std::array<DamageSide, 2> kDamageSides{{{"Tamed", &BalancedDino::Tamed}, {"Wild", &BalancedDino::Wild}}};
inline constexpr const DamageSide& kTamedSide = kDamageSides[0];
inline constexpr const DamageSide& kWildSide = kDamageSides[1];

// The side spelled exactly `name`, or null.
constexpr const DamageSide* FindDamageSide(std::string_view name)
{
    for (const DamageSide& side : kDamageSides) {
        if (name == side.Name) {
            return &side;
        }
    }
    return nullptr;
}

// The value of damage key `key` in a "Tamed" or "Wild" object.
inline float ValueOf(const BalanceKey& key, const DamageSettings& settings)
{
    return settings.*key.SideMultiplier;
}

// True when the object sets at least one damage key to a value that changes the game.
inline bool SetsAny(const DamageSettings& settings)
{
    for (const BalanceKey& key : kBalanceKeys) {
        if (key.SideMultiplier != nullptr && key.IsSet(ValueOf(key, settings))) {
            return true;
        }
    }
    return false;
}

// True when the entry's "Tamed" or "Wild" object sets a damage key: its tamed and wild dinos may differ.
inline bool SplitsDamage(const BalancedDino& entry)
{
    return SetsAny(entry.Tamed) || SetsAny(entry.Wild);
}

// The value of damage key `key` in effect for the dinos of `side`: the side's own where it sets
// one, else the entry's top level. With no side (a structure, or a rule that cannot tell tamed
// from wild), the top level.
inline float DamageValueFor(const BalanceKey& key, const BalancedDino& entry, const DamageSide* side)
{
    if (side != nullptr) {
        const float own = ValueOf(key, entry.*side->Settings);
        if (key.IsSet(own)) {
            return own;
        }
    }
    return entry.*key.Multiplier;
}

// The three damage multipliers in effect for the dinos of `side` (null: the top level).
inline DamageSettings DamageFor(const BalancedDino& entry, const DamageSide* side)
{
    DamageSettings settings;
    for (const BalanceKey& key : kBalanceKeys) {
        if (key.SideMultiplier != nullptr) {
            settings.*key.SideMultiplier = DamageValueFor(key, entry, side);
        }
    }
    return settings;
}

// One value an entry holds: a key of its top level (no side), or a damage key of its "Tamed" or
// "Wild" object. Comparing, describing and listing an entry goes through all of them.
struct EntrySetting {
    const BalanceKey* Key;
    const DamageSide* Side;
};

constexpr std::size_t CountEntrySettings()
{
    std::size_t count = kBalanceKeys.size();
    for (const BalanceKey& key : kBalanceKeys) {
        count += key.SideMultiplier != nullptr ? kDamageSides.size() : 0;
    }
    return count;
}

constexpr std::array<EntrySetting, CountEntrySettings()> MakeEntrySettings()
{
    std::array<EntrySetting, CountEntrySettings()> all{};
    std::size_t n = 0;
    for (const BalanceKey& key : kBalanceKeys) {
        all[n++] = EntrySetting{&key, nullptr};
    }
    for (const DamageSide& side : kDamageSides) {
        for (const BalanceKey& key : kBalanceKeys) {
            if (key.SideMultiplier != nullptr) {
                all[n++] = EntrySetting{&key, &side};
            }
        }
    }
    return all;
}

// The ten keys, then the damage keys of "Tamed", then those of "Wild".
inline constexpr auto kEntrySettings = MakeEntrySettings();

// The setting's value in `entry`; a switch reads as 1 (true) or 0 (false).
inline float ValueOf(const EntrySetting& setting, const BalancedDino& entry)
{
    return setting.Side != nullptr ? ValueOf(*setting.Key, entry.*setting.Side->Settings) : ValueOf(*setting.Key, entry);
}

// The setting's name as log lines and reports give it: "AllowTame", "Wild.DamageResistanceMultiplier".
inline std::string NameOf(const EntrySetting& setting)
{
    return setting.Side != nullptr ? std::string(setting.Side->Name) + "." + setting.Key->Name : std::string(setting.Key->Name);
}

// True when every setting has the same value in `a` and `b` (exact float comparison).
inline bool SameValues(const BalancedDino& a, const BalancedDino& b)
{
    for (const EntrySetting& setting : kEntrySettings) {
        if (ValueOf(setting, a) != ValueOf(setting, b)) {
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
