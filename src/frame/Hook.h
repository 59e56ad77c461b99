#pragma once
// Hook containers: a group of detours installed together through the host and recorded, so
// that detach can take every one of them away again.

#include <string>
#include <utility>
#include <vector>

// One installed hook: the game function's name and the detour the host routes it to.
struct HookDataBase {
    virtual ~HookDataBase() = default;
    HookDataBase(std::string functionName, void* detour) : FunctionName(std::move(functionName)), Detour(detour) {}
    HookDataBase(const HookDataBase&) = default;
    HookDataBase& operator=(const HookDataBase&) = default;

    std::string FunctionName;
    void* Detour = nullptr;
};

// Base of every hook container.
class Hook {
public:
    virtual ~Hook() = default;
    // Installs this container's hooks through the host and records each one.
    virtual void RegisterHooks() = 0;
    // Told after every successful reload of the plugin.
    virtual void OnReload() = 0;
    // Told at detach, just before the container's hooks are removed.
    virtual void OnUnload() = 0;

    std::vector<HookDataBase> Records;

protected:
    // Installs one hook (the host writes the game's entry into *slot) and records it whatever the host answered.
    void InstallAndRecord(const std::string& functionName, void* detour, void** slot);
};

// Removes every hook `container` recorded, then takes the container off `hookList` (first match only).
void TearDownHookContainer(std::vector<Hook*>& hookList, Hook* container);
