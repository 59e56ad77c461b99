#include "frame/Hook.h"

#include <algorithm>

#include "host/HostApi.h"

void Hook::InstallAndRecord(const std::string& functionName, void* detour, void** slot)
{
    ArkApi::GetHooks().SetHook(functionName, detour, slot);
    Records.emplace_back(functionName, detour);
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
