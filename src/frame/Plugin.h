#pragma once
// The plugin object: one static DinoTuner, reached by the entry point through ArkPluginInstance.

#include <vector>

#include "commands/ReloadResult.h"

class Hook;
class CommandManager;
class ConfigFile;
class BalanceTable;

// Base of the plugin class, as the entry point knows it.
class ArkPlugin {
public:
    // Starts the plugin: logger, configuration, table, sweep, hooks, commands.
    virtual void Load() = 0;
    // Last step of detach.
    virtual void Unload() = 0;

    std::vector<Hook*>* HookList = nullptr;
    CommandManager* Commands = nullptr;

protected:
    ArkPlugin() = default;
    // No virtual destructor: the plugin object is never destroyed through this base.
    ~ArkPlugin() = default;
};

class DinoTuner : public ArkPlugin {
public:
    void Load() override;
    void Unload() override;
    // Re-reads the file and rebuilds the table; never throws. The old table stays when the file
    // cannot be read or filled; a failure after that (sweep, hook container) is reported too.
    virtual ReloadResult Reload();

    ConfigFile* Config = nullptr;
    BalanceTable* Balances = nullptr;
};

// The one plugin object, for the entry point and the tests; nothing else reaches it.
DinoTuner& ThePlugin();
// The process-wide pointer to it, set during static initialisation, through which the entry point works.
extern ArkPlugin* ArkPluginInstance;
