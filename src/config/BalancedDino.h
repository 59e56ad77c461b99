#pragma once
// One balance entry: a species' switches and multipliers, or the global defaults. What each
// field means, its key in the file and its default are described in BalanceKeys.h.

#include "host/FString.h"

struct BalancedDino {
    // Every field at the default of its key.
    BalancedDino();

    FString Name;
    bool AllowTame{};
    bool AllowBreed{};
    bool AllowRide{};
    bool DisableNet{};
    float AttackDamageMultiplier{};
    float DamageResistanceMultiplier{};
    float TurretDamageMultiplier{};
    float ReducedFoodConsumptionSpeedMultiplier{};
    float ReducedOxygenConsumptionSpeedMultiplier{};
    float ReducedStaminaConsumptionSpeedMultiplier{};
};
