#pragma once
// One balance entry: a species' switches and multipliers, or the global defaults. What each
// field means, its key in the file and its default are described in BalanceKeys.h. Entries are
// plain values: the table keeps them by key, and nothing in them needs the game's allocator.

// The damage multipliers a species entry's "Tamed" or "Wild" object writes, for its tamed or its
// wild dinos alone. A key the object does not set (or sets to a "not set" value) leaves the
// entry's own value in effect for those dinos.
struct DamageSettings {
    float AttackDamageMultiplier{};
    float DamageResistanceMultiplier{};
    float TurretDamageMultiplier{};
};

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
    // What the entry's "Tamed" and "Wild" objects set; all at the defaults when it has none.
    DamageSettings Tamed;
    DamageSettings Wild;

private:
    struct Blank {};
    // Every field zero: the defaults are written over it once, and copied from then on.
    explicit BalancedDino(Blank) {}
    static const BalancedDino& Defaults();
};
