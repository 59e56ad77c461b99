#pragma once
// Food, stamina and oxygen consumption rates of live dinos, taken from a fresh dino of the same
// class and level times the species' multipliers, so that applying them again never compounds.

#include "config/BalancedDino.h"
#include "host/GameTypes.h"

class BalanceTable;
class TableChanges;

// Applies the consumption rates of the balance in effect to `dino` when it is a living dino of a
// player team. With the `changes` of a reload, a group the table set before and no longer sets
// is given back the game's own rates.
void ApplyDinoBalance(const BalanceTable& table, APrimalDinoCharacter* dino, const TableChanges* changes = nullptr);
// Applies ApplyDinoBalance to every dino in the world whose team is 10000 or more, with one
// temporary dino for all the dinos of the same class and levels.
void ApplyToExistingDinos(const BalanceTable& table, const TableChanges* changes = nullptr);
// Sets the dino's rates from a temporary dino of its class and level times the entry's multipliers
// (within a sweep, one temporary dino serves every dino of the same class and levels).
void ApplyConsumptionRates(APrimalDinoCharacter* dino, const BalancedDino& entry);
