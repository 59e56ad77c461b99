#pragma once
// The plugin's one hook container: the six detours, installed in a fixed order.

#include "frame/Hook.h"

class DeriRuderizuHooks : public Hook {
public:
    // Installs TakeDamage, AddBuff, TameDino, DoMate, TryMultiUse and BeginPlay, in that order.
    void RegisterHooks() override;
    void OnReload() override {}
    void OnUnload() override {}
};
