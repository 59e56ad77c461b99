// Filling the balance table from a parsed document: defaults, per-entry failures that are
// skipped, structural failures that leave the running table alone, and lookups.

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "config/BalanceKeys.h"
#include "config/BalanceTable.h"
#include "config/ConfigError.h"
#include "config/MapSections.h"
#include "config/TableChanges.h"
#include "logging/Logger.h"
#include "support/RecordingSink.h"

namespace {

using nlohmann::json;

const std::string kRaptor = "Blueprint'/Game/PrimalEarth/Dinos/Raptor/Raptor_Character_BP.Raptor_Character_BP'";
const std::string kRex = "Blueprint'/Game/PrimalEarth/Dinos/Rex/Rex_Character_BP.Rex_Character_BP'";

// Compares the ten configurable values of two entries, key by key.
void ExpectValues(const BalancedDino& entry, const BalancedDino& expected)
{
    for (const BalanceKey& key : kBalanceKeys) {
        EXPECT_EQ(ValueOf(key, entry), ValueOf(key, expected)) << key.Name;
    }
}

std::vector<std::string> Keys(const BalanceTable& table)
{
    std::vector<std::string> keys;
    for (const auto& [key, entry] : table.Dinos) {
        keys.push_back(key);
    }
    std::sort(keys.begin(), keys.end());
    return keys;
}

class BalanceTableTest : public ::testing::Test {
protected:
    void SetUp() override { InitLogger(GetLogger(), "DinoTuner"); }

    std::vector<std::string> Errors() const { return log->Messages("error"); }

    std::shared_ptr<testing_support::RecordingSink> log = testing_support::RecordHostLog();
    BalanceTable table;
};

// ---- documents that load -------------------------------------------------------------------

struct LoadCase {
    const char* Name;
    const char* Document;
    int Count;                          // the number in "Loaded {} dino balances!"
    std::vector<std::string> Keys;      // the map's keys afterwards, sorted
    std::vector<std::string> Errors;    // fragments, one per expected error line, in order
};

const LoadCase kLoadCases[] = {
    {"NullGlobalEmptySection", R"({"GlobalDinoBalance": null, "DinoBalance": {}})", 0, {}, {}},
    {"NullSection", R"({"GlobalDinoBalance": {}, "DinoBalance": null})", 0, {}, {}},
    {"EmptyAndNullEntries", R"({"GlobalDinoBalance": null, "DinoBalance": {"a": {}, "b": null}})", 2, {"a", "b"}, {}},
    {"SwitchGivenAsNumber",
     R"({"GlobalDinoBalance": null, "DinoBalance": {"a": {}, "b": {"AllowTame": 1}, "c": {"AllowRide": false}}})", 2,
     {"a", "c"},
     {R"(Error loading dino: [json.exception.type_error.302] type must be boolean, but is number (key "AllowTame") in "b")"}},
    {"MultiplierGivenAsString",
     R"({"GlobalDinoBalance": null, "DinoBalance": {"a": {"AttackDamageMultiplier": "2"}, "b": {}}})", 1, {"b"},
     {R"(Error loading dino: [json.exception.type_error.302] type must be number, but is string (key "AttackDamageMultiplier") in "a")"}},
    {"EntryIsNotAnObject",
     R"({"GlobalDinoBalance": null, "DinoBalance": {"a": [1], "b": "x", "c": {}}})", 1, {"c"},
     {R"(Error loading dino: [json.exception.type_error.305] cannot use operator[] with a string argument with array in "a")",
      R"(Error loading dino: [json.exception.type_error.305] cannot use operator[] with a string argument with string in "b")"}},
    {"SectionIsAnArray", R"({"GlobalDinoBalance": null, "DinoBalance": [{}, {"AllowTame": false}]})", 2, {"0", "1"}, {}},
    {"SectionIsANumber", R"({"GlobalDinoBalance": null, "DinoBalance": 5})", 0, {},
     {R"(Error loading dino: [json.exception.type_error.305] cannot use operator[] with a string argument with number in "DinoBalance")"}},
    // Keys are compared in UTF-8: two keys that differ outside ASCII are two species.
    {"KeysKeepTheirUtf8",
     "{\"GlobalDinoBalance\": null, \"DinoBalance\": {\"k\\u00fc\": {\"AllowRide\": false}, \"k\\u00e9\": {\"AllowTame\": false}}}",
     2, {"k\xC3\xA9", "k\xC3\xBC"}, {}},
    // The key ends at a zero character, as the game's text does.
    {"KeyEndsAtAZeroCharacter", R"({"GlobalDinoBalance": null, "DinoBalance": {"ab\u0000cd": {}}})", 1, {"ab"}, {}},
    {"OtherMembersIgnored", R"({"Comment": [1, 2], "GlobalDinoBalance": null, "DinoBalance": {"a": {"Colour": "red"}}})", 1, {"a"}, {}},
};

class LoadBalancesCase : public BalanceTableTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadBalancesCase, StoresCountsAndLogs)
{
    const LoadCase& c = GetParam();
    ASSERT_NO_THROW(table.LoadBalances(json::parse(c.Document)));

