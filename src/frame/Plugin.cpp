#include "frame/Plugin.h"

#include <exception>
#include <memory>
#include <utility>

#include "balance/ConsumptionRates.h"
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

    // Stored only once read: a file that cannot be read leaves the field empty.
    auto config = std::make_unique<ConfigFile>(ConfigFile::PluginPath("DinoTuner/config.json"));
    config->Read();
    Config = config.release();
    GetLogger()->info("Config Loaded!");

    // Stored before the fill, so a fill that fails still leaves the table with the plugin.
    Balances = new BalanceTable();
    Balances->LoadBalances(Config->Document);

    if (ArkApi::GetApiUtils().QueryServerState() == static_cast<int>(ServerStatus::Ready)) {
        ApplyToExistingDinos(*Balances);
    }

    Hook* hooks = new DeriRuderizuHooks(*Balances);
    try {
        hooks->RegisterHooks();
    } catch (...) {
        // Not on the list yet, so detach would never remove what was installed so far.
        TearDownHookContainer(*HookList, hooks);
        throw;
    }
    HookList->push_back(hooks);

    // The commands reach the plugin only through the reload they are given.
    const ReloadAction reload = [this] { return Reload(); };
    Commands->registerCommand(new ReloadCmdCommand(reload));
    Commands->registerCommand(new ReloadRCONCommand(reload));
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
            ApplyToExistingDinos(*Balances);
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
