#include "config/EffectiveView.h"

#include <fmt/format.h>

std::string FactorText(const std::optional<float>& value, const char* operation)
{
    return value ? fmt::format("{}{}", operation, *value) : "-";
}

std::string EffectiveCell(const BalanceKey& key, const BalancedDino& entry)
{
    if (key.IsSwitch()) {
        return Allowed(key, entry) ? "yes" : "no";
    }
    const bool divides = key.Multiplier == &BalancedDino::DamageResistanceMultiplier;
    return FactorText(Factor(key, entry), divides ? "/" : "x");
}