    EXPECT_EQ(Keys(table), c.Keys);
    const std::vector<std::string> errors = Errors();
    ASSERT_EQ(errors.size(), c.Errors.size());
    for (std::size_t i = 0; i < errors.size(); ++i) {
        EXPECT_EQ(errors[i], c.Errors[i]);
    }
    const std::vector<std::string> messages = log->Messages();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), "Loaded " + std::to_string(c.Count) + " dino balances!");
    EXPECT_EQ(log->Count("dino balances!"), 1u);
}

INSTANTIATE_TEST_SUITE_P(Documents, LoadBalancesCase, ::testing::ValuesIn(kLoadCases),
                         [](const ::testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.Name); });

TEST_F(BalanceTableTest, MissingKeysTakeTheirDefaults)
{
    ExpectValues(table.Global, BalancedDino{});  // an unfilled table changes nothing
    table.LoadBalances(json::parse(R"({"GlobalDinoBalance": null, "DinoBalance": {"a": {}, "b": null}})"));
    ExpectValues(table.Global, BalancedDino{});
    ExpectValues(table.Dinos.at("a"), BalancedDino{});
    ExpectValues(table.Dinos.at("b"), BalancedDino{});
}

TEST_F(BalanceTableTest, ReadsEveryKeyAndConvertsNumbers)
{
    table.LoadBalances(json::parse(R"({
        "GlobalDinoBalance": {"ReducedFoodConsumptionSpeedMultiplier": 0.5, "AllowTame": false},
        "DinoBalance": {"a": {
            "AllowTame": false, "AllowBreed": false, "AllowRide": false, "DisableNet": true,
            "AttackDamageMultiplier": true, "DamageResistanceMultiplier": 2,
            "TurretDamageMultiplier": -0.25, "ReducedFoodConsumptionSpeedMultiplier": false,
            "ReducedOxygenConsumptionSpeedMultiplier": 18446744073709551615,
            "ReducedStaminaConsumptionSpeedMultiplier": 0.1}}})"));
    BalancedDino global;
    global.AllowTame = false;
    global.ReducedFoodConsumptionSpeedMultiplier = 0.5f;
    ExpectValues(table.Global, global);

    const BalancedDino& entry = table.Dinos.at("a");
    EXPECT_FALSE(entry.AllowTame || entry.AllowBreed || entry.AllowRide);
    EXPECT_TRUE(entry.DisableNet);
    EXPECT_EQ(entry.AttackDamageMultiplier, 1.0f) << "true is 1";
    EXPECT_EQ(entry.DamageResistanceMultiplier, 2.0f);
    EXPECT_EQ(entry.TurretDamageMultiplier, -0.25f);
    EXPECT_EQ(entry.ReducedFoodConsumptionSpeedMultiplier, 0.0f) << "false is 0";
    EXPECT_EQ(entry.ReducedOxygenConsumptionSpeedMultiplier, 18446744073709551615.0f);
    EXPECT_EQ(entry.ReducedStaminaConsumptionSpeedMultiplier, 0.1f);
}

