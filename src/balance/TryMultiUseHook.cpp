#include "balance/BlueprintPath.h"
#include "balance/Handlers.h"

namespace {

// The multi-use index of mounting a dino.
constexpr int kRideUseIndex = 100;

}  // namespace

bool Hook_TryMultiUse(APrimalDinoCharacter* dino, APlayerController* player, int useIndex)
{
    // Uses other than riding are frequent: they cost no lookup.
    if (useIndex != kRideUseIndex) {
        return slots::TryMultiUse(dino, player, useIndex);
    }
    const std::shared_ptr<BalancedDino> entry = FindDinoBalance(dino);
    if (entry && !entry->AllowRide) {
        return false;
    }
    return slots::TryMultiUse(dino, player, useIndex);
}
