#pragma once
// One balance entry: a species' switches and multipliers, or the global defaults. What each
// field means, its key in the file and its default are described in BalanceKeys.h. Entries are
// plain values: the table keeps them by key, and nothing in them needs the game's allocator.

struct BalancedDino {
    // Every field at the default of its key.
    BalancedDino();

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
