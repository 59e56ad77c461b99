#include "frame/Plugin.h"

#include <exception>
#include <utility>

#include "balance/ConsumptionRates.h"
#include "commands/ReloadCommands.h"
#include "config/BalanceTable.h"
#include "config/ConfigFile.h"
#include "config/TableChanges.h"
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

    Config = new ConfigFile(ConfigFile::PluginPath("DinoTuner/config.json"));
    Balances = new BalanceTable();
    // A file that cannot be read or filled at start must not lock the admin out: the plugin
    // still installs its hooks and commands, with a table that changes nothing, and a reload of
    // the fixed file brings the balances in.
    try {
        Config->Read();
        GetLogger()->info("Config Loaded!");
        Balances->LoadBalances(Config->Document);
    } catch (const std::exception& error) {
        GetLogger()->error(error.what());
        GetLogger()->warn("No balances are in effect until DinoTuner.Reload reads a good file");
    }

    if (ArkApi::GetApiUtils().GetStatus() == ArkApi::ServerStatus::Ready) {
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
    if (Config == nullptr || Balances == nullptr) {
        result.Error = "the plugin was never loaded";
        GetLogger()->error(result.Error);
        return result;
    }
    try {
        // The table changes only once the whole new document has been read, so a broken file never
        // leaves the running table half rebuilt.
        nlohmann::json document = Config->Parse();
        TableChanges changes;
        const LoadReport report = Balances->LoadBalances(document, &changes);
        Config->Document = std::move(document);
        result.Entries = report.Entries;
        result.Skipped = static_cast<std::int32_t>(report.Failures.size());
        result.FirstSkipped = report.Failures.empty() ? std::string() : report.Failures.front().Message;
        for (const std::string& line : changes.Describe()) {
            GetLogger()->info(line);
        }
        // From here the new table is in effect. A failure while applying it is still reported
        // rather than let into the host's command callback.
        ApplyToExistingDinos(*Balances, &changes);
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
