#include "frame/DeriRuderizuHooks.h"

#include "balance/Handlers.h"

namespace {

template <typename Function>
void* AsDetour(Function* function)
{
    return reinterpret_cast<void*>(function);
}

template <typename Function>
void** AsSlot(Function** slot)
{
    return reinterpret_cast<void**>(slot);
}

}  // namespace

void DeriRuderizuHooks::RegisterHooks()
{
    InstallAndRecord("APrimalDinoCharacter.TakeDamage", AsDetour(&Hook_TakeDamage), AsSlot(&slots::TakeDamage));
    InstallAndRecord("APrimalBuff.AddBuff", AsDetour(&Hook_AddBuff), AsSlot(&slots::AddBuff));
    InstallAndRecord("APrimalDinoCharacter.TameDino", AsDetour(&Hook_TameDino), AsSlot(&slots::TameDino));
    InstallAndRecord("APrimalDinoCharacter.DoMate", AsDetour(&Hook_DoMate), AsSlot(&slots::DoMate));
    InstallAndRecord("APrimalDinoCharacter.TryMultiUse", AsDetour(&Hook_TryMultiUse), AsSlot(&slots::TryMultiUse));
    InstallAndRecord("APrimalDinoCharacter.BeginPlay", AsDetour(&Hook_BeginPlay), AsSlot(&slots::BeginPlay));
}
