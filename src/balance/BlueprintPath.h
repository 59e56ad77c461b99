#pragma once
// How a game object's species is named, and how its balance entry is found.

#include <memory>

#include "config/BalancedDino.h"
#include "host/FString.h"
#include "host/GameTypes.h"

class BalanceTable;

// "Blueprint'" + the class's string reference less its last two characters + "'"; empty for a null object or class.
FString MakeBlueprintPath(const UObject* object);
// A fresh copy of the species entry in `table` for the object's class, or null; never the global entry.
std::shared_ptr<BalancedDino> FindDinoBalance(const BalanceTable& table, const UObject* object);
// The species entry for the dino in `table`, or else a copy of its global entry, whole.
BalancedDino EntryInEffect(const BalanceTable& table, const UObject* dino);
