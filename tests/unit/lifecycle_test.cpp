// Process attach and detach as the host delivers them: what the plugin creates, in what
// order, and that detach takes back exactly what load gave the host.

#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/BalanceTable.h"
#include "frame/CommandManager.h"
#include "frame/HookRegistry.h"
#include "frame/Plugin.h"
#include "standin/SimHost.h"
#include "support/RecordingSink.h"
#include "support/ServerDir.h"

namespace {

using testing_support::ServerDir;

const std::vector<std::string> kHookedFunctions{
    "APrimalDinoCharacter.TakeDamage",  "APrimalBuff.AddBuff",
    "APrimalDinoCharacter.TameDino",    "APrimalDinoCharacter.DoMate",
    "APrimalDinoCharacter.TryMultiUse", "APrimalDinoCharacter.BeginPlay",
};

std::vector<sim::HostRequest> RequestsOf(const std::string& operation)
{
    std::vector<sim::HostRequest> found;
    for (const sim::HostRequest& request : sim::Requests()) {
        if (request.Operation == operation) {
            found.push_back(request);
        }
    }
    return found;
}

// A container that records what it is told, for detach-order tests.
class RecordingHooks : public Hook {
public:
    RecordingHooks(std::string name, std::vector<std::string>& events) : name_(std::move(name)), events_(events) {}
    void RegisterHooks() override {}
    void OnReload() override { events_.push_back(name_ + ".OnReload"); }
    void OnUnload() override { events_.push_back(name_ + ".OnUnload"); }

private:
    std::string name_;
    std::vector<std::string>& events_;
};

class Lifecycle : public ::testing::Test {
protected:
    std::shared_ptr<testing_support::RecordingSink> log = testing_support::RecordHostLog();
    ServerDir server;
};

TEST_F(Lifecycle, ThreadNotificationsChangeNothingAndSucceed)
{
    EXPECT_EQ(OnEntryPointNotification(ThreadAttach), 1);
    EXPECT_EQ(OnEntryPointNotification(ThreadDetach), 1);
    EXPECT_EQ(ArkPluginInstance->HookList, nullptr);
    EXPECT_EQ(ArkPluginInstance->Commands, nullptr);
    EXPECT_TRUE(sim::Requests().empty());
    EXPECT_TRUE(log->Lines().empty());
}

TEST_F(Lifecycle, StaticInitialisationPointsThePluginPointerAtTheOneObject)
{
    EXPECT_EQ(ArkPluginInstance, static_cast<ArkPlugin*>(&ThePlugin()));
    EXPECT_EQ(ThePlugin().Config, nullptr);
    EXPECT_EQ(ThePlugin().Balances, nullptr);
}

TEST_F(Lifecycle, AttachLoadsSixHooksInOrderThenFourCommandsConsoleFirst)
{
    server.WriteConfig(testing_support::kEmptyConfig);
    EXPECT_EQ(OnEntryPointNotification(ProcessAttach), 1);

    ASSERT_NE(ArkPluginInstance->HookList, nullptr);
    ASSERT_EQ(ArkPluginInstance->HookList->size(), 1u);
    const Hook* container = ArkPluginInstance->HookList->front();
    ASSERT_EQ(container->Records.size(), 6u);
    const auto installs = RequestsOf("SetHook");
    ASSERT_EQ(installs.size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(container->Records[i].FunctionName, kHookedFunctions[i]);
        EXPECT_EQ(installs[i].Name, kHookedFunctions[i]);
        EXPECT_EQ(installs[i].Detour, container->Records[i].Detour);
        EXPECT_NE(container->Records[i].Detour, nullptr);
    }

    std::vector<std::string> commandRequests;
    for (const sim::HostRequest& request : sim::Requests()) {
        if (request.Operation.find("Command") != std::string::npos) {
            commandRequests.push_back(request.Operation + " " + request.Name);
        }
    }
    EXPECT_EQ(commandRequests, (std::vector<std::string>{"AddConsoleCommand DinoTuner.Reload", "AddRconCommand DinoTuner.Reload",
                                                         "AddConsoleCommand DinoTuner.Status", "AddRconCommand DinoTuner.Status",
                                                         "AddConsoleCommand DinoTuner.Show", "AddRconCommand DinoTuner.Show",
                                                         "AddConsoleCommand DinoTuner.Species", "AddRconCommand DinoTuner.Species"}));
    EXPECT_EQ(ArkPluginInstance->Commands->Count(), 8);
    EXPECT_EQ(ArkPluginInstance->Commands->Capacity(), 22);
    EXPECT_EQ(log->Count("Config Loaded!"), 1u);
    EXPECT_EQ(log->Count("Loaded 0 dino balances!"), 1u);
}

TEST_F(Lifecycle, DetachAfterLoadRemovesExactlyWhatLoadInstalled)
{
    server.WriteConfig(testing_support::kEmptyConfig);
    OnEntryPointNotification(ProcessAttach);
    const std::vector<HookDataBase> records = ArkPluginInstance->HookList->front()->Records;
    sim::ClearRequests();

    EXPECT_EQ(OnEntryPointNotification(ProcessDetach), 1);

    const auto removals = RequestsOf("DisableHook");
    ASSERT_EQ(removals.size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(removals[i].Name, records[i].FunctionName);
        EXPECT_EQ(removals[i].Detour, records[i].Detour);
    }
    EXPECT_EQ(RequestsOf("RemoveConsoleCommand").size(), 4u);
    EXPECT_EQ(RequestsOf("RemoveRconCommand").size(), 4u);
    EXPECT_TRUE(ArkPluginInstance->HookList->empty());
    EXPECT_EQ(ArkPluginInstance->Commands->Count(), 8) << "withdrawn commands stay listed";
    EXPECT_TRUE(sim::ConsoleCommandNames().empty());
    EXPECT_TRUE(sim::RconCommandNames().empty());
}

TEST_F(Lifecycle, NamesTheHostDoesNotKnowAreListedAndNoHookNeedingThemIsInstalled)
{
    // The class's outer names a species for every rule: nothing is hooked, the commands stay.
    ASSERT_TRUE(sim::ForgetName("APrimalDinoCharacter.BeginPlay"));
    ASSERT_TRUE(sim::ForgetName("UObjectBase.Outer"));
    server.WriteConfig(testing_support::kEmptyConfig);
    OnEntryPointNotification(ProcessAttach);

    EXPECT_EQ(ThePlugin().UnknownGameNames, (std::vector<std::string>{"UObjectBase.Outer", "APrimalDinoCharacter.BeginPlay"}));
    EXPECT_EQ(log->Count("[warning] The host does not know the game name \"UObjectBase.Outer\": switched off: the damage multipliers, "
                         "DisableNet, AllowTame, AllowBreed, AllowRide, the Tamed and Wild damage multipliers, DinoTuner.Species and the consumption rates"),
              1u);
    EXPECT_EQ(log->Count("[warning] The host does not know the game name \"APrimalDinoCharacter.BeginPlay\": switched off: the rates "
                         "at BeginPlay"),
              1u);
    EXPECT_TRUE(RequestsOf("SetHook").empty());
    EXPECT_EQ(ArkPluginInstance->Commands->Count(), 8);

    OnEntryPointNotification(ProcessDetach);
    EXPECT_TRUE(RequestsOf("DisableHook").empty());
}

TEST_F(Lifecycle, DetachHandlesEveryContainerOnceInListOrderAndEmptiesTheList)
{
    server.WriteConfig(testing_support::kEmptyConfig);
    OnEntryPointNotification(ProcessAttach);
    std::vector<std::string> events;
    auto* first = new RecordingHooks("first", events);
    auto* empty = new RecordingHooks("empty", events);
    first->Records.emplace_back("Test.One", reinterpret_cast<void*>(0x1));
    first->Records.emplace_back("Test.Two", reinterpret_cast<void*>(0x2));
    ArkPluginInstance->HookList->push_back(first);
    ArkPluginInstance->HookList->push_back(empty);
    sim::ClearRequests();

    OnEntryPointNotification(ProcessDetach);

    EXPECT_EQ(events, (std::vector<std::string>{"first.OnUnload", "empty.OnUnload"}));
    std::vector<std::string> removed;
    for (const auto& request : RequestsOf("DisableHook")) {
        removed.push_back(request.Name);
    }
    std::vector<std::string> expected = kHookedFunctions;
    expected.push_back("Test.One");
    expected.push_back("Test.Two");
    EXPECT_EQ(removed, expected);
    EXPECT_TRUE(ArkPluginInstance->HookList->empty());
}

// A container whose OnUnload throws must not stop detach: its hooks and everything after it
// would otherwise stay in the host, pointing into an unloaded library.
class ThrowingHooks : public RecordingHooks {
public:
    using RecordingHooks::RecordingHooks;
    void OnUnload() override
    {
        RecordingHooks::OnUnload();
        throw std::runtime_error("container refused to unload");
    }
};

TEST_F(Lifecycle, DetachRunsToItsEndWhenAContainerThrows)
{
    server.WriteConfig(testing_support::kEmptyConfig);
    OnEntryPointNotification(ProcessAttach);
    std::vector<std::string> events;
    auto* throwing = new ThrowingHooks("throwing", events);
    throwing->Records.emplace_back("Test.Throwing", reinterpret_cast<void*>(0x5));
    auto* after = new RecordingHooks("after", events);
    ArkPluginInstance->HookList->insert(ArkPluginInstance->HookList->begin(), throwing);
    ArkPluginInstance->HookList->push_back(after);
    sim::ClearRequests();

    EXPECT_EQ(OnEntryPointNotification(ProcessDetach), 1);

    EXPECT_EQ(events, (std::vector<std::string>{"throwing.OnUnload", "after.OnUnload"}));
    EXPECT_EQ(RequestsOf("DisableHook").size(), 7u);
    EXPECT_EQ(RequestsOf("DisableHook")[0].Name, "Test.Throwing");
    EXPECT_TRUE(ArkPluginInstance->HookList->empty());
    EXPECT_EQ(RequestsOf("RemoveConsoleCommand").size(), 4u);
    EXPECT_EQ(RequestsOf("RemoveRconCommand").size(), 4u);
    EXPECT_EQ(log->Count("[DinoTuner][error] container refused to unload"), 1u);
}

TEST_F(Lifecycle, TeardownOfAContainerNotOnTheListLeavesTheListAlone)
{
    std::vector<Hook*> list;
    std::vector<std::string> events;
    RecordingHooks listed("listed", events);
    RecordingHooks stray("stray", events);
    stray.Records.emplace_back("Test.Stray", reinterpret_cast<void*>(0x3));
    list.push_back(&listed);

    TearDownHookContainer(list, &stray);

    EXPECT_EQ(list, (std::vector<Hook*>{&listed}));
    ASSERT_EQ(RequestsOf("DisableHook").size(), 1u);
    EXPECT_EQ(RequestsOf("DisableHook")[0].Name, "Test.Stray");
}

// A file that cannot be used at start must not lock the admin out until a restart: the hooks
// and both commands are there, the table changes nothing, and a reload brings the balances in.
struct BrokenStartCase {
    const char* Name;
    const char* File;  // null: no file at all
    const char* Error;
};

const BrokenStartCase kBrokenStarts[] = {
    {"Missing", nullptr, "Can't open config file: "},
    {"Unparsable", "{", "Error parsing config file: [json.exception.parse_error.101]"},
    {"SectionMissing", R"({"GlobalDinoBalance": null})", "[json.exception.out_of_range.403] key 'DinoBalance' not found"},
};

class BrokenStart : public Lifecycle, public ::testing::WithParamInterface<BrokenStartCase> {};

TEST_P(BrokenStart, InstallsEverythingWithANeutralTableAndSaysSo)
{
    if (GetParam().File != nullptr) {
        server.WriteConfig(GetParam().File);
    }
    EXPECT_EQ(OnEntryPointNotification(ProcessAttach), 1);

    const std::vector<std::string> errors = log->Messages("error");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind(GetParam().Error, 0), 0u) << errors[0];
    EXPECT_EQ(log->Messages("warning"), std::vector<std::string>{"No balances are in effect until DinoTuner.Reload reads a good file"});
    EXPECT_EQ(RequestsOf("SetHook").size(), 6u);
    const std::vector<std::string> commands{"DinoTuner.Reload", "DinoTuner.Status", "DinoTuner.Show", "DinoTuner.Species"};
    EXPECT_EQ(sim::ConsoleCommandNames(), commands);
    EXPECT_EQ(sim::RconCommandNames(), commands);
    const BalanceTable& table = *ThePlugin().Balances;
    EXPECT_TRUE(table.Dinos.empty());
    EXPECT_EQ(table.Global.ReducedFoodConsumptionSpeedMultiplier, -1.0f) << "an unfilled table must change nothing";
    EXPECT_TRUE(table.Global.AllowTame);