// Each key of the description fills its own field and nothing else, and takes a value of the
// wrong JSON type as an error for its entry.
TEST_F(BalanceTableTest, EveryDescribedKeyFillsItsOwnFieldAndChecksItsType)
{
    for (const BalanceKey& key : kBalanceKeys) {
        SCOPED_TRACE(key.Name);
        const json changed = key.IsSwitch() ? json(key.Default == 0.0f) : json(7.5);
        table.LoadBalances(json{{kGlobalSection, nullptr}, {kSpeciesSection, {{"a", {{key.Name, changed}}}, {"b", {{key.Name, "x"}}}}}});
        BalancedDino expected;
        if (key.IsSwitch()) {
            expected.*key.Switch = key.Default == 0.0f;
        } else {
            expected.*key.Multiplier = 7.5f;
        }
        ASSERT_EQ(Keys(table), std::vector<std::string>{"a"});
        ExpectValues(table.Dinos.at("a"), expected);
        EXPECT_TRUE(key.IsSet(ValueOf(key, table.Dinos.at("a"))));
        EXPECT_FALSE(key.IsSet(ValueOf(key, BalancedDino{}))) << "the default leaves the game alone";
    }
}

TEST_F(BalanceTableTest, SpeciesEntriesDoNotInheritFromTheGlobalSection)
{
    table.LoadBalances(json::parse(R"({"GlobalDinoBalance": {"AllowRide": false, "ReducedFoodConsumptionSpeedMultiplier": 3},
                                       "DinoBalance": {"a": {"ReducedStaminaConsumptionSpeedMultiplier": 2}}})"));
    BalancedDino expected;
    expected.ReducedStaminaConsumptionSpeedMultiplier = 2.0f;
    ExpectValues(table.Dinos.at("a"), expected);
}

TEST_F(BalanceTableTest, NumbersAFloatCannotHoldSkipTheirEntryAndNameTheKey)
{
    const LoadReport report = table.LoadBalances(json::parse(R"({"GlobalDinoBalance": null, "DinoBalance": {
        "huge": {"DamageResistanceMultiplier": 1e39},
        "tiny": {"AttackDamageMultiplier": -1e-50},
        "edge": {"TurretDamageMultiplier": 3.4028235e38, "ReducedFoodConsumptionSpeedMultiplier": 1e-45,
                 "ReducedOxygenConsumptionSpeedMultiplier": 0.0, "ReducedStaminaConsumptionSpeedMultiplier": 18446744073709551615}}})"));

    EXPECT_EQ(Keys(table), std::vector<std::string>{"edge"}) << "the largest float, a denormal, 0 and a huge integer all fit";
    EXPECT_EQ(table.Dinos.at("edge").TurretDamageMultiplier, 3.4028235e38f);
    EXPECT_GT(table.Dinos.at("edge").ReducedFoodConsumptionSpeedMultiplier, 0.0f);
    EXPECT_EQ(Errors(), (std::vector<std::string>{
                            R"(Error loading dino: 1e+39 does not fit in a 32-bit float (key "DamageResistanceMultiplier") in "huge")",
                            R"(Error loading dino: -1e-50 is too small for a 32-bit float and would read as 0 (key "AttackDamageMultiplier") in "tiny")"}));
    EXPECT_EQ(report.Entries, 3);
    ASSERT_EQ(report.Failures.size(), 2u);
    EXPECT_EQ(report.Stored, 1);
    EXPECT_EQ(report.Failures[0].Message, R"(1e+39 does not fit in a 32-bit float (key "DamageResistanceMultiplier") in "huge")");
    EXPECT_EQ(report.Failures[0].Entry, "huge");
    EXPECT_EQ(report.Failures[0].Key, "DamageResistanceMultiplier");
}

