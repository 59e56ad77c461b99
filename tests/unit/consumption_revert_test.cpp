// Taking a consumption setting back: at the reload, a group of rates that the previous table
// changed and the new one leaves alone goes back to the game's own, and nothing else is touched.

#include <gtest/gtest.h>

#include "frame/Plugin.h"
#include "host/GameAccess.h"
#include "standin/SimHost.h"
#include "support/GameByName.h"
#include "support/LoadedPlugin.h"

namespace {

using testing_support::LoadedPlugin;

const std::string kRaptor = "Blueprint'/Game/PrimalEarth/Dinos/Raptor/Raptor_Character_BP.Raptor_Character_BP'";

float* StatusField(AActor* dino, const std::string& field)
{
    void* status = byname::Read<void*>(dino, "APrimalCharacter.MyCharacterStatusComponent");
    return static_cast<float*>(byname::Address(status, "UPrimalCharacterStatusComponent." + field));
}

TEST(ConsumptionRevert, OnlyTheGroupsThePreviousTableChangedGoBack)
{
    LoadedPlugin plugin(R"({"GlobalDinoBalance": null, "DinoBalance": {")" + kRaptor +
                        R"(": {"ReducedFoodConsumptionSpeedMultiplier": 0.5}}})");
    std::string error;
    ASSERT_TRUE(plugin.World().Spawn("Raptor", std::string("r"), 20000, 1, 1, error)) << error;
    AActor* raptor = plugin.World().FindActor("r");
    ASSERT_EQ(*StatusField(raptor, "FoodConsumptionMultiplier"), 0.5f);
    // Something else (the game, another plugin) changed the oxygen rate: not ours to undo.
    *StatusField(raptor, "SubmergedOxygenDecreaseSpeed") = 99.0f;

    plugin.Server().WriteConfig(R"({"GlobalDinoBalance": null, "DinoBalance": {}})");
    ASSERT_TRUE(ThePlugin().Reload().Succeeded);

    EXPECT_EQ(*StatusField(raptor, "FoodConsumptionMultiplier"), 1.0f) << "the catalog's Raptor rate";
    EXPECT_EQ(*StatusField(raptor, "SubmergedOxygenDecreaseSpeed"), 99.0f);

    // Nothing left to take back: the next reload spawns no temporary dino for it.
    const std::uint64_t spawned = plugin.World().Spawned();
    ASSERT_TRUE(ThePlugin().Reload().Succeeded);
    EXPECT_EQ(plugin.World().Spawned(), spawned);
}

}  // namespace
