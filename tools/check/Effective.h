#pragma once
// An entry's values as the balancing rules use them: a multiplier that counts as not set is no
// value at all ("unchanged"), whatever number stands in the file.

#include <optional>

#include "config/BalancedDino.h"

namespace check {

struct EffectiveValues {
    bool Tame;
    bool Breed;
    bool Ride;
    bool Net;
    std::optional<float> Resistance;  // damage taken is divided by it
    std::optional<float> Attack;      // damage caused is multiplied by it
    std::optional<float> Turret;      // damage taken from any hit with a causer is multiplied by it
    std::optional<float> Food;
    std::optional<float> Oxygen;
    std::optional<float> Stamina;
};

// The effective values of `entry`: resistance and attack 0 and -1, turret 0, consumption -1 are unchanged.
inline EffectiveValues Effective(const BalancedDino& entry)
{
    const auto unless = [](float value, float unset1, float unset2) {
        return value == unset1 || value == unset2 ? std::nullopt : std::optional<float>(value);
    };
    return EffectiveValues{
        entry.AllowTame,
        entry.AllowBreed,
        entry.AllowRide,
        !entry.DisableNet,
        unless(entry.DamageResistanceMultiplier, 0.0f, -1.0f),
        unless(entry.AttackDamageMultiplier, 0.0f, -1.0f),
        unless(entry.TurretDamageMultiplier, 0.0f, 0.0f),
        unless(entry.ReducedFoodConsumptionSpeedMultiplier, -1.0f, -1.0f),
        unless(entry.ReducedOxygenConsumptionSpeedMultiplier, -1.0f, -1.0f),
        unless(entry.ReducedStaminaConsumptionSpeedMultiplier, -1.0f, -1.0f),
    };
}

}  // namespace check
