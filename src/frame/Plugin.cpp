// The plugin's life from start to end, in the order it happens: process attach and Load, Reload
// while the server runs, process detach and Unload. What Load adds to the host, detach takes
// away again: the hook container of HookRegistry.h and the commands of CommandManager.h.

#include "frame/Plugin.h"

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "balance/BalanceHooks.h"
#include "balance/ConsumptionRates.h"
#include "balance/RateLedger.h"
#include "commands/InfoCommands.h"
#include "commands/ReloadCommands.h"
#include "config/BalanceTable.h"
#include "config/ConfigFile.h"
#include "config/LikelyMistakes.h"
#include "config/TableChanges.h"
#include "frame/CommandManager.h"
#include "frame/HookRegistry.h"
#include "frame/MapName.h"
#include "host/GameNames.h"
#include "host/HostApi.h"
#include "logging/LogText.h"
#include "logging/Logger.h"

namespace {

// The one plugin object. Its pointers are plain and it is never destroyed through the base.
DinoTuner dinoTuner;

// Likely mistakes named one by one in the log; a file can hold a million of them, and each line
// is written on the game thread.
constexpr std::size_t kMaxMistakesLogged = 20;
// A finding quotes keys of any length: the log line and the reply keep the start.
constexpr std::size_t kMaxMistakeCharacters = 300;
// The revision an admin compares with sha256sum: its first hex digits.
constexpr std::size_t kRevisionDigits = 12;

// Attach and detach run inside the system's notification, where an exception must not escape:
// a plugin that cannot start must stay inert rather than take the server down, and detach must
// run to its end, as a hook or command left behind would point into an unmapped library. The
// failure is logged; `unknown` is the line for one that is not a standard exception.
template <typename Step>
void Guarded(Step step, const char* unknown)
{
    try {
        step();
    } catch (const std::exception& error) {
        if (const auto& logger = GetLogger()) {
            logger->error(error.what());
        }
    } catch (...) {
        if (const auto& logger = GetLogger()) {
            logger->error(unknown);
        }
    }
}

// Fills `table` from `document` as it stands on this server's map: the map's name is read from the
// game at every fill, and its section of "Maps" put over the base first. The map's skipped
// entries count with the base's. The state of the map is kept in `config` once the fill succeeded.
LoadReport FillForMap(ConfigFile& config, BalanceTable& table, nlohmann::json& document, TableChanges* changes)
{
    std::string whyNot;
    const std::optional<std::string> mapName = ReadMapName(whyNot);
    MapReport map = ApplyMapSection(document, mapName);
    map.Map.ReadError = whyNot;
    if (map.Map.FileHasMaps) {
        if (!mapName) {
            GetLogger()->warn("The map's name could not be read ({}): only the base of the file applies, no section of \"Maps\"", whyNot);
        } else if (!map.Map.Section.empty()) {
            GetLogger()->info("Map \"{}\": its section \"{}\" in \"Maps\" applies", *mapName, map.Map.Section);
        } else {
            GetLogger()->info("Map \"{}\": no section in \"Maps\", only the base applies", *mapName);
        }
    }
    LoadReport report = table.LoadBalances(document, changes);
    report.Entries += static_cast<std::int32_t>(map.Failures.size());
    report.Failures.insert(report.Failures.begin(), map.Failures.begin(), map.Failures.end());
    config.Map = std::move(map.Map);
    return report;
}

// Fills the table for the map once the game has its world, which it has not yet when the server
// loads its plugins: the table in effect until then is the base's. Runs inside a hook: it
// throws nothing.
void FillAtWorldStart(ConfigFile& config, BalanceTable& table)
{
    try {
        nlohmann::json document = config.Document;  // as read: no map section was put over it
        TableChanges changes;
        const LoadReport report = FillForMap(config, table, document, &changes);
        dinoTuner.TableInEffect.Entries = report.Entries;
        dinoTuner.TableInEffect.Skipped = static_cast<std::int32_t>(report.Failures.size());
        for (const std::string& line : changes.Describe()) {
            GetLogger()->info(line);
        }
        config.Document = std::move(document);
    } catch (const std::exception& error) {
        GetLogger()->error(error.what());
    } catch (...) {
        GetLogger()->error("Filling the table for the map failed with an unknown error");
    }
}

// Waits for the first BeginPlay that sees the game's world, then fills the table for the map.
void FillWhenWorldStarts(ConfigFile* config, BalanceTable* table)
{
    RunAtNextBeginPlay([config, table] {
        if (ArkApi::GetApiUtils().GetWorld() == nullptr) {
            FillWhenWorldStarts(config, table);
        } else {
            FillAtWorldStart(*config, *table);
        }
    });
}

// After a fill: when the file has map sections and the map could not be read only because the
// game has no world yet, the table is filled for the map once it has one; otherwise nothing waits.
void AwaitWorldForMap(ConfigFile& config, BalanceTable& table)
{
    if (config.Map.FileHasMaps && !config.Map.Name && ArkApi::GetApiUtils().GetWorld() == nullptr) {
        GetLogger()->info("The map's name is read again when the game has its world");
        FillWhenWorldStarts(&config, &table);
    } else {
        RunAtNextBeginPlay(nullptr);
    }
}

}  // namespace

