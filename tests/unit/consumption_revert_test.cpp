// Taking a consumption setting back: the plugin gives back only the groups of rates it set on a
// dino, only while the dino still carries what it wrote, and forgets the dinos that are gone.

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "balance/RateLedger.h"
#include "frame/Plugin.h"
#include "standin/SimHost.h"
#include "support/GameByName.h"
#include "support/LoadedPlugin.h"

namespace {

using testing_support::LoadedPlugin;

const std::string kRaptor = "Blueprint'/Game/PrimalEarth/Dinos/Raptor/Raptor_Character_BP.Raptor_Character_BP'";
const std::string kDodo = "Blueprint'/Game/PrimalEarth/Dinos/Dodo/Dodo_Character_BP.Dodo_Character_BP'";
const std::string kNothingSet = R"({"GlobalDinoBalance": null, "DinoBalance": {}})";

std::string FoodHalved(const std::string& species)
{
    return R"({"GlobalDinoBalance": null, "DinoBalance": {")" + species + R"(": {"ReducedFoodConsumptionSpeedMultiplier": 0.5}}})";
}

float* StatusField(AActor* dino, const std::string& field)
{
    void* status = byname::Read<void*>(dino, "APrimalCharacter.MyCharacterStatusComponent");
    return static_cast<float*>(byname::Address(status, "UPrimalCharacterStatusComponent." + field));
}

float* Food(AActor* dino)
{
    return StatusField(dino, "FoodConsumptionMultiplier");
}

AActor* Spawn(LoadedPlugin& plugin, const std::string& species, const std::string& id, int team)
{
    std::string error;
    EXPECT_TRUE(plugin.World().Spawn(species, id, team, 1, 1, error)) << error;
    return plugin.World().FindActor(id);
}

void ReloadWith(LoadedPlugin& plugin, const std::string& config)
{
    plugin.Server().WriteConfig(config);
    ASSERT_TRUE(ThePlugin().Reload().Succeeded);
}

TEST(ConsumptionRevert, OnlyTheGroupsThePluginSetGoBack)
{
    LoadedPlugin plugin(FoodHalved(kRaptor));
    AActor* raptor = Spawn(plugin, "Raptor", "r", 20000);
    ASSERT_EQ(*Food(raptor), 0.5f);
    // Something else (the game, another plugin) changed the oxygen rate: not ours to undo.
    *StatusField(raptor, "SubmergedOxygenDecreaseSpeed") = 99.0f;

    ReloadWith(plugin, kNothingSet);

    EXPECT_EQ(*Food(raptor), 1.0f) << "the catalog's Raptor rate";
    EXPECT_EQ(*StatusField(raptor, "SubmergedOxygenDecreaseSpeed"), 99.0f);
    // Nothing left to take back: the next reload spawns no temporary dino for it.
    const std::uint64_t spawned = plugin.World().Spawned();
    ReloadWith(plugin, kNothingSet);
    EXPECT_EQ(plugin.World().Spawned(), spawned);
}

TEST(ConsumptionRevert, AValueSetBySomethingElseSinceIsLeftAloneAndForgotten)
{
    LoadedPlugin plugin(FoodHalved(kRaptor));
    AActor* raptor = Spawn(plugin, "Raptor", "r", 20000);
    *Food(raptor) = 0.7f;

    ReloadWith(plugin, kNothingSet);
    EXPECT_EQ(*Food(raptor), 0.7f);

    // The plugin forgot the group: even its own old value, put back by someone, stays.
    *Food(raptor) = 0.5f;
    ReloadWith(plugin, kNothingSet);
    EXPECT_EQ(*Food(raptor), 0.5f);
    EXPECT_EQ(ThePlugin().Rates->Count(), 0u);
}

TEST(ConsumptionRevert, ADinoThePluginNeverChangedGetsNothingBack)
{
    // A wild dino, with a rate the game set, moved to a player team without a tame.
    LoadedPlugin plugin(FoodHalved(kDodo));
    AActor* dodo = Spawn(plugin, "Dodo", "d", 0);
    *Food(dodo) = 0.7f;
    plugin.World().SetTeam("d", 20000);
    const std::uint64_t spawned = plugin.World().Spawned();

    ReloadWith(plugin, kNothingSet);

    EXPECT_EQ(*Food(dodo), 0.7f);
    EXPECT_EQ(plugin.World().Spawned(), spawned) << "no reference dino for a dino with nothing to give back";
}

TEST(ConsumptionRevert, AnotherActorAtTheAddressOfAChangedOneInheritsNothing)
{
    LoadedPlugin plugin(FoodHalved(kRaptor));
    AActor* raptor = Spawn(plugin, "Raptor", "r", 20000);
    ASSERT_EQ(*Food(raptor), 0.5f);
    // The game destroys the dino and makes another at its address: the same bytes, another name.
    auto* name = static_cast<FName*>(byname::Address(raptor, "UObjectBase.Name"));
    ASSERT_NE(name, nullptr);
    name->Number += 1000;

    ReloadWith(plugin, kNothingSet);

    EXPECT_EQ(*Food(raptor), 0.5f);
    EXPECT_EQ(ThePlugin().Rates->Count(), 0u) << "the old dino's record goes with it";
}

TEST(ConsumptionRevert, DestroyedDinosLeaveNoRecordBehind)
{
    LoadedPlugin plugin(FoodHalved(kRaptor));
    // A server spawns and destroys tamed dinos all day, with no reload in between.
    for (int i = 0; i < 3000; ++i) {
        AActor* raptor = Spawn(plugin, "Raptor", "r" + std::to_string(i), 20000);
        ASSERT_EQ(*Food(raptor), 0.5f);
        ASSERT_TRUE(sim::CallGame<bool>("AActor.ForceDestroy", raptor));
    }
    EXPECT_LT(ThePlugin().Rates->Count(), 600u);

    AActor* kept = Spawn(plugin, "Raptor", "kept", 20000);
    ReloadWith(plugin, FoodHalved(kRaptor));
    EXPECT_EQ(ThePlugin().Rates->Count(), 1u) << "the reload's sweep keeps only the live dino's record";
    ReloadWith(plugin, kNothingSet);
    EXPECT_EQ(*Food(kept), 1.0f);
    EXPECT_EQ(ThePlugin().Rates->Count(), 0u);
}

}  // namespace

