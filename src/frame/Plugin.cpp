#include "frame/Plugin.h"

#include <exception>
#include <utility>

#include "balance/Handlers.h"
#include "commands/ReloadCommands.h"
#include "config/BalanceTable.h"
#include "config/ConfigFile.h"
#include "frame/CommandManager.h"
#include "frame/DeriRuderizuHooks.h"
#include "host/HostApi.h"
#include "logging/Logger.h"

namespace {

// The one plugin object. Its pointers are plain and it is never destroyed through the base.
DinoTuner dinoTuner;

}  // namespace

ArkPlugin* ArkPluginInstance = &dinoTuner;

DinoTuner& ThePlugin()
{
    return dinoTuner;
}

void DinoTuner::Load()
{
    InitLogger(GetLogger(), "DinoTuner");

    Config = new ConfigFile("DinoTuner/config.json");

    // Stored before the fill: the fill reads the configuration through the plugin object.
    Balances = new BalanceTable();
    Balances->LoadBalances();

    if (ArkApi::GetApiUtils().QueryServerState() == static_cast<int>(ServerStatus::Ready)) {
        Balances->ApplyToExistingDinos();
    }

    Hook* hooks = new DeriRuderizuHooks();
    try {
        hooks->RegisterHooks();
    } catch (...) {
        // Not on the list yet, so detach would never remove what was installed so far.
        TearDownHookContainer(*HookList, hooks);
        throw;
    }
    HookList->push_back(hooks);

    Commands->registerCommand(new ReloadCmdCommand());
    Commands->registerCommand(new ReloadRCONCommand());
}

void DinoTuner::Unload() {}

ReloadResult DinoTuner::Reload()
{
    ReloadResult result;
    if (Config == nullptr) {
        result.Error = "the configuration was never loaded";
        GetLogger()->error(result.Error);
        return result;
    }
    try {
        // The new document and table are built aside and only kept when both are complete, so
        // a broken file never leaves the running table half rebuilt.
        nlohmann::json document = Config->Parse();
        if (Balances != nullptr) {
            Balances->LoadBalances(document);
        }
        Config->Document = std::move(document);
        // From here the new table is in effect; a failure while applying it is still reported
        // rather than let into the host's command callback (reloading again is harmless).
        if (Balances != nullptr) {
            Balances->ApplyToExistingDinos();
        }
        if (HookList != nullptr) {
            for (Hook* hook : *HookList) {
                hook->OnReload();
            }
        }
    } catch (const std::exception& error) {
        GetLogger()->error(error.what());
        result.Error = error.what();
        return result;
    } catch (...) {
        result.Error = "unknown error";
        GetLogger()->error(result.Error);
        return result;
    }
    result.Succeeded = true;
    return result;
}
