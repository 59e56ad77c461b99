// A reload that runs out of memory while it fills the table changes nothing. Every allocation of
// the fill, one after the other, is made to fail (this binary's operator new throws at the chosen
// one, counted from the fill's start: a reload reads the file first, which allocates as often as
// reading it alone does, and the fill ends with its "Loaded" line, where a sink disarms the
// failure): each failure leaves the table exactly as it was, is answered with the red failure, and
// never reaches the dinos, until the fill is through with the new file whole.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <spdlog/sinks/sink.h>

#include "commands/ReloadCommands.h"
#include "config/BalanceKeys.h"
#include "config/BalanceTable.h"
#include "config/ConfigFile.h"
#include "frame/Plugin.h"
#include "host/HostApi.h"
#include "logging/Logger.h"
#include "support/GameByName.h"
#include "support/HeapCounter.h"
#include "support/LoadedPlugin.h"
#include "support/ProcessState.h"
#include "support/RecordingSink.h"

namespace {

using testing_support::LoadedPlugin;

// Removes one entry, changes one, keeps one, adds two, skips a broken one, and changes the
// global entry and the Raptor's food rate; the keys are long enough to live on the heap.
const char* kOld = R"({"GlobalDinoBalance": {"ReducedFoodConsumptionSpeedMultiplier": 0.5}, "DinoBalance": {
    "Blueprint'/Game/Test/Gone/Gone_Character_BP.Gone_Character_BP'": {"AllowTame": false},
    "Blueprint'/Game/Test/Changed/Changed_Character_BP.Changed_Character_BP'": {"DamageResistanceMultiplier": 2},
    "Blueprint'/Game/Test/Same/Same_Character_BP.Same_Character_BP'": {"AllowRide": false},
    "Blueprint'/Game/PrimalEarth/Dinos/Raptor/Raptor_Character_BP.Raptor_Character_BP'": {"ReducedFoodConsumptionSpeedMultiplier": 0.5}}})";
const char* kNew = R"({"GlobalDinoBalance": null, "DinoBalance": {
    "Blueprint'/Game/Test/Changed/Changed_Character_BP.Changed_Character_BP'": {"DamageResistanceMultiplier": 3},
    "Blueprint'/Game/Test/Same/Same_Character_BP.Same_Character_BP'": {"AllowRide": false},
    "Blueprint'/Game/Test/Added/Added_Character_BP.Added_Character_BP'": {"AllowTame": false},
    "Blueprint'/Game/Test/AlsoAdded/AlsoAdded_Character_BP.AlsoAdded_Character_BP'": {},
    "Blueprint'/Game/Test/Broken/Broken_Character_BP.Broken_Character_BP'": {"AllowBreed": 1},
    "Blueprint'/Game/PrimalEarth/Dinos/Raptor/Raptor_Character_BP.Raptor_Character_BP'": {"ReducedFoodConsumptionSpeedMultiplier": 0.25}}})";

bool SameTable(const BalanceTable& table, const BalancedDino& global, const BalanceTable::SpeciesMap& dinos)
{
    if (!SameValues(table.Global, global) || table.Dinos.size() != dinos.size()) {
        return false;
    }
    for (const auto& [key, entry] : dinos) {
        const BalancedDino* found = table.Find(key);
        if (found == nullptr || !SameValues(*found, entry)) {
            return false;
        }
    }
    return true;
}

float Food(AActor* dino)
{
    void* status = byname::Read<void*>(dino, "APrimalCharacter.MyCharacterStatusComponent");
    return byname::Read<float>(status, "UPrimalCharacterStatusComponent.FoodConsumptionMultiplier");
}

// The allocations `step` makes.
template <typename Step>
std::uint64_t AllocationsOf(Step step)
{
    const std::uint64_t before = testing_support::HeapAllocationsCounted();
    testing_support::CountHeapAllocations(true);
    step();
    testing_support::CountHeapAllocations(false);
    return testing_support::HeapAllocationsCounted() - before;
}

