// What the hooked game calls cost with the plugin loaded, against the same calls unhooked, side
// by side in one run (in alternating batches), on a table of 100 and one of 100,000 species; and what a reload of 100,000
// entries costs in time and in memory. Damage, uses and buffs are the frequent calls: they run on
// the game thread many times a second.
//
// The figures that matter are ratios (hooked / unhooked): absolute times depend on the machine.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "balance/BalanceHooks.h"
#include "balance/ConsumptionRates.h"
#include "balance/RateLedger.h"
#include "config/BalanceTable.h"
#include "config/TableChanges.h"
#include "frame/Plugin.h"
#include "logging/Logger.h"
#include "standin/SimHost.h"
#include "world/World.h"
#include "HeapAccounting.h"

namespace {

namespace fs = std::filesystem;

const char* kRexPath = "Blueprint'/Game/PrimalEarth/Dinos/Rex/Rex_Character_BP.Rex_Character_BP'";
const char* kRaptorPath = "Blueprint'/Game/PrimalEarth/Dinos/Raptor/Raptor_Character_BP.Raptor_Character_BP'";
const char* kTrikePath = "Blueprint'/Game/PrimalEarth/Dinos/Trike/Trike_Character_BP.Trike_Character_BP'";
const char* kArgentPath = "Blueprint'/Game/PrimalEarth/Dinos/Argentavis/Argent_Character_BP.Argent_Character_BP'";

// A config with `extra` made-up species besides the two the benchmarks hit; `resistance` lets two
// configs differ in every made-up entry.
nlohmann::json Config(int extra, double resistance = 1.1)
{
    nlohmann::json species = nlohmann::json::object();
    species[kRexPath] = {{"DamageResistanceMultiplier", 2.0}, {"TurretDamageMultiplier", 0.5}, {"AllowRide", false}};
    species[kRaptorPath] = {{"AttackDamageMultiplier", 1.5}};
    // A wild victim and a tamed causer whose entries set "Tamed" or "Wild": each hit reads their teams.
    species[kTrikePath] = {{"DamageResistanceMultiplier", 2.0}, {"Wild", {{"DamageResistanceMultiplier", 4.0}}}};
    species[kArgentPath] = {{"AttackDamageMultiplier", 1.5}, {"Tamed", {{"AttackDamageMultiplier", 3.0}}}};
    for (int i = 0; i < extra; ++i) {
        species["Blueprint'/Game/Mods/Species" + std::to_string(i) + "/Dino_BP.Dino_BP'"] = {{"DamageResistanceMultiplier", resistance}};
    }
    return nlohmann::json{{"GlobalDinoBalance", nullptr}, {"DinoBalance", species}};
}

// The simulated server, with the plugin attached on a table of a given size or not at all.
class Server {
public:
    static Server& Get()
    {
        static Server server;
        return server;
    }

    // Attaches the plugin on a table of `size` species, or (size 0) leaves it detached.
    void Use(int size)
    {
        if (size == attached_) {
            return;
        }
        if (attached_ != 0) {
            OnEntryPointNotification(ProcessDetach);
        }
        attached_ = size;
        if (size != 0) {
            std::ofstream(dir_ / "ArkApi/Plugins/DinoTuner/config.json") << Config(size).dump();
            OnEntryPointNotification(ProcessAttach);
        }
    }