ArkPlugin* ArkPluginInstance = &dinoTuner;

DinoTuner& ThePlugin()
{
    return dinoTuner;
}

int OnEntryPointNotification(unsigned long reason)
{
    if (reason == ProcessAttach) {
        AttachProcess();
    } else if (reason == ProcessDetach) {
        DetachProcess();
    }
    return 1;
}

// ---- start-up ----------------------------------------------------------------------------

void AttachProcess()
{
    ArkPluginInstance->HookList = new std::vector<Hook*>();
    ArkPluginInstance->Commands = new CommandManager();
    Guarded([] { ArkPluginInstance->Load(); }, "Load failed with an unknown error");
}

void DinoTuner::Load()
{
    InitLogger(GetLogger(), "DinoTuner");
    GetLogger()->info("DinoTuner {} loaded", DINOTUNER_VERSION);

    // Every game name is asked for once, here. One the host does not know (a game update renamed
    // or removed it) switches off the rules that need it, which never touch it from then on.
    UnknownGameNames.clear();
    for (const game::Name* name : game::ResolveGameNames()) {
        UnknownGameNames.emplace_back(name->Text());
        GetLogger()->warn("The host does not know the game name \"{}\": switched off: {}", name->Text(),
                          game::DescribeRules(name->NeededBy()));
    }

    Config = new ConfigFile(ConfigFile::PluginPath("DinoTuner/config.json"));
    Balances = new BalanceTable();
    Rates = new RateLedger();
    // A file that cannot be read or filled at start must not lock the admin out: the plugin
    // still installs its hooks and commands, with a table that changes nothing, and a reload of
    // the fixed file brings the balances in.
    TableInEffect = TableFacts();
    LastFailure = FailedAttempt();
    try {
        const std::string readAt = TimeNow();
        Config->Read();
        GetLogger()->info("Config Loaded!");
        const LoadReport report = FillForMap(*Config, *Balances, Config->Document, nullptr);
        const auto mistakes = LogLikelyMistakes(Config->Document);
        TableInEffect = {true,   Config->Sha256.substr(0, kRevisionDigits), readAt, report.Entries, static_cast<std::int32_t>(report.Failures.size()),
                         mistakes.first};
        AwaitWorldForMap(*Config, *Balances);
    } catch (const std::exception& error) {
        GetLogger()->error(error.what());
        GetLogger()->warn("No balances are in effect until DinoTuner.Reload reads a good file");
        LastFailure = {true, TimeNow(), error.what()};
    }

    if (ArkApi::GetApiUtils().GetStatus() == ArkApi::ServerStatus::Ready) {
        ApplyToExistingDinos(*Balances, *Rates);
    }

    Hook* hooks = new DeriRuderizuHooks(*Balances, *Rates);
    try {
        hooks->RegisterHooks();
    } catch (...) {
        // Not on the list yet, so detach would never remove what was installed so far.
        TearDownHookContainer(*HookList, hooks);
        throw;
    }
    HookList->push_back(hooks);

    RegisterCommands();
}

void DinoTuner::RegisterCommands()
{
    // The commands reach the plugin only through the actions they are given.
    const ReloadAction reload = [this] { return Reload(); };
    Commands->registerCommand(new ReloadCmdCommand(reload));
    Commands->registerCommand(new ReloadRCONCommand(reload));
    const InfoAction status = [this](const std::string&) { return StatusReply(*this); };
    const InfoAction show = [this](const std::string& species) { return ShowReply(*this, species); };
    const InfoAction species = [this](const std::string&) { return SpeciesReply(*this); };
    for (const auto& [name, action] : {std::pair{"DinoTuner.Status", status}, {"DinoTuner.Show", show}, {"DinoTuner.Species", species}}) {
        Commands->registerCommand(new InfoConsoleCommand(name, action));
        Commands->registerCommand(new InfoRconCommand(name, action));
    }
}