// The first of the host's sinks: the fill's last line ends the stretch where allocations fail. Past
// the fill, a failure is not this test's (the JSON library even allocates when it destroys a
// document, which would end the process).
class FillEndSink final : public spdlog::sinks::sink {
public:
    void log(const spdlog::details::log_msg& message) override
    {
        const std::string_view text(message.payload.data(), message.payload.size());
        if (text.rfind("Loaded ", 0) == 0) {
            testing_support::FailHeapAllocationAt(0);
        }
    }
    void flush() override {}
    void set_pattern(const std::string&) override {}
    void set_formatter(std::unique_ptr<spdlog::formatter>) override {}
};

TEST(FillUnderMemoryExhaustion, EveryFailedAllocationOfTheFillChangesNothing)
{
    const auto log = testing_support::RecordHostLog();
    InitLogger(GetLogger(), "DinoTuner");
    BalanceTable wanted;
    wanted.LoadBalances(nlohmann::json::parse(kNew));

    int unchanged = 0;
    bool through = false;
    for (std::uint64_t n = 1; !through; ++n) {
        ASSERT_LT(n, 10000u);
        testing_support::ResetProcessState();
        GetLogSinks().insert(GetLogSinks().begin(), std::make_shared<FillEndSink>());
        LoadedPlugin plugin(kOld);
        std::string error;
        ASSERT_TRUE(plugin.World().Spawn("Raptor", std::string("r"), 20000, 1, 1, error)) << error;
        AActor* raptor = plugin.World().FindActor("r");
        AShooterPlayerController* player = plugin.World().AddPlayer("ann", 20000);
        std::string reply;
        FLinearColor colour{};
        plugin.World().SetChatOutput([&](const std::string&, const std::string& text, const FLinearColor& c) {
            reply = text;
            colour = c;
        });
        const BalanceTable& table = *ThePlugin().Balances;
        const BalancedDino oldGlobal = table.Global;
        const BalanceTable::SpeciesMap oldDinos = table.Dinos;
        const std::uint64_t oldGeneration = table.Generation();
        const std::uint64_t spawned = plugin.World().Spawned();
        plugin.Server().WriteConfig(kNew);
        const std::uint64_t reading = AllocationsOf([] { ThePlugin().Config->Parse(); });

        bool failed = false;
        ReloadCmdCommand command([&] {
            testing_support::FailHeapAllocationAt(reading + n);
            ReloadResult result = ThePlugin().Reload();
            testing_support::FailHeapAllocationAt(0);
            failed = testing_support::HeapAllocationFailed();
            return result;
        });
        FString line("DinoTuner.Reload");
        command.execute(player, &line, false);

        through = !failed;
        if (SameTable(table, oldGlobal, oldDinos)) {
            ASSERT_TRUE(failed) << "a reload without a failure left the old table";
            ++unchanged;
            EXPECT_EQ(table.Generation(), oldGeneration) << "allocation " << n;
            EXPECT_EQ(reply.rfind("Reload failed: ", 0), 0u) << "allocation " << n << ": " << reply;
            EXPECT_EQ(colour.R, 1.0f);
            EXPECT_EQ(colour.G, 0.0f);
            EXPECT_EQ(Food(raptor), 0.5f) << "allocation " << n << ": the sweep ran";
            EXPECT_EQ(plugin.World().Spawned(), spawned) << "allocation " << n << ": the sweep ran";
        } else {
            // Through, or a failure the logger took in (a lost log line): the new table, whole.
            ASSERT_TRUE(SameTable(table, wanted.Global, wanted.Dinos)) << "allocation " << n << " left a table half old, half new";
            EXPECT_EQ(reply.rfind("Reloaded, but skipped 1 of 6 entries.", 0), 0u) << reply;
            EXPECT_EQ(Food(raptor), 0.25f);
        }
        if (::testing::Test::HasFailure()) {
            break;
        }
    }
    EXPECT_GT(unchanged, 20) << "the fill makes its allocations before its first change";
}

}  // namespace
