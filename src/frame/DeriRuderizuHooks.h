#pragma once
// The plugin's one hook container: the six balance detours of balance/BalanceHooks.cpp,
// installed in their fixed order with their handlers reading the plugin's table.

#include "frame/Hook.h"

class BalanceTable;

class DeriRuderizuHooks : public Hook {
public:
    // The handlers will read `table`, which must outlive the installed hooks.
    explicit DeriRuderizuHooks(const BalanceTable& table) : table_(table) {}
    // Installs TakeDamage, AddBuff, TameDino, DoMate, TryMultiUse and BeginPlay, in that order.
    void RegisterHooks() override;
    void OnReload() override {}
    void OnUnload() override {}

private:
    const BalanceTable& table_;
};
