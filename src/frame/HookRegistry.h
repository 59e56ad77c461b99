#pragma once
// The hook registry: hook containers install groups of detours through the host and record each
// one, so that detach can take every one of them away again. The plugin has one container,
// DeriRuderizuHooks, with the six balance detours.

#include <string>
#include <utility>
#include <vector>

class BalanceTable;
class RateLedger;

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

// The plugin's one hook container: the six balance detours of balance/BalanceHooks.cpp,
// installed in their fixed order with their handlers reading the plugin's table.
class DeriRuderizuHooks : public Hook {
public:
    // The handlers will read `table` and record the rates they write in `rates`; both must
    // outlive the installed hooks.
    DeriRuderizuHooks(const BalanceTable& table, RateLedger& rates) : table_(table), rates_(rates) {}
    // Installs TakeDamage, AddBuff, TameDino, DoMate, TryMultiUse and BeginPlay, in that order,
    // leaving out each one whose game function the host does not know or whose rules are all off.
    void RegisterHooks() override;
    void OnReload() override {}
    void OnUnload() override {}

private:
    const BalanceTable& table_;
    RateLedger& rates_;
};

// Removes every hook `container` recorded, then takes the container off `hookList` (first match only).
void TearDownHookContainer(std::vector<Hook*>& hookList, Hook* container);
