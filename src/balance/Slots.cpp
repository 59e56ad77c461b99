#include "balance/Handlers.h"

namespace slots {
float (*TakeDamage)(APrimalDinoCharacter*, float, FDamageEvent*, AController*, AActor*) = nullptr;
APrimalBuff* (*AddBuff)(APrimalBuff*, ACharacter*, AActor*) = nullptr;
void (*TameDino)(APrimalDinoCharacter*, AShooterPlayerController*, bool, int, bool, bool, bool) = nullptr;
void (*DoMate)(APrimalDinoCharacter*, APrimalDinoCharacter*) = nullptr;
bool (*TryMultiUse)(APrimalDinoCharacter*, APlayerController*, int) = nullptr;
void (*BeginPlay)(APrimalDinoCharacter*) = nullptr;
}  // namespace slots
