#pragma once
// The six game functions the plugin detours, their handlers, and the order they are installed in.

#include <array>
#include <functional>

#include "host/GameAccess.h"
#include "host/GameTypes.h"

class BalanceTable;
class RateLedger;

// One detour: the game function (its name, and the rules its hook serves), the handler, and the
// slot the host fills with the game's own entry, through which the handler lets the game run.
struct BalanceHook {
    const game::Name* Function;
    void* Detour;
    void** Slot;

    // True when the hook is to be installed: the host knows its function and one of its rules is on.
    bool Wanted() const;
};

// Points every handler at `table` and at the record `rates` of rates written, and returns the
// six hooks in install order.
const std::array<BalanceHook, 6>& PrepareBalanceHooks(const BalanceTable& table, RateLedger& rates);

// Has `action` run once, at the next BeginPlay, after the game's and before the dino's rates: by
// then the game has its world, which it may not have yet when the plugin loads with the server.
// An empty action cancels one not yet run.
void RunAtNextBeginPlay(std::function<void()> action);

// The handlers, as the game calls them once installed.
// Scales the damage by the victim's resistance, the causer's attack and the victim's further factor.
float Hook_TakeDamage(APrimalDinoCharacter* dino, float damage, FDamageEvent* event, AController* instigator, AActor* causer);
// Refuses the net buff for species with DisableNet; returns the game's result or null.
APrimalBuff* Hook_AddBuff(APrimalBuff* buff, ACharacter* character, AActor* other);
// Refuses taming for species with AllowTame false; applies the species' rates to a new tame.
void Hook_TameDino(APrimalDinoCharacter* dino, AShooterPlayerController* player, bool ignoreMaxTameLimit, int overrideTeam,
                   bool preventNameDialog, bool skipAddingTamedLevels, bool suppressNotifications);
// Refuses mating for species with AllowBreed false.
void Hook_DoMate(APrimalDinoCharacter* dino, APrimalDinoCharacter* partner);
// Refuses riding (use index 100) for species with AllowRide false.
bool Hook_TryMultiUse(APrimalDinoCharacter* dino, APlayerController* player, int useIndex);
// Lets the game's BeginPlay run, then applies the species' consumption rates.
void Hook_BeginPlay(APrimalDinoCharacter* dino);
