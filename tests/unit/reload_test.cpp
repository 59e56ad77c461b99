// Reloading the configuration through the plugin object: a reload either takes the whole new
// file or changes nothing, tells its caller which, and tells the hook containers only on success.

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "balance/RateLedger.h"
#include "config/BalanceTable.h"
#include "config/ConfigFile.h"
#include "frame/HookRegistry.h"
#include "frame/Plugin.h"
#include "logging/Logger.h"
#include "support/RecordingSink.h"
#include "support/ServerDir.h"
#include "world/World.h"

namespace {

using nlohmann::json;

const char* kGoodConfig = R"({
    "GlobalDinoBalance": {"ReducedFoodConsumptionSpeedMultiplier": 0.5},
    "DinoBalance": {
        "a": {"AllowTame": false},
        "b": {"DamageResistanceMultiplier": 2}
    }})";

// A hook container that only counts what it is told.
class CountingHooks : public Hook {
public:
    void RegisterHooks() override {}
    void OnReload() override { ++Reloads; }
    void OnUnload() override {}

    int Reloads = 0;
};

class ReloadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitLogger(GetLogger(), "DinoTuner");
        server.WriteConfig(kGoodConfig);
        DinoTuner& plugin = ThePlugin();
        plugin.Config = new ConfigFile(ConfigFile::PluginPath("DinoTuner/config.json"));
        plugin.Config->Read();
        plugin.Balances = new BalanceTable();
        plugin.Balances->LoadBalances(plugin.Config->Document);
        plugin.Rates = new RateLedger();
        plugin.HookList = new std::vector<Hook*>{&hooks};
        log->Clear();
    }

    // The table as the good configuration left it.
    void ExpectGoodTable() const
    {
        const BalanceTable& table = *ThePlugin().Balances;
        ASSERT_EQ(table.Dinos.size(), 2u);
        EXPECT_FALSE(table.Dinos.at("a").AllowTame);
        EXPECT_EQ(table.Dinos.at("b").DamageResistanceMultiplier, 2.0f);
        EXPECT_EQ(table.Global.ReducedFoodConsumptionSpeedMultiplier, 0.5f);
        EXPECT_EQ(ThePlugin().Config->Document, json::parse(kGoodConfig));
    }

    std::vector<std::string> ErrorLines() const
    {
        std::vector<std::string> errors;
        for (const std::string& line : log->Lines()) {
            if (line.find("[DinoTuner][error] ") != std::string::npos) {
                errors.push_back(line);
            }
        }
        return errors;
    }

    // A failed reload: one error line carrying exactly the text returned, nothing else changed.
    void ExpectFailedReload(const ReloadResult& result, const std::string& errorStart)
    {
        EXPECT_FALSE(result.Succeeded);
        EXPECT_EQ(result.Error.rfind(errorStart, 0), 0u) << result.Error;
        const std::vector<std::string> errors = ErrorLines();
        ASSERT_EQ(errors.size(), 1u);
        const std::string suffix = "[DinoTuner][error] " + result.Error;
        EXPECT_EQ(errors[0].substr(errors[0].size() - std::min(errors[0].size(), suffix.size())), suffix);
        EXPECT_EQ(log->Lines().size(), 1u) << "a failed reload logs nothing but its error";
        EXPECT_EQ(hooks.Reloads, 0);
        ExpectGoodTable();
    }

    std::shared_ptr<testing_support::RecordingSink> log = testing_support::RecordHostLog();
    testing_support::ServerDir server;
    CountingHooks hooks;
};

TEST_F(ReloadTest, AGoodFileReplacesTheTableAndTellsEveryContainerOnce)
{
    CountingHooks second;
    ThePlugin().HookList->push_back(&second);
    server.WriteConfig(R"({"GlobalDinoBalance": null, "DinoBalance": {"b": {"AllowRide": false}, "c": {}}})");

    const ReloadResult result = ThePlugin().Reload();

    EXPECT_TRUE(result.Succeeded);
    EXPECT_EQ(result.Error, "");
    const BalanceTable& table = *ThePlugin().Balances;
    EXPECT_EQ(table.Find("a"), nullptr) << "an entry removed from the file disappears";
    ASSERT_NE(table.Find("b"), nullptr);
    EXPECT_FALSE(table.Find("b")->AllowRide);
    EXPECT_EQ(table.Find("b")->DamageResistanceMultiplier, 0.0f);
    EXPECT_NE(table.Find("c"), nullptr);
    EXPECT_EQ(table.Global.ReducedFoodConsumptionSpeedMultiplier, -1.0f);
    EXPECT_TRUE(ThePlugin().Config->Document.at("GlobalDinoBalance").is_null());
    EXPECT_EQ(log->Messages("info"), (std::vector<std::string>{"Loaded 2 dino balances!",
                                                         R"(Changed "GlobalDinoBalance": ReducedFoodConsumptionSpeedMultiplier 0.5 -> -1)",
                                                         R"(Removed "a")",
                                                         R"(Changed "b": AllowRide true -> false, DamageResistanceMultiplier 2 -> 0)",
                                                         R"(Added "c": all defaults)",
                                                         "Species entries: 1 changed, 1 added, 1 removed"}));
    EXPECT_EQ(hooks.Reloads, 1);
    EXPECT_EQ(second.Reloads, 1);
}

