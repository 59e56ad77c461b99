#pragma once
// The configuration's vocabulary as the checker needs it: section names and the ten entry keys
// with what kind of setting each is.

#include <cstring>
#include <string>

namespace check {

inline constexpr const char* kGlobalSection = "GlobalDinoBalance";
inline constexpr const char* kSpeciesSection = "DinoBalance";

enum class KeyKind { Switch, Damage, Consumption };

struct KeyInfo {
    const char* Name;
    KeyKind Kind;
};

// In the order the plugin reads them.
inline constexpr KeyInfo kEntryKeys[] = {
    {"AllowTame", KeyKind::Switch},
    {"AllowBreed", KeyKind::Switch},
    {"AllowRide", KeyKind::Switch},
    {"DisableNet", KeyKind::Switch},
    {"AttackDamageMultiplier", KeyKind::Damage},
    {"DamageResistanceMultiplier", KeyKind::Damage},
    {"TurretDamageMultiplier", KeyKind::Damage},
    {"ReducedFoodConsumptionSpeedMultiplier", KeyKind::Consumption},
    {"ReducedOxygenConsumptionSpeedMultiplier", KeyKind::Consumption},
    {"ReducedStaminaConsumptionSpeedMultiplier", KeyKind::Consumption},
};

// The entry key spelled exactly `name`, or null.
inline const KeyInfo* FindKey(const std::string& name)
{
    for (const KeyInfo& key : kEntryKeys) {
        if (name == key.Name) {
            return &key;
        }
    }
    return nullptr;
}

}  // namespace check
