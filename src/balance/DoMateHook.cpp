#include "balance/BlueprintPath.h"
#include "balance/Handlers.h"

void Hook_DoMate(APrimalDinoCharacter* dino, APrimalDinoCharacter* partner)
{
    // Only the dino the game runs the mating on decides; the partner's species plays no part.
    const std::shared_ptr<BalancedDino> entry = FindDinoBalance(dino);
    if (entry && !entry->AllowBreed) {
        return;
    }
    slots::DoMate(dino, partner);
}
