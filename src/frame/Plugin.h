#pragma once
// The plugin's life: the one plugin object, and what the entry point does with it at process
// attach (Load) and detach (Unload), and what a reload does in between.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "commands/ReloadResult.h"

#include "frame/Inspection.h"

class Hook;
class CommandManager;
class ConfigFile;
class BalanceTable;
class RateLedger;

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
    // The consumption rates this load wrote into dinos, the only ones it ever gives back. A new
    // load starts empty: it cannot know what an earlier load of the plugin wrote.
    RateLedger* Rates = nullptr;
    // The game names the host did not know at load, in the order of GameNames.h; their rules are off.
    std::vector<std::string> UnknownGameNames;
    // The file the table in effect was filled from, and the last attempt at reading one when it
    // failed (the table in effect stays): what DinoTuner.Status tells.
    TableFacts TableInEffect;
    FailedAttempt LastFailure;

private:
    // Logs each likely mistake of `document` (up to a limit) and returns how many there are and the first.
    static std::pair<std::int32_t, std::string> LogLikelyMistakes(const nlohmann::json& document);
    // Makes the commands of Load: the reload's and the three that tell what is in effect.
    void RegisterCommands();
};

// The one plugin object, for the entry point and the tests; nothing else reaches it.
DinoTuner& ThePlugin();
// The process-wide pointer to it, set during static initialisation, through which the entry point works.
extern ArkPlugin* ArkPluginInstance;

// Entry-point reasons, as the system numbers them.
enum EntryReason : unsigned long {
    ProcessDetach = 0,
    ProcessAttach = 1,
    ThreadAttach = 2,
    ThreadDetach = 3,
};

// Handles one entry-point notification, apart from the platform's signature; returns 1 for every reason.
int OnEntryPointNotification(unsigned long reason);
// Process attach: empty hook list and command manager, then Load; a failing Load is logged.
void AttachProcess();
// Process detach: tear down every hook container, withdraw every command, then Unload.
void DetachProcess();
