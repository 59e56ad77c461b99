#include "support/ProcessState.h"

#include <string>

#include "balance/BalanceHooks.h"
#include "frame/Plugin.h"
#include "host/GameNames.h"
#include "logging/Logger.h"
#include "standin/SimHost.h"
#include "world/World.h"

namespace testing_support {

void ResetProcessState()
{
    // The plugin never frees what it made (the host may still hold pointers into it), so a test's
    // objects are dropped here, not destroyed.
    ArkPluginInstance = &ThePlugin();
    DinoTuner& plugin = ThePlugin();
    plugin.HookList = nullptr;
    plugin.Commands = nullptr;
    plugin.Config = nullptr;
    plugin.Balances = nullptr;
    plugin.Rates = nullptr;
    plugin.UnknownGameNames.clear();
    RunAtNextBeginPlay(nullptr);
    GetLogger().reset();

    sim::ResetHost();
    sim::World::Get().Reset();
    // A test may have made the host forget a name: the handles learn every name afresh.
    game::ResolveGameNames();
    sim::SetLogOutput([](const std::string&) {});
}

}  // namespace testing_support
