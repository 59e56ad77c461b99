// The hooked calls the game makes all the time cost nothing beyond the game's own work once a
// class has been seen: no host name lookup, no game allocation, no heap allocation. Each path is
// measured unhooked and hooked, and the two counts must be equal. Every game name is resolved
// once, at load: not even the first hooked call asks the host for one. Null arguments pass through.
// Both species set "Tamed" or "Wild": every hit reads a team, and that must cost no more.

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "balance/BalanceHooks.h"
#include "standin/SimHost.h"
#include "support/HeapCounter.h"
#include "support/LoadedPlugin.h"

namespace {

using testing_support::LoadedPlugin;

const char* kConfig = R"({"GlobalDinoBalance": null, "DinoBalance": {
    "Blueprint'/Game/PrimalEarth/Dinos/Raptor/Raptor_Character_BP.Raptor_Character_BP'":
        {"AllowRide": false, "AllowTame": false, "AllowBreed": false, "DisableNet": true, "DamageResistanceMultiplier": 2,
         "Wild": {"DamageResistanceMultiplier": 4}},
    "Blueprint'/Game/PrimalEarth/Dinos/Rex/Rex_Character_BP.Rex_Character_BP'": {"AttackDamageMultiplier": 2,
         "Tamed": {"AttackDamageMultiplier": 3}}}})";

struct Cost {
    std::uint64_t Lookups = 0;
    std::uint64_t GameAllocations = 0;
    std::uint64_t HeapAllocations = 0;

    bool operator==(const Cost& other) const
    {
        return Lookups == other.Lookups && GameAllocations == other.GameAllocations && HeapAllocations == other.HeapAllocations;
    }
};

std::ostream& operator<<(std::ostream& out, const Cost& cost)
{
    return out << cost.Lookups << " lookups, " << cost.GameAllocations << " game allocations, " << cost.HeapAllocations
               << " heap allocations";
}

// What the second of two calls costs: the first one may meet a class or a name for the first time.
Cost SecondCallCost(const std::function<void()>& call)
{
    call();
    Cost before{sim::Lookups(), sim::GameAllocationsMade(), testing_support::HeapAllocationsCounted()};
    testing_support::CountHeapAllocations(true);
    call();
    testing_support::CountHeapAllocations(false);
    return Cost{sim::Lookups() - before.Lookups, sim::GameAllocationsMade() - before.GameAllocations,
                testing_support::HeapAllocationsCounted() - before.HeapAllocations};
}

struct HotPath {
    const char* Name;
    std::function<void(sim::World&, AShooterPlayerController*)> Call;
};

// Tames need a wild dino each: they take the next of a row spawned beforehand.
int nextWild = 0;

const HotPath kHotPaths[] = {
    {"HitWithACauser", [](sim::World& w, AShooterPlayerController*) { const std::string by = "x"; w.Hit("r", 1.0f, &by); }},
    {"HitOfATamedDinoByATamedOne", [](sim::World& w, AShooterPlayerController*) { const std::string by = "tx"; w.Hit("tr", 1.0f, &by); }},
    {"HitWithoutACauser", [](sim::World& w, AShooterPlayerController*) { w.Hit("r", 1.0f, nullptr); }},
    {"Ride", [](sim::World& w, AShooterPlayerController* p) { w.Use("r", 100, p); }},
    {"OtherUse", [](sim::World& w, AShooterPlayerController* p) { w.Use("r", 3, p); }},
    {"Mate", [](sim::World& w, AShooterPlayerController*) { w.Mate("r", "x"); }},
    {"RefusedTame", [](sim::World& w, AShooterPlayerController* p) { int team = 0; w.Tame("r", p, team); }},
    {"TameOfASpeciesWithoutRates",
     [](sim::World& w, AShooterPlayerController* p) { int team = 0; w.Tame("wild" + std::to_string(nextWild++), p, team); }},
    {"NetBuff", [](sim::World& w, AShooterPlayerController*) { w.Buff("r", "Buff_Netted_Material_C"); }},
    {"OtherBuff", [](sim::World& w, AShooterPlayerController*) { w.Buff("r", "Buff_Bola"); }},
};

class HotPaths : public ::testing::TestWithParam<HotPath> {};

TEST_P(HotPaths, CostNoMoreThanTheGamesOwnWorkOnceTheClassIsKnown)
{
    sim::World& world = sim::World::Get();
    std::string error;
    ASSERT_TRUE(world.Spawn("Raptor", std::string("r"), 0, 1, 1, error));
    ASSERT_TRUE(world.Spawn("Rex", std::string("x"), 0, 1, 1, error));
    ASSERT_TRUE(world.Spawn("Raptor", std::string("tr"), 60000, 1, 1, error));
    ASSERT_TRUE(world.Spawn("Rex", std::string("tx"), 60000, 1, 1, error));
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(world.Spawn("Rex", "wild" + std::to_string(i), 0, 1, 1, error));
    }
    AShooterPlayerController* player = world.AddPlayer("p", 60000);
    nextWild = 0;
    const auto call = [&] { GetParam().Call(world, player); };

    const Cost unhooked = SecondCallCost(call);
    LoadedPlugin plugin(kConfig);
    const std::uint64_t lookupsAfterLoad = sim::Lookups();
    call();
    EXPECT_EQ(sim::Lookups(), lookupsAfterLoad) << "the first call after load asks the host for no name";
    const Cost hooked = SecondCallCost(call);

    EXPECT_EQ(hooked, unhooked);
}

INSTANTIATE_TEST_SUITE_P(Calls, HotPaths, ::testing::ValuesIn(kHotPaths),
                         [](const ::testing::TestParamInfo<HotPath>& info) { return std::string(info.param.Name); });

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
