#pragma once
// An entry's values as the balancing rules use them, as dinotuner-check's table and
// DinoTuner.Show show them: a value that counts as not set leaves the game as it is, whatever
// number stands in the file, and shows as "-".

#include <optional>
#include <string>

#include "config/BalanceKeys.h"

// True when the action a switch governs stays allowed (the switch is at its default).
inline bool Allowed(const BalanceKey& key, const BalancedDino& entry)
{
    return !key.IsSet(ValueOf(key, entry));
}

// The factor a multiplier applies, or none when it counts as not set (the game's value stays).
inline std::optional<float> Factor(const BalanceKey& key, const BalancedDino& entry)
{
    const float value = ValueOf(key, entry);
    return key.IsSet(value) ? std::optional<float>(value) : std::nullopt;
}

// The factor a damage key applies to the dinos of `side` ("Tamed" or "Wild"): the side's value
// where it sets one, else the entry's own; none when that counts as not set.
inline std::optional<float> Factor(const BalanceKey& key, const BalancedDino& entry, const DamageSide& side)
{
    const float value = DamageValueFor(key, entry, &side);
    return key.IsSet(value) ? std::optional<float>(value) : std::nullopt;
}

// "x0.5" (or "/2" with `operation` "/") for a factor, "-" for none.
std::string FactorText(const std::optional<float>& value, const char* operation);
// The key's effect on the entry in one cell: "yes"/"no" for a switch (is the action allowed),
// "/2" for the resistance (it divides), "x0.5" for another multiplier, "-" for unchanged.
std::string EffectiveCell(const BalanceKey& key, const BalancedDino& entry);