TEST_F(BalanceTableTest, ASectionWrittenAsAnArrayIsNamedInAWarning)
{
    table.LoadBalances(json::parse(R"({"GlobalDinoBalance": null, "DinoBalance": [{"AllowRide": false}]})"));
    EXPECT_EQ(Keys(table), std::vector<std::string>{"0"});
    EXPECT_EQ(log->Messages("warning"),
              std::vector<std::string>{R"("DinoBalance" is an array, not an object: its entries are read under "0", "1", ... and match no species)"});
}

TEST_F(BalanceTableTest, KeysInErrorsAreQuotedOnOneLine)
{
    // A key may hold a line break: quoted, it cannot start a forged line of its own.
    table.LoadBalances(json::parse(R"({"GlobalDinoBalance": null, "DinoBalance": {"a\n03/05/25 14:07 [DinoTuner][info] fake": 5}})"));
    ASSERT_EQ(log->Lines().size(), 2u);
    EXPECT_NE(log->Lines()[0].find(R"(in "a\u000a03/05/25 14:07 [DinoTuner][info] fake")"), std::string::npos) << log->Lines()[0];
}

// ---- documents whose structure is wrong ------------------------------------------------------

struct StructureCase {
    const char* Name;
    const char* Document;
    const char* Error;  // the start of the exception's text
};

const StructureCase kStructureCases[] = {
    {"DocumentIsAnArray", R"([{"GlobalDinoBalance": null, "DinoBalance": {}}])", "[json.exception.type_error.304] cannot use at() with array"},
    {"DocumentIsAString", R"("config")", "[json.exception.type_error.304] cannot use at() with string"},
    {"DocumentIsNull", "null", "[json.exception.type_error.304] cannot use at() with null"},
    {"GlobalMissing", R"({"DinoBalance": {}})", "[json.exception.out_of_range.403] key 'GlobalDinoBalance' not found"},
    {"GlobalIsANumber", R"({"GlobalDinoBalance": 1, "DinoBalance": {}})",
     R"([json.exception.type_error.305] cannot use operator[] with a string argument with number in "GlobalDinoBalance")"},
    {"GlobalKeyHasWrongType", R"({"GlobalDinoBalance": {"DisableNet": "yes"}, "DinoBalance": {}})",
     R"([json.exception.type_error.302] type must be boolean, but is string (key "DisableNet") in "GlobalDinoBalance")"},
    {"GlobalNumberBeyondFloat", R"({"GlobalDinoBalance": {"ReducedFoodConsumptionSpeedMultiplier": 1e39}, "DinoBalance": {}})",
     R"(1e+39 does not fit in a 32-bit float (key "ReducedFoodConsumptionSpeedMultiplier") in "GlobalDinoBalance")"},
    {"SectionMissing", R"({"GlobalDinoBalance": {"AllowTame": false}})", "[json.exception.out_of_range.403] key 'DinoBalance' not found"},
};

class LoadBalancesStructure : public BalanceTableTest, public ::testing::WithParamInterface<StructureCase> {};

TEST_P(LoadBalancesStructure, ThrowsAndLeavesTheTableAsItWas)
{
    table.LoadBalances(json::parse(R"({"GlobalDinoBalance": {"ReducedFoodConsumptionSpeedMultiplier": 0.5},
                                       "DinoBalance": {"a": {"AllowTame": false}, "b": {}}})"));
    log->Clear();

    try {
        table.LoadBalances(json::parse(GetParam().Document));
        FAIL() << "no exception";
    } catch (const std::exception& error) {
        EXPECT_EQ(std::string(error.what()), GetParam().Error);
    }

    EXPECT_EQ(Keys(table), (std::vector<std::string>{"a", "b"}));
    BalancedDino a;
    a.AllowTame = false;
    ExpectValues(table.Dinos.at("a"), a);
    BalancedDino global;
    global.ReducedFoodConsumptionSpeedMultiplier = 0.5f;
    ExpectValues(table.Global, global);
    // A structural failure is the caller's to report: nothing is logged here, not even a count.
    EXPECT_TRUE(log->Lines().empty());
}