std::pair<std::int32_t, std::string> DinoTuner::LogLikelyMistakes(const nlohmann::json& document)
{
    const std::vector<LikelyMistake> mistakes = FindLikelyMistakes(document);
    for (std::size_t i = 0; i < mistakes.size() && i < kMaxMistakesLogged; ++i) {
        GetLogger()->warn(Capped(Describe(mistakes[i]), kMaxMistakeCharacters));
    }
    if (mistakes.size() > kMaxMistakesLogged) {
        GetLogger()->warn("... and {} more warnings (dinotuner-check lists them all)", mistakes.size() - kMaxMistakesLogged);
    }
    return {static_cast<std::int32_t>(mistakes.size()), mistakes.empty() ? std::string() : Capped(Describe(mistakes.front()), kMaxMistakeCharacters)};
}

// ---- while the server runs ---------------------------------------------------------------

ReloadResult DinoTuner::Reload()
{
    ReloadResult result;
    if (Config == nullptr || Balances == nullptr || Rates == nullptr) {
        result.Error = "the plugin was never loaded";
        GetLogger()->error(result.Error);
        return result;
    }
    const std::string attemptAt = TimeNow();
    try {
        // The table changes only once the whole new document has been read, so a broken file never
        // leaves the running table half rebuilt.
        std::string sha256;
        nlohmann::json document = Config->Parse(nullptr, &sha256);
        TableChanges changes;
        const LoadReport report = FillForMap(*Config, *Balances, document, &changes);
        Config->Document = std::move(document);
        Config->Sha256 = std::move(sha256);
        AwaitWorldForMap(*Config, *Balances);
        result.Entries = report.Entries;
        result.Skipped = static_cast<std::int32_t>(report.Failures.size());
        result.FirstSkipped = report.Failures.empty() ? std::string() : report.Failures.front().Message;
        for (const std::string& line : changes.Describe()) {
            GetLogger()->info(line);
        }
        std::tie(result.Warnings, result.FirstWarning) = LogLikelyMistakes(Config->Document);
        TableInEffect = {true, Config->Sha256.substr(0, kRevisionDigits), attemptAt, result.Entries, result.Skipped, result.Warnings};
        LastFailure = FailedAttempt();
        // From here the new table is in effect. A failure while applying it is still reported
        // rather than let into the host's command callback.
        result.DinosKeepingOtherRates = ApplyToExistingDinos(*Balances, *Rates);
        if (HookList != nullptr) {
            for (Hook* hook : *HookList) {
                hook->OnReload();
            }
        }
    } catch (const std::exception& error) {
        GetLogger()->error(error.what());
        result.Error = error.what();
        LastFailure = {true, attemptAt, result.Error};
        return result;
    } catch (...) {
        result.Error = "unknown error";
        GetLogger()->error(result.Error);
        LastFailure = {true, attemptAt, result.Error};
        return result;
    }
    result.Succeeded = true;
    return result;
}

// ---- shut-down ---------------------------------------------------------------------------

void DetachProcess()
{
    constexpr const char* kUnknown = "Detach step failed with an unknown error";
    if (std::vector<Hook*>* hooks = ArkPluginInstance->HookList) {
        while (!hooks->empty()) {
            Hook* container = hooks->front();
            bool tornDown = false;
            Guarded([&] { container->OnUnload(); }, kUnknown);
            Guarded([&] { TearDownHookContainer(*hooks, container); tornDown = true; }, kUnknown);
            if (!tornDown) {
                hooks->erase(hooks->begin());  // its teardown threw before taking it off the list
            }
        }
    }
    if (CommandManager* commands = ArkPluginInstance->Commands) {
        for (std::int32_t i = 0; i < commands->Count(); ++i) {
            Guarded([&] { commands->unregisterCommand(commands->Elements()[i]); }, kUnknown);
        }
    }
    ArkPluginInstance->Unload();
}

// Nothing is written to dinos here: the process may be exiting, and the game's objects with it.
void DinoTuner::Unload()
{
    RunAtNextBeginPlay(nullptr);
}
