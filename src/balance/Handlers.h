#pragma once
// The six detours and the game-function slots through which they call the game's own code.
// The host fills each slot when it installs the hook.

#include <cstdint>

#include "host/GameTypes.h"

namespace slots {
extern float (*TakeDamage)(APrimalDinoCharacter*, float, FDamageEvent*, AController*, AActor*);
extern APrimalBuff* (*AddBuff)(APrimalBuff*, ACharacter*, AActor*);
extern void (*TameDino)(APrimalDinoCharacter*, AShooterPlayerController*, bool, int, bool, bool, bool);
extern void (*DoMate)(APrimalDinoCharacter*, APrimalDinoCharacter*);
extern bool (*TryMultiUse)(APrimalDinoCharacter*, APlayerController*, int);
extern void (*BeginPlay)(APrimalDinoCharacter*);
}  // namespace slots

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
