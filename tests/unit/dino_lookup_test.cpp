// How an object's species is named and its entry found: path formation from the class's string
// reference, exact-byte lookup, private copies, and the fallback to the global entry.

#include <new>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "balance/BalanceLookup.h"
#include "balance/BlueprintPath.h"
#include "config/BalanceTable.h"
#include "frame/Plugin.h"
#include "logging/Logger.h"
#include "standin/SimHost.h"
#include "support/GameByName.h"
#include "support/LoadedPlugin.h"
#include "world/WorldState.h"

namespace {

using testing_support::LoadedPlugin;

const char* kRaptorPath = "Blueprint'/Game/PrimalEarth/Dinos/Raptor/Raptor_Character_BP.Raptor_Character_BP'";

UObject* Spawned(sim::World& world, const std::string& species, const std::string& id, int team = 0)
{
    std::string error;
    EXPECT_TRUE(world.Spawn(species, id, team, 1, 1, error).has_value()) << error;
    return world.FindActor(id);
}

std::string PathOf(const UObject* object)
{
    return MakeBlueprintPath(object).ToString();
}

TEST(BlueprintPath, DropsTheLastTwoCharactersOfTheStringReference)
{
    sim::World& world = sim::World::Get();
    const sim::SpeciesInfo raptor = *world.FindSpecies("Raptor");  // a copy: adding species moves the catalog
    world.AddSpecies("Six", "ABCDEF", raptor);
    world.AddSpecies("One", "A", raptor);
    world.AddSpecies("None", "", raptor);
    world.AddSpecies("Two", "AB", raptor);

    EXPECT_EQ(PathOf(Spawned(world, "Raptor", "r")), kRaptorPath);
    EXPECT_EQ(PathOf(Spawned(world, "Six", "six")), "Blueprint'ABCD'");
    EXPECT_EQ(PathOf(Spawned(world, "One", "one")), "Blueprint''");
    EXPECT_EQ(PathOf(Spawned(world, "None", "none")), "Blueprint''");
    EXPECT_EQ(PathOf(Spawned(world, "Two", "two")), "Blueprint''");
}

TEST(BlueprintPath, NullObjectOrClassGivesAnEmptyPathWithoutABuffer)
{
    sim::World& world = sim::World::Get();
    UObject* raptor = Spawned(world, "Raptor", "r");
    const FString none = MakeBlueprintPath(nullptr);
    EXPECT_EQ(none.Num(), 0);
    EXPECT_EQ(none.RawData(), nullptr);

    *static_cast<UClass**>(byname::Address(raptor, "UObjectBase.Class")) = nullptr;
    const FString classless = MakeBlueprintPath(raptor);
    EXPECT_EQ(classless.Num(), 0);
    EXPECT_EQ(classless.RawData(), nullptr);
}

TEST(BlueprintPath, NullObjectAsksTheHostNothing)
{
    const BalanceTable table;
    const std::uint64_t before = sim::Lookups();
    EXPECT_EQ(MakeBlueprintPath(nullptr).Num(), 0);
    EXPECT_FALSE(FindDinoBalance(table, nullptr));
    EXPECT_EQ(sim::Lookups(), before) << "a host may answer a field of a null object with a wild address";
}

TEST(BlueprintPath, FreesEveryTemporaryText)
{
    sim::World& world = sim::World::Get();
    UObject* raptor = Spawned(world, "Raptor", "r");
    const std::size_t before = sim::LiveAllocations();
    {
        const FString path = MakeBlueprintPath(raptor);
        EXPECT_EQ(sim::LiveAllocations(), before + 1) << "only the result stays allocated";
    }
    EXPECT_EQ(sim::LiveAllocations(), before);
}

class BalanceLookup : public ::testing::Test {
protected:
    static const BalanceTable& Table() { return *ThePlugin().Balances; }

    LoadedPlugin plugin{std::string(R"({"GlobalDinoBalance": {"ReducedFoodConsumptionSpeedMultiplier": 0.5, "AllowTame": false},
        "DinoBalance": {")") + kRaptorPath + R"(": {"DamageResistanceMultiplier": 2.5},
                        "blueprint'/game/primalearth/dinos/rex/rex_character_bp.rex_character_bp'": {"AllowTame": false}}})"};
};

TEST_F(BalanceLookup, FindsTheSpeciesEntryByExactBytes)
{
    UObject* raptor = Spawned(plugin.World(), "Raptor", "r");
    UObject* rex = Spawned(plugin.World(), "Rex", "x");
    const BalancedDino* entry = FindDinoBalance(Table(), raptor);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->DamageResistanceMultiplier, 2.5f);
    EXPECT_EQ(SpeciesKeyOf(Table(), raptor), kRaptorPath);
    EXPECT_EQ(FindDinoBalance(Table(), rex), nullptr) << "a key differing only in letter case does not match";
    EXPECT_EQ(FindDinoBalance(Table(), nullptr), nullptr);
}