INSTANTIATE_TEST_SUITE_P(Documents, LoadBalancesStructure, ::testing::ValuesIn(kStructureCases),
                         [](const ::testing::TestParamInfo<StructureCase>& info) { return std::string(info.param.Name); });

TEST_F(BalanceTableTest, AFreshLoadReplacesEveryEntry)
{
    table.LoadBalances(json::parse(R"({"GlobalDinoBalance": null, "DinoBalance": {"a": {}, "b": {}}})"));
    table.LoadBalances(json::parse(R"({"GlobalDinoBalance": null, "DinoBalance": {"b": {"AllowBreed": false}}})"));
    EXPECT_EQ(Keys(table), std::vector<std::string>{"b"});
    EXPECT_FALSE(table.Dinos.at("b").AllowBreed);
}

// ---- lookups ------------------------------------------------------------------------------

TEST_F(BalanceTableTest, FindMatchesExactBytesOnly)
{
    table.LoadBalances(json::parse(R"({"GlobalDinoBalance": null, "DinoBalance": {")" + kRaptor + R"(": {"AllowRide": false}}})"));
    ASSERT_NE(table.Find(kRaptor), nullptr);
    EXPECT_FALSE(table.Find(kRaptor)->AllowRide);

    std::string lower = kRaptor;
    lower[lower.find("Raptor_Character_BP'")] = 'r';
    EXPECT_EQ(table.Find(lower), nullptr);
    EXPECT_EQ(table.Find(kRaptor + " "), nullptr);
    EXPECT_EQ(table.Find(kRex), nullptr);
    EXPECT_EQ(table.Find("global"), nullptr);
}

TEST_F(BalanceTableTest, AFillKnowsWhatItChangedAndWhatWasInEffectBefore)
{
    table.LoadBalances(json::parse(R"({"GlobalDinoBalance": {"ReducedFoodConsumptionSpeedMultiplier": 2},
        "DinoBalance": {"same": {"AllowRide": false}, "changed": {"DamageResistanceMultiplier": 2}, "gone": {"AllowTame": false}}})"));
    const BalancedDino* same = table.Find("same");

    TableChanges changes;
    table.LoadBalances(json::parse(R"({"GlobalDinoBalance": null,
        "DinoBalance": {"same": {"AllowRide": false}, "changed": {"DamageResistanceMultiplier": 3, "AllowBreed": false}, "new": {}}})"),
                       &changes);

    EXPECT_EQ(table.Find("same"), same) << "an unchanged entry stays where it was";
    EXPECT_EQ(changes.ChangedCount, 1);
    EXPECT_EQ(changes.AddedCount, 1);
    EXPECT_EQ(changes.RemovedCount, 1);
    EXPECT_EQ(changes.Describe(), (std::vector<std::string>{
                                      R"(Changed "GlobalDinoBalance": ReducedFoodConsumptionSpeedMultiplier 2 -> -1)",
                                      R"(Changed "changed": AllowBreed true -> false, DamageResistanceMultiplier 2 -> 3)",
                                      R"(Removed "gone")",
                                      R"(Added "new": all defaults)",
                                      "Species entries: 1 changed, 1 added, 1 removed"}));
    EXPECT_EQ(changes.BalanceBefore("changed", table.Find("changed")).DamageResistanceMultiplier, 2.0f);
    EXPECT_FALSE(changes.BalanceBefore("gone", table.Find("gone")).AllowTame);
    EXPECT_FALSE(changes.BalanceBefore("same", table.Find("same")).AllowRide);
    EXPECT_EQ(changes.BalanceBefore("new", table.Find("new")).ReducedFoodConsumptionSpeedMultiplier, 2.0f)
        << "a new species had the global entry";
    EXPECT_EQ(changes.BalanceBefore("never", table.Find("never")).ReducedFoodConsumptionSpeedMultiplier, 2.0f);
}

