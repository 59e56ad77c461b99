#include "balance/BlueprintPath.h"
#include "balance/Handlers.h"
#include "config/BalanceTable.h"
#include "frame/Plugin.h"
#include "host/GameAccess.h"

namespace {

// Teams above this belong to players; wild dinos sit at or below it.
constexpr int kTamedTeamThreshold = 5000;

}  // namespace

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

    // A new tame gets its species' rates at once rather than at its next BeginPlay or reload.
    BalanceTable* table = ThePlugin().Balances;
    if (table != nullptr && game::Read<int>(dino, "AActor.TargetingTeam") > kTamedTeamThreshold) {
        table->ApplyDinoBalance(dino);
    }
}