TEST_F(ReloadTest, AMissingFileChangesNothing)
{
    server.DeleteConfig();
    const ReloadResult result = ThePlugin().Reload();
    ExpectFailedReload(result, "Can't open config file: ");
    EXPECT_EQ(result.Error, "Can't open config file: " + server.ConfigPath() + " (not found)");
}

TEST_F(ReloadTest, ABrokenFileChangesNothingAndTheFixedFileThenLoads)
{
    server.WriteConfig(R"({"GlobalDinoBalance": null, "DinoBalance": {"a": {"AllowTame": tru)");
    ExpectFailedReload(ThePlugin().Reload(), "Error parsing config file: [json.exception.parse_error.101]");

    log->Clear();
    server.WriteConfig(R"({"GlobalDinoBalance": null, "DinoBalance": {"a": {}}})");
    const ReloadResult result = ThePlugin().Reload();
    EXPECT_TRUE(result.Succeeded);
    EXPECT_TRUE(ThePlugin().Balances->Find("a")->AllowTame);
    EXPECT_EQ(log->Count("Config Loaded!"), 0u);
    EXPECT_EQ(log->Messages()[0], "Loaded 1 dino balances!");
    EXPECT_EQ(log->Messages("info").back(), "Species entries: 1 changed, 0 added, 1 removed");
    EXPECT_EQ(hooks.Reloads, 1);
}

TEST_F(ReloadTest, AnErrorTextWithBracesIsLoggedAsItStands)
{
    // The parser quotes what it last read, braces included; they must not be taken as placeholders.
    server.WriteConfig(R"({"a{}": tru)");
    const ReloadResult result = ThePlugin().Reload();
    ASSERT_NE(result.Error.find("a{}"), std::string::npos) << result.Error;
    ExpectFailedReload(result, "Error parsing config file: ");
}

// ---- files that parse but are not a configuration ------------------------------------------------

struct StructureCase {
    const char* Name;
    const char* File;
    const char* Error;
};

const StructureCase kStructureCases[] = {
    {"SectionMissing", R"({"GlobalDinoBalance": {"AllowTame": false}})", "[json.exception.out_of_range.403] key 'DinoBalance' not found"},
    {"GlobalMissing", R"({"DinoBalance": {}})", "[json.exception.out_of_range.403] key 'GlobalDinoBalance' not found"},
    {"DocumentIsAnArray", R"([])", "[json.exception.type_error.304] cannot use at() with array"},
    {"GlobalIsAString", R"({"GlobalDinoBalance": "on", "DinoBalance": {}})",
     R"([json.exception.type_error.305] cannot use operator[] with a string argument with string in "GlobalDinoBalance")"},
    {"GlobalSwitchIsANumber", R"({"GlobalDinoBalance": {"AllowRide": 0}, "DinoBalance": {"a": {}}})",
     R"([json.exception.type_error.302] type must be boolean, but is number (key "AllowRide") in "GlobalDinoBalance")"},
};

class ReloadStructure : public ReloadTest, public ::testing::WithParamInterface<StructureCase> {};

TEST_P(ReloadStructure, FailsOnceAndKeepsTableAndDocument)
{
    server.WriteConfig(GetParam().File);
    const ReloadResult result = ThePlugin().Reload();
    ExpectFailedReload(result, GetParam().Error);
    EXPECT_EQ(result.Error, GetParam().Error);
}

INSTANTIATE_TEST_SUITE_P(Files, ReloadStructure, ::testing::ValuesIn(kStructureCases),
                         [](const ::testing::TestParamInfo<StructureCase>& info) { return std::string(info.param.Name); });

TEST_F(ReloadTest, AFailingEntryDoesNotFailTheReload)
{
    server.WriteConfig(R"({"GlobalDinoBalance": null, "DinoBalance": {"a": {"AllowTame": 1}, "b": {}}})");
    const ReloadResult result = ThePlugin().Reload();

    EXPECT_TRUE(result.Succeeded);
    EXPECT_EQ(result.Error, "");
    EXPECT_EQ(ThePlugin().Balances->Find("a"), nullptr);
    EXPECT_NE(ThePlugin().Balances->Find("b"), nullptr);
    EXPECT_EQ(log->Messages("error"),
              (std::vector<std::string>{
                  R"(Error loading dino: [json.exception.type_error.302] type must be boolean, but is number (key "AllowTame") in "a")"}));
    EXPECT_EQ(log->Messages()[1], "Loaded 1 dino balances!");
    EXPECT_EQ(hooks.Reloads, 1);
}

