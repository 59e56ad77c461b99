// What the hooked game calls cost with the plugin loaded, against the same calls unhooked.
// Damage, uses and buffs are the frequent ones: they run on the game thread many times a second.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <nlohmann/json.hpp>

#include "SimHost.h"
#include "config/BalanceTable.h"
#include "frame/Lifecycle.h"
#include "logging/Logger.h"
#include "world/World.h"

namespace {

namespace fs = std::filesystem;

const char* kRexPath = "Blueprint'/Game/PrimalEarth/Dinos/Rex/Rex_Character_BP.Rex_Character_BP'";
const char* kRaptorPath = "Blueprint'/Game/PrimalEarth/Dinos/Raptor/Raptor_Character_BP.Raptor_Character_BP'";

// A config with `extra` made-up species besides the two the benchmarks hit.
std::string Config(int extra)
{
    nlohmann::json species = nlohmann::json::object();
    species[kRexPath] = {{"DamageResistanceMultiplier", 2.0}, {"TurretDamageMultiplier", 0.5}, {"AllowRide", false}};
    species[kRaptorPath] = {{"AttackDamageMultiplier", 1.5}};
    for (int i = 0; i < extra; ++i) {
        species["Blueprint'/Game/Mods/Species" + std::to_string(i) + "/Dino_BP.Dino_BP'"] = {{"DamageResistanceMultiplier", 1.1}};
    }
    return nlohmann::json{{"GlobalDinoBalance", nullptr}, {"DinoBalance", species}}.dump();
}

class World {
public:
    explicit World(bool withPlugin)
    {
        sim::SetLogOutput([](const std::string&) {});
        sim::World& world = sim::World::Get();
        std::string error;
        world.Spawn("Rex", std::string("rex"), 0, 1, 1, error);
        world.Spawn("Raptor", std::string("raptor"), 0, 1, 1, error);
        player_ = world.AddPlayer("bench", 60000);
        if (withPlugin) {
            dir_ = fs::temp_directory_path() / ("dinotuner-bench-" + std::to_string(std::random_device{}()));
            fs::create_directories(dir_ / "ArkApi/Plugins/DinoTuner");
            std::ofstream(dir_ / "ArkApi/Plugins/DinoTuner/config.json") << Config(500);
            sim::SetCurrentDir(dir_.string());
            OnEntryPointNotification(ProcessAttach);
            loaded_ = true;
        }
    }
    ~World()
    {
        if (loaded_) {
            OnEntryPointNotification(ProcessDetach);
            fs::remove_all(dir_);
        }
    }
    AShooterPlayerController* Player() const { return player_; }

private:
    fs::path dir_;
    bool loaded_ = false;
    AShooterPlayerController* player_ = nullptr;
};

// The plugin can be loaded only once per process (its hooks stay chained), so one world with it
// serves every benchmark; the unhooked baselines run before it loads.
World* TheWorld(bool withPlugin)
{
    static World* without = nullptr;
    static World* with = nullptr;
    if (!withPlugin) {
        if (with == nullptr && without == nullptr) {
            without = new World(false);
        }
        return without != nullptr ? without : with;
    }
    if (with == nullptr) {
        with = new World(true);
    }
    return with;
}

void Damage(benchmark::State& state, bool withPlugin)
{
    TheWorld(withPlugin);
    const std::string causer = "raptor";
    for (auto _ : state) {
        benchmark::DoNotOptimize(sim::World::Get().Hit("rex", 0.0f, &causer));
    }
}

void OtherUse(benchmark::State& state, bool withPlugin)
{
    World* world = TheWorld(withPlugin);
    for (auto _ : state) {
        benchmark::DoNotOptimize(sim::World::Get().Use("rex", 3, world->Player()));
    }
}

void Ride(benchmark::State& state, bool withPlugin)
{
    World* world = TheWorld(withPlugin);
    for (auto _ : state) {
        benchmark::DoNotOptimize(sim::World::Get().Use("rex", 100, world->Player()));
    }
}

void OtherBuff(benchmark::State& state, bool withPlugin)
{
    TheWorld(withPlugin);
    for (auto _ : state) {
        benchmark::DoNotOptimize(sim::World::Get().Buff("rex", "Buff_Bola"));
    }
}

void ReloadTable(benchmark::State& state)
{
    sim::SetLogOutput([](const std::string&) {});
    if (!GetLogger()) {
        InitLogger(GetLogger(), "DinoTuner");
    }
    const nlohmann::json document = nlohmann::json::parse(Config(static_cast<int>(state.range(0))));
    BalanceTable table;
    for (auto _ : state) {
        table.LoadBalances(document);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK_CAPTURE(Damage, unhooked, false);
BENCHMARK_CAPTURE(OtherUse, unhooked, false);
BENCHMARK_CAPTURE(Ride, unhooked, false);
BENCHMARK_CAPTURE(OtherBuff, unhooked, false);
BENCHMARK_CAPTURE(Damage, with_plugin, true);
BENCHMARK_CAPTURE(OtherUse, with_plugin, true);
BENCHMARK_CAPTURE(Ride, with_plugin, true);
BENCHMARK_CAPTURE(OtherBuff, with_plugin, true);
BENCHMARK(ReloadTable)->Arg(100)->Arg(1000);

BENCHMARK_MAIN();
