#include "config/BalancedDino.h"

#include "config/BalanceKeys.h"

// Entries are made by the hundred thousand on a reload: the defaults are worked out from the key
// table once, and each new entry is a copy of them.
BalancedDino::BalancedDino() : BalancedDino(Defaults()) {}

const BalancedDino& BalancedDino::Defaults()
{
    static const BalancedDino defaults = [] {
        BalancedDino entry{Blank{}};
        for (const BalanceKey& key : kBalanceKeys) {
            if (key.IsSwitch()) {
                entry.*key.Switch = key.Default != 0.0f;
            } else {
                entry.*key.Multiplier = key.Default;
            }
            if (key.SideMultiplier != nullptr) {
                for (const DamageSide& side : kDamageSides) {
                    entry.*side.Settings.*key.SideMultiplier = key.Default;
                }
            }
        }
        return entry;
    }();
    return defaults;
}
