#include "balance/BlueprintPath.h"
#include "balance/Handlers.h"
#include "config/BalanceTable.h"
#include "frame/Plugin.h"

void Hook_TameDino(APrimalDinoCharacter* dino, AShooterPlayerController* player, bool ignoreMaxTameLimit, int overrideTeam,
                   bool preventNameDialog, bool skipAddingTamedLevels, bool suppressNotifications)
{
    if (dino == nullptr) {
        slots::TameDino(dino, player, ignoreMaxTameLimit, overrideTeam, preventNameDialog, skipAddingTamedLevels, suppressNotifications);
        return;
    }
    const std::shared_ptr<BalancedDino> entry = FindDinoBalance(dino);
    if (entry && !entry->AllowTame) {
        return;
    }
    slots::TameDino(dino, player, ignoreMaxTameLimit, overrideTeam, preventNameDialog, skipAddingTamedLevels, suppressNotifications);

    // A new tame gets its species' rates at once rather than at its next BeginPlay or reload;
    // a tame the game did not carry out leaves the dino wild, and the application skips it.
    if (BalanceTable* table = ThePlugin().Balances) {
        table->ApplyDinoBalance(dino);
    }
}