// ---- the record itself ----------------------------------------------------------------------

// The record against a plain map of what it should hold, through thousands of additions, drops
// and prunes of dinos that share addresses or names, in a small record (whose searches wrap
// round its index) and a large one: every lookup agrees, whatever order the dinos are met in.
class RateLedgerRecord : public ::testing::TestWithParam<std::size_t> {};

TEST_P(RateLedgerRecord, AgreesWithAPlainMapThroughAddsDropsAndPrunes)
{
    using Key = std::pair<std::uintptr_t, std::int32_t>;
    RateLedger ledger;
    std::map<Key, float> model;
    std::mt19937 random(7);
    const auto identity = [](const Key& key) {
        RateLedger::Identity dino{reinterpret_cast<const void*>(key.first), FName{}};
        dino.Name.ComparisonIndex = key.second;
        return dino;
    };
    const auto check = [&](const Key& key) {
        const RateLedger::Record* record = ledger.Find(identity(key));
        const auto expected = model.find(key);
        ASSERT_EQ(record != nullptr, expected != model.end()) << key.first << "/" << key.second;
        if (record != nullptr) {
            EXPECT_EQ(record->Written[3], expected->second);
        }
    };
    for (int round = 0; round < 50; ++round) {
        // Dinos at a few addresses, each under a few names; new ones every round.
        std::vector<Key> pool;
        for (std::size_t i = 0; i < GetParam(); ++i) {
            pool.emplace_back(16 * (1 + random() % 100000), static_cast<std::int32_t>(random() % 3));
        }
        for (int step = 0; step < 300; ++step) {
            const Key& key = pool[random() % pool.size()];
            if (random() % 3 != 0) {
                const float value = static_cast<float>(random() % 1000);
                ledger.Add(identity(key)).Written[3] = value;
                model[key] = value;
            } else {
                ledger.Drop(identity(key));
                model.erase(key);
            }
            if (step % 50 == 0) {
                check(key);
            }
        }
        ASSERT_EQ(ledger.Count(), model.size());
        // A prune that keeps every other dino, met in the order of the model (not the record's).
        ledger.BeginPrune();
        bool keep = true;
        for (auto it = model.begin(); it != model.end(); keep = !keep) {
            if (keep) {
                EXPECT_NE(ledger.MarkAlive(identity(it->first)), nullptr);
                ++it;
            } else {
                it = model.erase(it);
            }
        }
        ledger.EndPrune();
        ASSERT_EQ(ledger.Count(), model.size());
        for (const Key& key : pool) {
            check(key);
        }
        for (const auto& [key, value] : model) {
            check(key);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, RateLedgerRecord, ::testing::Values(std::size_t{12}, std::size_t{1200}));
