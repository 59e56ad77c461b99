#pragma once
// The plugin object: one static DinoTuner, reached by the entry point through ArkPluginInstance.

#include <string>
#include <vector>

class Hook;
class CommandManager;
class ConfigFile;
class BalanceTable;

// What a reload did: whether the new file took effect, and the logged error text when it did not.
struct ReloadResult {
    bool Succeeded = false;
    std::string Error;
};

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

// The one plugin object and the process-wide pointer to it, set during static initialisation.
DinoTuner& ThePlugin();
extern ArkPlugin* ArkPluginInstance;
