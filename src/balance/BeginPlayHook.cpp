#include "balance/Handlers.h"
#include "config/BalanceTable.h"
#include "frame/Plugin.h"

void Hook_BeginPlay(APrimalDinoCharacter* dino)
{
    slots::BeginPlay(dino);
    if (BalanceTable* table = ThePlugin().Balances) {
        table->ApplyDinoBalance(dino);
    }
}