TEST_F(BalanceTableTest, ANewTableLoadedTwiceChangesNothing)
{
    const json document = json::parse(R"({"GlobalDinoBalance": null, "DinoBalance": {"a": {"AllowTame": false}}})");
    table.LoadBalances(document);
    TableChanges changes;
    table.LoadBalances(document, &changes);
    EXPECT_EQ(changes.Describe(), std::vector<std::string>{"Species entries: 0 changed, 0 added, 0 removed"});
}

TEST_F(BalanceTableTest, KeysCutToOneThatChangeAnEntryAndChangeItBackChangeNothing)
{
    // Both keys become "k": the first changes the stored entry, the second puts it back.
    const json document = json::parse(R"({"GlobalDinoBalance": null, "DinoBalance": {"k\u0000a": {"AllowRide": false}, "k\u0000b": {}}})");
    table.LoadBalances(document);
    TableChanges changes;
    table.LoadBalances(document, &changes);
    EXPECT_EQ(changes.Describe(), std::vector<std::string>{"Species entries: 0 changed, 0 added, 0 removed"});
}

TEST_F(BalanceTableTest, AnEntryThatNoLongerReadsGoesAndKeysCutToOneLeaveTheLastOnesValues)
{
    table.LoadBalances(json::parse(R"({"GlobalDinoBalance": null, "DinoBalance": {"a": {}, "b": {}, "k": {"AllowTame": false}}})"));
    TableChanges changes;
    table.LoadBalances(json::parse(R"({"GlobalDinoBalance": null, "DinoBalance": {"a": {"AllowRide": false}, "b": {"AllowRide": 0},
        "k\u0000x": {"AllowRide": false}, "k\u0000y": {"AllowTame": false}}})"),
                       &changes);

    EXPECT_EQ(Keys(table), (std::vector<std::string>{"a", "k"}));
    EXPECT_TRUE(table.Dinos.at("k").AllowRide) << "the last of two keys cut to one is in effect";
    EXPECT_EQ(Errors().size(), 1u) << "the broken entry is logged once";
    EXPECT_EQ(changes.Describe(), (std::vector<std::string>{R"(Changed "a": AllowRide true -> false)", R"(Removed "b")",
                                                            "Species entries: 1 changed, 0 added, 1 removed"}));
    EXPECT_TRUE(changes.BalanceBefore("b", nullptr).AllowRide);
}

// ---- hostile documents ---------------------------------------------------------------------

std::string Nested(std::size_t depth, const std::string& leaf)
{
    return std::string(depth, '[') + leaf + std::string(depth, ']');
}

TEST_F(BalanceTableTest, DeepNestingInsideAnEntryNeitherCrashesNorStopsTheLoad)
{
    const std::size_t depth = 100000;
    const std::string text = R"({"GlobalDinoBalance": {"Notes": )" + Nested(depth, "1") + R"(}, "DinoBalance": {)"
                             R"("deep": {"AllowTame": )" + Nested(depth, "true") + R"(},)"
                             R"("ignored": {"Notes": )" + Nested(depth, "{}") + R"(, "AllowRide": false}}})";
    table.LoadBalances(json::parse(text));

    EXPECT_EQ(Keys(table), std::vector<std::string>{"ignored"});
    EXPECT_FALSE(table.Dinos.at("ignored").AllowRide);
    EXPECT_EQ(Errors(), std::vector<std::string>{
                            R"(Error loading dino: [json.exception.type_error.302] type must be boolean, but is array (key "AllowTame") in "deep")"});
    EXPECT_EQ(log->Messages().back(), "Loaded 1 dino balances!");
}

