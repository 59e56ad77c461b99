#pragma once
// Food, stamina and oxygen consumption rates of live dinos, taken from a fresh dino of the same
// class and level times the species' multipliers, so that applying them again never compounds.

#include "config/BalancedDino.h"
#include "host/GameTypes.h"

// Sets the dino's rates from a temporary dino of its class and level times the entry's multipliers.
void ApplyConsumptionRates(APrimalDinoCharacter* dino, BalancedDino entry);
