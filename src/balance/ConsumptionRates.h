#pragma once
// Food, stamina and oxygen consumption rates of live dinos, taken from a fresh dino of the same
// class and level times the species' multipliers, so that applying them again never compounds.
// What the plugin writes is recorded per dino (RateLedger.h), and only that is ever given back.

#include <cstdint>

#include "balance/RateLedger.h"
#include "config/BalancedDino.h"
#include "host/GameTypes.h"

class BalanceTable;

// Brings `dino`, when it is a living dino of a player team (above 5000), to the rates of the
// balance in effect: sets each group the balance sets, and gives back the game's own rates for
// each group the plugin set before and the balance no longer sets (while the dino still carries
// what the plugin wrote). A group whose reference dino cannot be spawned stays as it is, and a
// give-back stays pending for the next application. `ledger` records what was written.
void ApplyDinoBalance(const BalanceTable& table, RateLedger& ledger, APrimalDinoCharacter* dino);
// ApplyDinoBalance for every dino in the world whose team is 10000 or more, with one temporary
// dino for all the dinos of the same class and levels; drops the records of dinos that are gone.
// Logs, per species, how many dinos keep another rate because no reference dino could be
// spawned for them, and returns how many they are in all.
std::int32_t ApplyToExistingDinos(const BalanceTable& table, RateLedger& ledger);