TEST_F(BalanceTableTest, ALargeDocumentLoadsInReasonableTime)
{
    // About 50 MB: many entries, each carrying a long string the table ignores.
    std::string text = R"({"GlobalDinoBalance": null, "DinoBalance": {)";
    const std::string filler(5000, 'x');
    const int entries = 10000;
    for (int i = 0; i < entries; ++i) {
        text += (i ? "," : "") + std::string("\"k") + std::to_string(i) + R"(": {"AttackDamageMultiplier": 1.5, "Notes": ")" + filler + "\"}";
    }
    text += "}}";
    ASSERT_GT(text.size(), 50u * 1000 * 1000);

    const auto start = std::chrono::steady_clock::now();
    table.LoadBalances(json::parse(text));
    const auto elapsed = std::chrono::steady_clock::now() - start;

    EXPECT_EQ(table.Dinos.size(), static_cast<std::size_t>(entries));
    EXPECT_EQ(table.Find("k9999")->AttackDamageMultiplier, 1.5f);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count(), 60);
}

// ---- the sections of "Maps" ------------------------------------------------------------------

// A base with a Rex entry (resistance 2, no breeding) and a Raptor entry, food x0.5 for the rest,
// and the map sections given.
json ClusterDocument(const json& maps)
{
    json document = {{"GlobalDinoBalance", {{"ReducedFoodConsumptionSpeedMultiplier", 0.5}}},
                     {"DinoBalance", {{kRex, {{"DamageResistanceMultiplier", 2.0}, {"AllowBreed", false}}},
                                      {kRaptor, {{"AttackDamageMultiplier", 3.0}}}}}};
    document["Maps"] = maps;
    return document;
}

TEST_F(BalanceTableTest, AMapsEntriesReplaceTheBasesWholeOrAreAddedAndItsGlobalReplacesTheBases)
{
    const std::string trike = "Blueprint'/Game/PrimalEarth/Dinos/Trike/Trike_Character_BP.Trike_Character_BP'";
    json document = ClusterDocument({{"Ragnarok",
                                      {{"GlobalDinoBalance", {{"ReducedStaminaConsumptionSpeedMultiplier", 2.0}}},
                                       {"DinoBalance", {{kRex, {{"DamageResistanceMultiplier", 4.0}}}, {trike, nullptr}}}}}});
    const MapReport map = ApplyMapSection(document, std::string("Ragnarok"));
    const LoadReport report = table.LoadBalances(document);

    EXPECT_EQ(map.Map.Section, "Ragnarok");
    EXPECT_TRUE(map.Failures.empty());
    EXPECT_EQ(report.Stored, 3);
    EXPECT_EQ(Keys(table), (std::vector<std::string>{kRaptor, kRex, trike}));
    EXPECT_EQ(table.Find(kRex)->DamageResistanceMultiplier, 4.0f);
    EXPECT_TRUE(table.Find(kRex)->AllowBreed);  // taken whole: nothing of the base's entry stays
    EXPECT_EQ(table.Find(kRaptor)->AttackDamageMultiplier, 3.0f);
    EXPECT_EQ(table.Global.ReducedStaminaConsumptionSpeedMultiplier, 2.0f);
    EXPECT_EQ(table.Global.ReducedFoodConsumptionSpeedMultiplier, -1.0f);  // the map's global is taken whole too
}