TEST_F(BalanceLookup, BalanceInEffectFallsBackToTheWholeGlobalEntry)
{
    UObject* raptor = Spawned(plugin.World(), "Raptor", "r");
    UObject* dodo = Spawned(plugin.World(), "Dodo", "d");
    EXPECT_EQ(FindDinoBalance(Table(), dodo), nullptr) << "lookups never hand out the global entry";

    EXPECT_EQ(&BalanceInEffect(Table(), dodo), &Table().Global);
    EXPECT_EQ(BalanceInEffect(Table(), dodo).ReducedFoodConsumptionSpeedMultiplier, 0.5f);
    const BalancedDino& own = BalanceInEffect(Table(), raptor);
    EXPECT_EQ(own.DamageResistanceMultiplier, 2.5f);
    EXPECT_EQ(own.ReducedFoodConsumptionSpeedMultiplier, -1.0f) << "a species entry is taken whole, defaults included";
}

TEST_F(BalanceLookup, AReloadIsSeenByTheNextLookup)
{
    UObject* raptor = Spawned(plugin.World(), "Raptor", "r");
    ASSERT_NE(FindDinoBalance(Table(), raptor), nullptr);
    plugin.Server().WriteConfig(std::string(R"({"GlobalDinoBalance": null, "DinoBalance": {")") + kRaptorPath +
                                R"(": {"DamageResistanceMultiplier": 7}}})");
    ASSERT_TRUE(ThePlugin().Reload().Succeeded);
    ASSERT_NE(FindDinoBalance(Table(), raptor), nullptr);
    EXPECT_EQ(FindDinoBalance(Table(), raptor)->DamageResistanceMultiplier, 7.0f);

    plugin.Server().WriteConfig(R"({"GlobalDinoBalance": null, "DinoBalance": {}})");
    ASSERT_TRUE(ThePlugin().Reload().Succeeded);
    EXPECT_EQ(FindDinoBalance(Table(), raptor), nullptr) << "the removed entry is gone";
    EXPECT_EQ(&BalanceInEffect(Table(), raptor), &Table().Global);
}

TEST(BalanceLookupCache, AClassMadeAtTheAddressOfAFreedOneIsLookedUpAgain)
{
    const std::string otherPath = "Blueprint'/Game/Mods/Other/Raptor_Character_BP.Raptor_Character_BP'";
    LoadedPlugin plugin(std::string(R"({"GlobalDinoBalance": null, "DinoBalance": {")") + kRaptorPath +
                        R"(": {"DamageResistanceMultiplier": 2}, ")" + otherPath + R"(": {"DamageResistanceMultiplier": 3}}})");
    UObject* raptor = Spawned(plugin.World(), "Raptor", "r");
    const BalanceTable& table = *ThePlugin().Balances;
    ASSERT_EQ(FindDinoBalance(table, raptor)->DamageResistanceMultiplier, 2.0f);

    // The game frees the Raptor class and makes, at the same address, a mod's class of the same
    // short name in another package: another path. A class is known by its whole path.
    sim::world::ClassRecord* record = sim::world::ClassByBody(*static_cast<UClass**>(byname::Address(raptor, "UObjectBase.Class")));
    ASSERT_NE(record, nullptr);
    const sim::world::ClassRecord saved = *record;
    record->StringReference = u"/Game/Mods/Other/Raptor_Character_BP.Raptor_Character_BP_C";
    record->Package.Name = sim::world::InternName("/Game/Mods/Other/Raptor_Character_BP");
    const BalancedDino* found = FindDinoBalance(table, raptor);
    record->StringReference = saved.StringReference;
    record->Package.Name = saved.Package.Name;

    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->DamageResistanceMultiplier, 3.0f);
    EXPECT_EQ(FindDinoBalance(table, raptor)->DamageResistanceMultiplier, 2.0f) << "and the Raptor's again once it is back";
}

TEST(BalanceLookupCache, ATableMadeAnewWhereAnotherWasIsLookedUpAfresh)
{
    // A table freed and another made at its address, filled as often: what the lookup remembered
    // of the first must not be handed out for the second.
    const auto log = testing_support::RecordHostLog();
    InitLogger(GetLogger(), "DinoTuner");
    sim::World& world = sim::World::Get();
    UObject* raptor = Spawned(world, "Raptor", "r");
    alignas(BalanceTable) static unsigned char place[sizeof(BalanceTable)];
    auto* first = new (place) BalanceTable();
    first->LoadBalances(nlohmann::json::parse(std::string(R"({"GlobalDinoBalance": null, "DinoBalance": {")") + kRaptorPath +
                                              R"(": {"DamageResistanceMultiplier": 2}}})"));
    ASSERT_EQ(FindDinoBalance(*first, raptor)->DamageResistanceMultiplier, 2.0f);
    first->~BalanceTable();

    auto* second = new (place) BalanceTable();
    second->LoadBalances(nlohmann::json::parse(std::string(R"({"GlobalDinoBalance": null, "DinoBalance": {")") + kRaptorPath +
                                               R"(": {"DamageResistanceMultiplier": 3}}})"));
    const BalancedDino* found = FindDinoBalance(*second, raptor);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->DamageResistanceMultiplier, 3.0f);
    EXPECT_EQ(found, second->Find(kRaptorPath));
    second->~BalanceTable();
}

}  // namespace
