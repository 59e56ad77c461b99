#pragma once
// The balance of a game object's species. The path of a class is formed and looked up once per
// table fill; after that, a hit or a ride finds its balance without asking the host or the game
// for anything but the object's class.

#include <string>

#include "config/BalancedDino.h"
#include "host/GameTypes.h"

class BalanceTable;

// Wild dinos sit at or below this team; the game's tamed and player teams lie above it.
inline constexpr int kTamedTeamThreshold = 5000;

// The species entry in `table` for the object's class, or null; never the global entry. Valid until the next fill.
const BalancedDino* FindDinoBalance(const BalanceTable& table, const UObject* object);
// The damage multipliers in effect for the object (a dino, a structure, any actor): those of its
// species entry, with the entry's "Tamed" or "Wild" values where they are set, by the dino's team;
// null when the species has no entry. Valid until the next fill.
const DamageSettings* DamageInEffect(const BalanceTable& table, const UObject* object);
// The balance in effect for the dino: its species entry in `table`, or else the global entry, whole.
const BalancedDino& BalanceInEffect(const BalanceTable& table, const UObject* dino);
// The species key of the object's class (its blueprint path in UTF-8); empty for a null object or class.
const std::string& SpeciesKeyOf(const BalanceTable& table, const UObject* object);
