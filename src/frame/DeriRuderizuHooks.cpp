#include "frame/DeriRuderizuHooks.h"

#include "balance/BalanceHooks.h"

void DeriRuderizuHooks::RegisterHooks()
{
    for (const BalanceHook& hook : PrepareBalanceHooks(table_)) {
        InstallAndRecord(hook.FunctionName, hook.Detour, hook.Slot);
    }
}
