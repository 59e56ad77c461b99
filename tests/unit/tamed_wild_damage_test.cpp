// A species entry's "Tamed" and "Wild" objects: for a hit, the victim's resistance and turret
// factor and the causer's attack come from the object of the dino's state (tamed: a team above
// 5000) for each key it sets, and from the entry's top level otherwise. A structure has no such
// state and takes the top level. The same dinos are hit again and again with other teams, so the
// state must be read at every hit, not remembered with the class.

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "support/LoadedPlugin.h"

namespace {

using testing_support::LoadedPlugin;

// Rex (victim): resistance 2, its tamed ones 4; turret factor for wild ones only, 0.25.
// Raptor (causer): attack 3, its wild ones 5. Turret (a structure): attack 2, 10 for "both" sides,
// which a structure never takes. Dodo: no entry.
const char* kConfig = R"({"GlobalDinoBalance": null, "DinoBalance": {
    "Blueprint'/Game/PrimalEarth/Dinos/Rex/Rex_Character_BP.Rex_Character_BP'":
        {"DamageResistanceMultiplier": 2, "Tamed": {"DamageResistanceMultiplier": 4}, "Wild": {"TurretDamageMultiplier": 0.25}},
    "Blueprint'/Game/PrimalEarth/Dinos/Raptor/Raptor_Character_BP.Raptor_Character_BP'":
        {"AttackDamageMultiplier": 3, "Tamed": {"AttackDamageMultiplier": 0}, "Wild": {"AttackDamageMultiplier": 5}},
    "Blueprint'/Game/PrimalEarth/Structures/StructureTurretBaseBP.StructureTurretBaseBP'":
        {"AttackDamageMultiplier": 2, "Tamed": {"AttackDamageMultiplier": 10}, "Wild": {"AttackDamageMultiplier": 10}}}})";

constexpr int kWild = 0;
constexpr int kTamed = 60000;

struct Hit {
    const char* Victim;
    int VictimTeam;
    const char* Causer;  // null: no causer
    int CauserTeam;
    float Received;      // what the game's TakeDamage gets for 100
};

const Hit kHits[] = {
    // The victim: "Tamed" sets the resistance, "Wild" does not and leaves the top level's 2.
    {"rex", kTamed, nullptr, 0, 25.0f},
    {"rex", kWild, nullptr, 0, 50.0f},
    // The team's edge: 5000 is still wild, 5001 tamed.
    {"rex", 5000, nullptr, 0, 50.0f},
    {"rex", 5001, nullptr, 0, 25.0f},
    // The causer: "Wild" sets 5; "Tamed" writes 0, which is not set, so the top level's 3 holds.
    // A wild victim's turret factor 0.25 comes on top, a tamed one's is not set anywhere.
    {"rex", kWild, "raptor", kTamed, 100.0f / 2 * 3 * 0.25f},
    {"rex", kTamed, "raptor", kWild, 100.0f / 4 * 5},
    {"rex", kTamed, "raptor", kTamed, 100.0f / 4 * 3},
    // A victim without an entry still meets the causer's split.
    {"dodo", kWild, "raptor", kWild, 500.0f},
    {"dodo", kWild, "raptor", kTamed, 300.0f},
    // A structure takes its entry's top level whatever its team.
    {"rex", kTamed, "turret", kTamed, 100.0f / 4 * 2},
    {"rex", kWild, "turret", kWild, 100.0f / 2 * 2 * 0.25f},
};

TEST(TamedWildDamage, EachSideTakesWhatItsObjectSetsAndTheTopLevelForTheRest)
{
    LoadedPlugin plugin(kConfig);
    sim::World& world = plugin.World();
    std::string error;
    ASSERT_TRUE(world.Spawn("Rex", std::string("rex"), kWild, 1, 1, error)) << error;
    ASSERT_TRUE(world.Spawn("Raptor", std::string("raptor"), kWild, 1, 1, error)) << error;
    ASSERT_TRUE(world.Spawn("Dodo", std::string("dodo"), kWild, 1, 1, error)) << error;
    ASSERT_TRUE(world.Spawn("Turret", std::string("turret"), kWild, 1, 1, error)) << error;

    for (const Hit& hit : kHits) {
        world.SetTeam(hit.Victim, hit.VictimTeam);
        std::optional<std::string> causer;
        if (hit.Causer != nullptr) {
            causer = hit.Causer;
            world.SetTeam(*causer, hit.CauserTeam);
        }
        const sim::HitResult result = world.Hit(hit.Victim, 100.0f, causer ? &*causer : nullptr);
        ASSERT_TRUE(result.Reached) << result.Error;
        EXPECT_FLOAT_EQ(result.Received, hit.Received)
            << hit.Victim << " team " << hit.VictimTeam << " hit by " << (hit.Causer ? hit.Causer : "nothing") << " team " << hit.CauserTeam;
    }
}

}  // namespace
