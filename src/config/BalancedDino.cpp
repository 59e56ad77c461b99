#include "config/BalancedDino.h"

#include "config/BalanceKeys.h"

BalancedDino::BalancedDino()
{
    for (const BalanceKey& key : kBalanceKeys) {
        if (key.IsSwitch()) {
            this->*key.Switch = key.Default != 0.0f;
        } else {
            this->*key.Multiplier = key.Default;
        }
        if (key.SideMultiplier != nullptr) {
            for (const DamageSide& side : kDamageSides) {
                this->*side.Settings.*key.SideMultiplier = key.Default;
            }
        }
    }
}