// A container that fails when told of a reload.
class ThrowingHooks : public CountingHooks {
public:
    void OnReload() override
    {
        CountingHooks::OnReload();
        throw std::runtime_error("container {} failed");
    }
};

TEST_F(ReloadTest, AFailureAfterTheNewTableIsInPlaceDoesNotEscape)
{
    ThrowingHooks throwing;
    ThePlugin().HookList->insert(ThePlugin().HookList->begin(), &throwing);
    server.WriteConfig(R"({"GlobalDinoBalance": null, "DinoBalance": {"c": {}}})");

    ReloadResult result;
    ASSERT_NO_THROW(result = ThePlugin().Reload());

    EXPECT_FALSE(result.Succeeded);
    EXPECT_EQ(result.Error, "container {} failed");
    EXPECT_EQ(ErrorLines().size(), 1u);
    EXPECT_EQ(log->Count("[DinoTuner][error] container {} failed"), 1u);
    EXPECT_EQ(throwing.Reloads, 1);
    // The file itself was good: its table is the one in effect.
    EXPECT_NE(ThePlugin().Balances->Find("c"), nullptr);
    EXPECT_EQ(ThePlugin().Balances->Find("a"), nullptr);
}

TEST_F(ReloadTest, DeepNestingInAnEntryReloads)
{
    const std::size_t depth = 100000;
    server.WriteConfig(R"({"GlobalDinoBalance": null, "DinoBalance": {"a": {"AllowBreed": )" + std::string(depth, '[') +
                       std::string(depth, ']') + R"(}, "b": {"Notes": )" + std::string(depth, '[') +
                       std::string(depth, ']') + "}}}");
    const ReloadResult result = ThePlugin().Reload();

    EXPECT_TRUE(result.Succeeded);
    EXPECT_EQ(ThePlugin().Balances->Find("a"), nullptr);
    EXPECT_NE(ThePlugin().Balances->Find("b"), nullptr);
    EXPECT_EQ(log->Count("type must be boolean, but is array"), 1u);

    // The deep document is released when a later reload replaces it.
    server.WriteConfig(kGoodConfig);
    EXPECT_TRUE(ThePlugin().Reload().Succeeded);
    ExpectGoodTable();
}

// The map the server runs picks its section of "Maps": the reload counts that section's skipped
// entries with the base's, and keeps what it applied for the admin to see.
TEST_F(ReloadTest, TheMapsSectionInEffectIsCountedAndKept)
{
    sim::World::Get().SetMapName("Ragnarok");
    server.WriteConfig(R"({"GlobalDinoBalance": null, "DinoBalance": {"a": {"AllowTame": false}},
        "Maps": {"Ragnarok": {"DinoBalance": {"a": {"AllowTame": 1}, "c": {}}}}})");
    const ReloadResult result = ThePlugin().Reload();
    ASSERT_TRUE(result.Succeeded) << result.Error;
    EXPECT_EQ(result.Entries, 2);
    EXPECT_EQ(result.Skipped, 1);
    EXPECT_NE(result.FirstSkipped.find(R"(of map "Ragnarok")"), std::string::npos) << result.FirstSkipped;
    EXPECT_EQ(ThePlugin().Balances->Find("a"), nullptr);
    EXPECT_NE(ThePlugin().Balances->Find("c"), nullptr);
    EXPECT_EQ(ThePlugin().Config->Map.Describe(), R"(Map: Ragnarok, its section "Ragnarok" in "Maps" applies)");

    sim::World::Get().SetReported(false);
    ASSERT_TRUE(ThePlugin().Reload().Succeeded);
    EXPECT_EQ(ThePlugin().Config->Map.Describe(), "Map: unknown (the game has no world yet): only the base applies");
    EXPECT_FALSE(ThePlugin().Balances->Find("a")->AllowTame);
    // One warning that the name could not be read; Ragnarok's broken entry is now another map's mistake.
    const std::vector<std::string> warnings = log->Messages("warning");
    EXPECT_EQ(std::count_if(warnings.begin(), warnings.end(), [](const std::string& line) { return line.find("could not be read") != std::string::npos; }), 1);
    // (The short keys of this file get their likely-mistake warnings too; they are not counted here.)
    EXPECT_EQ(std::count_if(warnings.begin(), warnings.end(),
                            [](const std::string& line) { return line.find("not of the form") == std::string::npos; }),
              2)
        << ::testing::PrintToString(warnings);
}

}  // namespace