    server.WriteConfig(R"({"GlobalDinoBalance": null, "DinoBalance": {"a": {}}})");
    EXPECT_TRUE(ThePlugin().Reload().Succeeded);
    EXPECT_EQ(ThePlugin().Balances->Dinos.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Files, BrokenStart, ::testing::ValuesIn(kBrokenStarts),
                         [](const ::testing::TestParamInfo<BrokenStartCase>& info) { return std::string(info.param.Name); });

// A plugin whose Unload can be seen, standing in for the real one behind the plugin pointer.
class ObservedPlugin : public ArkPlugin {
public:
    void Load() override { ++loads; }
    void Unload() override { ++unloads; }
    int loads = 0;
    int unloads = 0;
};

TEST_F(Lifecycle, DetachWithEmptyListsAsksTheHostNothingAndStillUnloads)
{
    ObservedPlugin observed;
    ArkPlugin* real = ArkPluginInstance;
    ArkPluginInstance = &observed;

    OnEntryPointNotification(ProcessAttach);
    OnEntryPointNotification(ProcessDetach);

    ArkPluginInstance = real;
    EXPECT_EQ(observed.loads, 1);
    EXPECT_EQ(observed.unloads, 1);
    EXPECT_TRUE(sim::Requests().empty());
}

}  // namespace
