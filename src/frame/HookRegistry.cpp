#include "frame/HookRegistry.h"

#include <algorithm>

#include "balance/BalanceHooks.h"
#include "host/HostApi.h"

void Hook::InstallAndRecord(const std::string& functionName, void* detour, void** slot)
{
    ArkApi::GetHooks().SetHook(functionName, detour, slot);
    Records.emplace_back(functionName, detour);
}

void DeriRuderizuHooks::RegisterHooks()
{
    for (const BalanceHook& hook : PrepareBalanceHooks(table_, rates_)) {
        // A function the host does not know would be patched at the game module's base.
        if (hook.Wanted()) {
            InstallAndRecord(hook.Function->Text(), hook.Detour, hook.Slot);
        }
    }
}

void TearDownHookContainer(std::vector<Hook*>& hookList, Hook* container)
{
    for (const HookDataBase& record : container->Records) {
        const std::string name = record.FunctionName;
        ArkApi::GetHooks().DisableHook(name, record.Detour);
    }
    const auto found = std::find(hookList.begin(), hookList.end(), container);
    if (found != hookList.end()) {
        hookList.erase(found);
    }
}