TEST_F(BalanceTableTest, AnotherMapsSectionOrNoMapNameLeavesTheBaseExactlyAsWithoutMaps)
{
    const json maps = {{"Ragnarok", {{"DinoBalance", {{kRex, {{"DamageResistanceMultiplier", 4.0}}}}}}}};
    json base = ClusterDocument(nullptr);
    base.erase("Maps");
    for (const std::optional<std::string>& name : {std::optional<std::string>("TheIsland"), std::optional<std::string>()}) {
        json document = ClusterDocument(maps);
        const MapReport map = ApplyMapSection(document, name);
        EXPECT_TRUE(map.Map.Section.empty());
        EXPECT_TRUE(map.Map.FileHasMaps);
        document.erase("Maps");
        EXPECT_EQ(document, base);
    }
    json without = base;
    EXPECT_FALSE(ApplyMapSection(without, std::string("Ragnarok")).Map.FileHasMaps);
    EXPECT_EQ(without, base);
}

TEST_F(BalanceTableTest, ErrorsOfThisMapCountLikeTheBasesAndOtherMapsErrorsAreWarningsOnly)
{
    const json maps = {{"Ragnarok", {{"DinoBalance", {{kRex, {{"DamageResistanceMultiplier", "4"}}}}}}},
                       {"TheCenter", {{"GlobalDinoBalance", 7}, {"DinoBalance", {{kRaptor, {{"AllowTame", 1}}}}}}}};
    json document = ClusterDocument(maps);
    const MapReport map = ApplyMapSection(document, std::string("Ragnarok"));
    table.LoadBalances(document);

    // The broken entry of this map is skipped, and the base's does not stand in for it.
    ASSERT_EQ(map.Failures.size(), 1u);
    EXPECT_EQ(map.Failures[0].Entry, kRex);
    EXPECT_EQ(map.Failures[0].Key, "DamageResistanceMultiplier");
    EXPECT_EQ(table.Find(kRex), nullptr);
    EXPECT_EQ(Errors().size(), 1u);
    // TheCenter's two mistakes are warned about, and stop nothing here.
    EXPECT_EQ(map.Warnings.size(), 2u);
    EXPECT_EQ(log->Messages("warning").size(), 2u);
    EXPECT_EQ(table.Find(kRaptor)->AttackDamageMultiplier, 3.0f);

    // On TheCenter its broken global section fails the file before anything changed.
    json center = ClusterDocument(maps);
    const json before = center;
    try {
        ApplyMapSection(center, std::string("TheCenter"));
        FAIL() << "the map's global section is broken";
    } catch (const ConfigError& error) {
        EXPECT_EQ(error.Entry(), "GlobalDinoBalance");
        EXPECT_NE(std::string(error.what()).find(R"(of map "TheCenter")"), std::string::npos) << error.what();
    }
    EXPECT_EQ(center, before);
}

TEST_F(BalanceTableTest, MapNamesMatchInAnyLetterCaseTheExactOneFirst)
{
    const json maps = {{"RAGNAROK", json::object()}, {"Ragnarok", json::object()}, {"ragnarok", json::object()}};
    EXPECT_EQ(FindMapSection(maps, "Ragnarok"), "Ragnarok");
    EXPECT_EQ(FindMapSection(maps, "RagnaROK").value_or(""), "RAGNAROK");
    EXPECT_EQ(FindMapSection(maps, "Ragnarok_P"), std::nullopt);
    EXPECT_EQ(FindMapSection(json::array(), "Ragnarok"), std::nullopt);
}

TEST_F(BalanceTableTest, AMapsSectionThatIsNoObjectIsAnErrorAndTheBaseApplies)
{
    for (const json& maps : {json(5), json::array({1})}) {
        json document = ClusterDocument(maps);
        EXPECT_EQ(ApplyMapSection(document, std::string("Ragnarok")).Failures.size(), 1u);
        table.LoadBalances(document);
        EXPECT_EQ(table.Find(kRex)->DamageResistanceMultiplier, 2.0f);
    }
    json section = ClusterDocument({{"Ragnarok", {{"DinoBalance", json::array()}}}});
    EXPECT_EQ(ApplyMapSection(section, std::string("Ragnarok")).Failures.size(), 1u);
}

}  // namespace