    AShooterPlayerController* Player() const { return player_; }
    // The plugin's config file in the server's folder.
    fs::path ConfigPath() const { return dir_ / "ArkApi/Plugins/DinoTuner/config.json"; }

private:
    Server()
    {
        sim::SetLogOutput([](const std::string&) {});
        sim::World& world = sim::World::Get();
        std::string error;
        world.Spawn("Rex", std::string("rex"), 0, 1, 1, error);
        world.Spawn("Raptor", std::string("raptor"), 0, 1, 1, error);
        world.Spawn("Trike", std::string("trike"), 0, 1, 1, error);
        world.Spawn("Argentavis", std::string("argent"), 60000, 1, 1, error);
        player_ = world.AddPlayer("bench", 60000);
        dir_ = fs::temp_directory_path() / ("dinotuner-bench-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir_ / "ArkApi/Plugins/DinoTuner");
        sim::SetCurrentDir(dir_.string());
    }

    fs::path dir_;
    int attached_ = 0;
    AShooterPlayerController* player_ = nullptr;
};

// ---- the calls -------------------------------------------------------------------------------

struct Call {
    const char* Name;
    void (*Run)(sim::World&, AShooterPlayerController*);
    bool Target;  // one of the calls the ratio target is set for
};

const std::string kCauser = "raptor";
const std::string kTamedCauser = "argent";

const Call kCalls[] = {
    {"Hit with a causer", [](sim::World& w, AShooterPlayerController*) { benchmark::DoNotOptimize(w.Hit("rex", 0.0f, &kCauser)); }, true},
    {"Hit, Tamed/Wild set", [](sim::World& w, AShooterPlayerController*) { benchmark::DoNotOptimize(w.Hit("trike", 0.0f, &kTamedCauser)); },
     true},
    {"Hit without a causer", [](sim::World& w, AShooterPlayerController*) { benchmark::DoNotOptimize(w.Hit("rex", 0.0f, nullptr)); }, false},
    {"Ride (use 100)", [](sim::World& w, AShooterPlayerController* p) { benchmark::DoNotOptimize(w.Use("rex", 100, p)); }, true},
    {"Other use", [](sim::World& w, AShooterPlayerController* p) { benchmark::DoNotOptimize(w.Use("rex", 3, p)); }, false},
    {"Buff, not the net", [](sim::World& w, AShooterPlayerController*) { benchmark::DoNotOptimize(w.Buff("rex", "Buff_Bola")); }, true},
    {"Net buff", [](sim::World& w, AShooterPlayerController*) { benchmark::DoNotOptimize(w.Buff("raptor", "Buff_Netted_Material")); }, false},
};

const int kSizes[] = {100, 100000};

// The same call unhooked and hooked, in short alternating batches: whatever else the machine does
// falls on both alike, and the median of the batch ratios is the figure.
double MedianRatio(const Call& call, int size)
{
    Server& server = Server::Get();
    server.Use(size);
    sim::World& world = sim::World::Get();
    const std::array<BalanceHook, 6>& hooks = PrepareBalanceHooks(*ThePlugin().Balances, *ThePlugin().Rates);
    bool installed = true;
    const auto setHooked = [&](bool hooked) {
        if (hooked == installed) {
            return;  // installing a detour twice would chain it to itself
        }
        installed = hooked;
        for (const BalanceHook& hook : hooks) {
            if (hooked) {
                ArkApi::GetHooks().SetHook(hook.Function->Text(), hook.Detour, hook.Slot);
            } else {
                ArkApi::GetHooks().DisableHook(hook.Function->Text(), hook.Detour);
            }
        }
    };
    const auto batch = [&](int calls) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < calls; ++i) {
            call.Run(world, server.Player());
        }
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    // Warm up (the first call meets the class) and size a batch to about a millisecond.
    int calls = 1000;
    while (batch(calls) < 0.001 && calls < (1 << 24)) {
        calls *= 2;
    }
    std::vector<double> ratios;
    for (int round = 0; round < 41; ++round) {
        // Which comes first alternates, so that neither always meets a cold cache.
        const bool hookedFirst = round % 2 == 1;
        setHooked(hookedFirst);
        const double first = batch(calls);
        setHooked(!hookedFirst);
        const double second = batch(calls);
        ratios.push_back(hookedFirst ? first / second : second / first);
    }
    setHooked(true);
    std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
    return ratios[ratios.size() / 2];
}

void PrintRatios()
{
    std::printf("\nHooked / unhooked, median of 41 alternating batches (target <= 1.3 for the calls marked *):\n");
    std::printf("  %-24s %14s %16s\n", "Call", "100 entries", "100,000 entries");
    // Per table size, so that each table is loaded once.
    std::map<std::string, std::array<double, 2>> ratios;
    for (std::size_t size = 0; size < 2; ++size) {
        for (const Call& call : kCalls) {
            ratios[call.Name][size] = MedianRatio(call, kSizes[size]);
        }
    }
    for (const Call& call : kCalls) {
        std::printf("  %-22s%s %14.2f %16.2f\n", call.Name, call.Target ? " *" : "  ", ratios[call.Name][0], ratios[call.Name][1]);
        std::fflush(stdout);
    }
}

// ---- reloads ---------------------------------------------------------------------------------

constexpr int kReloadSize = 100000;

// A reload of the same file (nothing changes), or of files that change every entry each time.
void Reload(benchmark::State& state, bool everyEntryChanges)
{
    sim::SetLogOutput([](const std::string&) {});
    InitLogger(GetLogger(), "DinoTuner");
    const nlohmann::json first = Config(kReloadSize, 1.1);
    const nlohmann::json second = Config(kReloadSize, 1.2);
    BalanceTable table;
    table.LoadBalances(first);
    bool flip = false;
    for (auto _ : state) {
        TableChanges changes;
        flip = !flip;
        table.LoadBalances(everyEntryChanges && flip ? second : first, &changes);
        benchmark::DoNotOptimize(changes.ChangedCount);
    }
    state.SetItemsProcessed(state.iterations() * kReloadSize);
}

// The heap a table of `kReloadSize` entries holds, and the most the heap rose above what was in
// use before the reload, both counted from before the table existed: peak / table.
double ReloadPeakOverTable(bool everyEntryChanges)
{
    const nlohmann::json first = Config(kReloadSize, 1.1);
    const nlohmann::json second = Config(kReloadSize, everyEntryChanges ? 1.2 : 1.1);
    const std::size_t before = HeapInUse();
    BalanceTable table;
    table.LoadBalances(first);
    const std::size_t tableBytes = HeapInUse() - before;
    ResetHeapPeak();
    {
        TableChanges changes;
        table.LoadBalances(second, &changes);
    }
    return static_cast<double>(HeapPeak() - before) / static_cast<double>(tableBytes);
}

// ---- a reload on a populated server -------------------------------------------------------------

constexpr int kPopulatedSpecies = 300;
constexpr int kPopulatedDinos = 50000;
constexpr int kPopulatedLevels = 5;

std::string ModReference(int species)
{
    return "/Game/Mods/Bench" + std::to_string(species) + "/Bench_BP.Bench_BP_C";
}

// Every mod species with its own entry, each setting the food multiplier `food`.
nlohmann::json PopulatedConfig(double food)
{
    nlohmann::json species = nlohmann::json::object();
    for (int i = 0; i < kPopulatedSpecies; ++i) {
        const std::string reference = ModReference(i);
        species["Blueprint'" + reference.substr(0, reference.size() - 2) + "'"] = {{"ReducedFoodConsumptionSpeedMultiplier", food}};
    }
    return nlohmann::json{{"GlobalDinoBalance", nullptr}, {"DinoBalance", species}};
}

double Milliseconds(std::chrono::steady_clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

// DinoTuner.Reload as the game thread runs it (read the file, fill the table, sweep the tamed
// dinos) on a server with 300 mod species, 50,000 tamed dinos spread over them and over 5 levels,
// every entry's food multiplier changed at each reload. The sweep spawns one reference dino per
// class and level (1,500); the figure is the median of the runs, with the sweep alone beside it.
void PrintPopulatedReload(const std::filesystem::path& configPath)
{
    constexpr int kRuns = 7;
    Server::Get().Use(0);
    sim::World& world = sim::World::Get();
    // The calls above left millions of buffs on their dinos; this server starts afresh.
    world.Reset();
    // A copy: adding a species may move the catalog.
    const sim::SpeciesInfo raptor = *world.FindSpecies("Raptor");
    for (int i = 0; i < kPopulatedSpecies; ++i) {
        world.AddSpecies("Bench" + std::to_string(i), ModReference(i), raptor);
    }
    std::string error;
    for (int i = 0; i < kPopulatedDinos; ++i) {
        const int level = 1 + (i / kPopulatedSpecies) % kPopulatedLevels;
        world.Spawn("Bench" + std::to_string(i % kPopulatedSpecies), std::nullopt, 60000, level, level, error);
    }
    std::ofstream(configPath) << PopulatedConfig(0.5).dump();
    OnEntryPointNotification(ProcessAttach);

    std::vector<double> reloads;
    std::vector<double> sweeps;
    for (int run = 0; run < kRuns; ++run) {
        std::ofstream(configPath, std::ios::trunc) << PopulatedConfig(run % 2 == 0 ? 0.6 : 0.5).dump();
        const auto start = std::chrono::steady_clock::now();
        const ReloadResult result = ThePlugin().Reload();
        const auto reloaded = std::chrono::steady_clock::now();
        if (!result.Succeeded || result.Entries != kPopulatedSpecies) {
            std::printf("\nPopulated reload failed: %s\n", result.Error.c_str());
            return;
        }
        reloads.push_back(Milliseconds(reloaded - start));
        // The sweep again on its own, on the table just filled: the same writes, the same spawns.
        const auto sweepStart = std::chrono::steady_clock::now();
        ApplyToExistingDinos(*ThePlugin().Balances, *ThePlugin().Rates);
        sweeps.push_back(Milliseconds(std::chrono::steady_clock::now() - sweepStart));
    }
    std::sort(reloads.begin(), reloads.end());
    std::sort(sweeps.begin(), sweeps.end());
    std::printf("\nDinoTuner.Reload on a populated server (%d species entries, %d tamed dinos over %d levels, every food\n"
                "multiplier changed), game-thread time, median of %d: %.1f ms (fastest %.1f), of which the sweep %.1f ms.\n"
                "Target: under one 30 Hz server tick, 33 ms.\n",
                kPopulatedSpecies, kPopulatedDinos, kPopulatedLevels, kRuns, reloads[kRuns / 2], reloads.front(), sweeps[kRuns / 2]);
    OnEntryPointNotification(ProcessDetach);
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RegisterBenchmark("Reload 100,000 entries/same file", Reload, false)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(3)
        ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark("Reload 100,000 entries/every entry changed", Reload, true)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(3)
        ->ReportAggregatesOnly(true);
    benchmark::RunSpecifiedBenchmarks();

    PrintRatios();
    std::printf("\nPeak heap during a reload of 100,000 entries, over the heap of the loaded table:\n");
    std::printf("  same file %.2f, every entry changed %.2f\n", ReloadPeakOverTable(false), ReloadPeakOverTable(true));
    PrintPopulatedReload(Server::Get().ConfigPath());
    benchmark::Shutdown();
    return 0;
}
