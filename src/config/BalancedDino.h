#pragma once
// One balance entry: a species' switches and multipliers, or the global defaults.

#include "host/FString.h"

struct BalancedDino {
    FString Name;
    bool AllowTame = true;
    bool AllowBreed = true;
    bool AllowRide = true;
    bool DisableNet = false;
    // Damage multipliers: 0.0 when the key is missing; each damage rule says what counts as not set.
    float AttackDamageMultiplier = 0.0f;
    float DamageResistanceMultiplier = 0.0f;
    float TurretDamageMultiplier = 0.0f;
    // Consumption multipliers: -1.0 leaves the group of rates alone.
    float ReducedFoodConsumptionSpeedMultiplier = -1.0f;
    float ReducedOxygenConsumptionSpeedMultiplier = -1.0f;
    float ReducedStaminaConsumptionSpeedMultiplier = -1.0f;
};
