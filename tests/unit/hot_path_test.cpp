// The frequent game calls stay cheap: a use other than riding and a buff other than the net
// cost no table lookup, and no hooked call keeps game memory. Null arguments pass through.

#include <gtest/gtest.h>

#include "SimHost.h"
#include "balance/BalanceHooks.h"
#include "support/LoadedPlugin.h"

namespace {

using testing_support::LoadedPlugin;

const char* kConfig = R"({"GlobalDinoBalance": null, "DinoBalance": {
    "Blueprint'/Game/PrimalEarth/Dinos/Raptor/Raptor_Character_BP.Raptor_Character_BP'": {"AllowRide": false, "DisableNet": true}}})";

template <typename Call>
std::uint64_t LookupsDuring(Call call)
{
    const std::uint64_t before = sim::Lookups();
    call();
    return sim::Lookups() - before;
}

TEST(HotPath, OtherUsesAndOtherBuffsCostNoTableLookup)
{
    sim::World& world = sim::World::Get();
    std::string error;
    ASSERT_TRUE(world.Spawn("Raptor", std::string("r"), 0, 1, 1, error));
    auto* player = world.AddPlayer("p", 0);
    const auto useWithoutPlugin = LookupsDuring([&] { world.Use("r", 0, player); });
    const auto buffWithoutPlugin = LookupsDuring([&] { world.Buff("r", "Buff_Bola"); });

    LoadedPlugin plugin(kConfig);
    EXPECT_EQ(LookupsDuring([&] { world.Use("r", 0, player); }), useWithoutPlugin);
    EXPECT_EQ(LookupsDuring([&] { world.Use("r", 101, player); }), useWithoutPlugin);
    EXPECT_GT(LookupsDuring([&] { world.Use("r", 100, player); }), useWithoutPlugin);

    // Reading the buff's name costs its field, FName.ToString and the allocator's malloc and free
    // for the text: four names, never a class lookup.
    const auto otherBuff = LookupsDuring([&] { world.Buff("r", "Buff_Bola"); });
    const auto netBuff = LookupsDuring([&] { world.Buff("r", "Buff_Netted_Material"); });
    EXPECT_EQ(otherBuff, buffWithoutPlugin + 4);
    EXPECT_GT(netBuff, otherBuff);
}

TEST(HotPath, HookedCallsGiveBackEveryGameAllocation)
{
    LoadedPlugin plugin(kConfig);
    sim::World& world = plugin.World();
    std::string error;
    ASSERT_TRUE(world.Spawn("Raptor", std::string("r"), 0, 1, 1, error));
    ASSERT_TRUE(world.Spawn("Rex", std::string("x"), 0, 1, 1, error));
    auto* player = world.AddPlayer("p", 0);
    const std::string causer = "x";
    const std::size_t before = sim::LiveAllocations();

    world.Hit("r", 10, &causer);
    world.Hit("x", 10, nullptr);
    world.Use("r", 100, player);
    world.Use("r", 3, player);
    EXPECT_FALSE(world.Buff("r", "Buff_Netted_Material"));
    EXPECT_TRUE(world.Buff("x", "Buff_Netted_Material"));
    world.Mate("r", "x");
    int team = 0;
    world.Tame("x", player, team);
    world.Tame("r", nullptr, team);

    EXPECT_EQ(sim::LiveAllocations(), before);
}

TEST(HotPath, NullDinoAndNullBuffPassStraightThrough)
{
    LoadedPlugin plugin(kConfig);
    const std::uint64_t before = sim::Lookups();
    Hook_TameDino(nullptr, nullptr, false, 0, false, false, false);
    EXPECT_EQ(Hook_AddBuff(nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(sim::Lookups(), before) << "neither handler reads a name or a class";
}

}  // namespace
