#pragma once
// Food, stamina and oxygen consumption rates of live dinos, taken from a fresh dino of the same
// class and level times the species' multipliers, so that applying them again never compounds.

#include "config/BalancedDino.h"
#include "host/GameTypes.h"

class BalanceTable;

// Applies the entry in effect's consumption rates to `dino` when it is a living dino of a player
// team. With the `previous` table of a reload, a group that table changed and `table` no longer
// does is set back to the game's own rates.
void ApplyDinoBalance(const BalanceTable& table, APrimalDinoCharacter* dino, const BalanceTable* previous = nullptr);
// Applies ApplyDinoBalance to every dino in the world whose team is 10000 or more.
void ApplyToExistingDinos(const BalanceTable& table, const BalanceTable* previous = nullptr);
// Sets the dino's rates from a temporary dino of its class and level times the entry's multipliers.
void ApplyConsumptionRates(APrimalDinoCharacter* dino, BalancedDino entry);
