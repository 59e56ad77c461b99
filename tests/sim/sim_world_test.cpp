// The simulated world as the plugin meets it: only through the host's names (GetAddress,
// GetBitField, hooks), plus the World calls the console makes.

#include <algorithm>
#include <cmath>
#include <fstream>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "host/GameAccess.h"
#include "support/GameByName.h"
#include "host/GameMemory.h"
#include "standin/SimHost.h"
#include "world/World.h"

namespace {

using sim::World;

constexpr const char* kRaptorPath = "Blueprint'/Game/PrimalEarth/Dinos/Raptor/Raptor_Character_BP.Raptor_Character_BP'";

// The fourteen consumption fields under their host names, in `show` order.
std::vector<std::pair<bool, std::string>> RateFields()
{
    std::vector<std::pair<bool, std::string>> fields;
    for (int i = 0; i < 14; ++i) {
        const bool onDino = i >= 7 && i <= 12;
        fields.emplace_back(!onDino, std::string(onDino ? "APrimalDinoCharacter." : "UPrimalCharacterStatusComponent.") +
                                         sim::kRateFieldNames[i]);
    }
    return fields;
}

UClass* ClassOf(const void* object)
{
    return byname::Read<UClass*>(object, "UObjectBase.Class");
}

UPrimalCharacterStatusComponent* StatusOf(const void* dino)
{
    return byname::Read<UPrimalCharacterStatusComponent*>(dino, "APrimalCharacter.MyCharacterStatusComponent");
}

std::string StringReference(UClass* cls)
{
    FString reference;
    sim::CallGame<FString*>("UVictoryCore.ClassToStringReference", &reference, cls);
    return reference.ToString();
}

UClass* LoadClass(const std::string& path)
{
    FString text(path);
    return sim::CallGame<UClass*>("UVictoryCore.BPLoadClass", &text);
}

UClass* DinoClass()
{
    return sim::CallGame<UClass*>("APrimalDinoCharacter.GetPrivateStaticClass");
}

bool IsA(const void* object, UClass* cls)
{
    return sim::CallGame<bool>("UObjectBaseUtility.IsA", static_cast<UObjectBaseUtility*>(const_cast<void*>(object)), cls);
}

// The plugin's temporary-dino spawn, with its fixed arguments.
APrimalDinoCharacter* SpawnDino(UClass* cls, int baseLevel, int level)
{
    FVector location;
    FRotator rotation;
    return sim::CallGame<APrimalDinoCharacter*>("APrimalDinoCharacter.SpawnDino", ArkApi::GetApiUtils().GetWorld(), cls,
                                                &location, &rotation, 1.0f, 0, false, false, baseLevel, false, 1.0f, level,
                                                false);
}

// Spawns through the console's path and fails the test on an error.
std::string Spawn(const std::string& species, std::optional<std::string> id = std::nullopt, int team = 0, int level = 1)
{
    std::string error;
    const auto spawned = World::Get().Spawn(species, std::move(id), team, level, level, error);
    EXPECT_TRUE(spawned.has_value()) << error;
    return spawned.value_or("");
}

APrimalDinoCharacter* DinoPointer(const std::string& id)
{
    return reinterpret_cast<APrimalDinoCharacter*>(World::Get().FindActor(id));
}

// ---- detours installed the way the plugin installs them ----

struct BeginPlaySighting {
    APrimalDinoCharacter* Dino;
    int Team;
    int Level;
    int BaseLevel;
};
void (*gBeginPlay)(APrimalDinoCharacter*) = nullptr;
std::vector<BeginPlaySighting> gBeginPlaySightings;

void WatchBeginPlay(APrimalDinoCharacter* dino)
{
    UPrimalCharacterStatusComponent* status = StatusOf(dino);
    gBeginPlaySightings.push_back({dino, byname::Read<int>(dino, "AActor.TargetingTeam"),
                                   sim::CallGame<int>("UPrimalCharacterStatusComponent.GetCharacterLevel", status),
                                   byname::Read<int>(status, "UPrimalCharacterStatusComponent.BaseCharacterLevel")});
    gBeginPlay(dino);
}

float (*gTakeDamage)(APrimalDinoCharacter*, float, FDamageEvent*, AController*, AActor*) = nullptr;
float HalveDamage(APrimalDinoCharacter* dino, float amount, FDamageEvent* event, AController* instigator, AActor* causer)
{
    return gTakeDamage(dino, amount / 2.0f, event, instigator, causer);
}

APrimalBuff* (*gAddBuff)(APrimalBuff*, ACharacter*, AActor*) = nullptr;
std::vector<std::string> gBuffNamesSeen;
APrimalBuff* RefuseNamedBuffs(APrimalBuff* buff, ACharacter* target, AActor* other)
{
    FName name = byname::Read<FName>(buff, "UObjectBase.Name");
    FString text;
    sim::CallGame<FString*>("FName.ToString", &name, &text);
    gBuffNamesSeen.push_back(text.ToString());
    return text.FindIgnoreCase("refuse") >= 0 ? nullptr : gAddBuff(buff, target, other);
}

// What the plugin does at BeginPlay for a tamed dino: spawn a fresh one of its class, copy a
// rate from it, destroy it. The fresh dino's own BeginPlay re-enters this detour.
float gFreshRunningRate = 0.0f;
void CopyFromFreshDino(APrimalDinoCharacter* dino)
{
    gBeginPlay(dino);
    if (byname::Read<int>(dino, "AActor.TargetingTeam") <= 5000) {
        return;
    }
    APrimalDinoCharacter* fresh = SpawnDino(ClassOf(dino), 1, 1);
    gFreshRunningRate = byname::Read<float>(StatusOf(fresh), "UPrimalCharacterStatusComponent.RunningStaminaConsumptionRate");
    sim::CallGame<bool>("AActor.ForceDestroy", static_cast<AActor*>(fresh));
}

void DestroyAtBeginPlay(APrimalDinoCharacter* dino)
{
    gBeginPlay(dino);
    sim::CallGame<bool>("AActor.ForceDestroy", static_cast<AActor*>(dino));
}

template <typename Detour, typename Slot>
void Install(const std::string& name, Detour detour, Slot* slot)
{
    ASSERT_TRUE(ArkApi::GetHooks().SetHook(name, reinterpret_cast<void*>(detour), reinterpret_cast<void**>(slot)));
}

template <typename Detour>
void Remove(const std::string& name, Detour detour)
{
    ASSERT_TRUE(ArkApi::GetHooks().DisableHook(name, reinterpret_cast<void*>(detour)));
}

// Every test starts from a world that has registered its names with the host, and with
// nothing seen by the detours above.
class WorldTest : public testing::Test {
protected:
    void SetUp() override
    {
        gBeginPlaySightings.clear();
        gBuffNamesSeen.clear();
        gFreshRunningRate = 0.0f;
    }
    World& world = World::Get();
};
using SimWorldCatalog = WorldTest;
using SimWorldClasses = WorldTest;
using SimWorldSpawn = WorldTest;
using SimWorldGame = WorldTest;

// ---- catalog ----

TEST_F(SimWorldCatalog, HoldsTheSpeciesAdminsConfigureWithTheirOwnRates)
{
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Raptor", kRaptorPath},
        {"Rex", "Blueprint'/Game/PrimalEarth/Dinos/Rex/Rex_Character_BP.Rex_Character_BP'"},
        {"Argentavis", "Blueprint'/Game/PrimalEarth/Dinos/Argentavis/Argent_Character_BP.Argent_Character_BP'"},
        {"Dodo", "Blueprint'/Game/PrimalEarth/Dinos/Dodo/Dodo_Character_BP.Dodo_Character_BP'"},
        {"Pteranodon", "Blueprint'/Game/PrimalEarth/Dinos/Pteranodon/Ptero_Character_BP.Ptero_Character_BP'"},
        {"Trike", "Blueprint'/Game/PrimalEarth/Dinos/Trike/Trike_Character_BP.Trike_Character_BP'"},
        {"Turret", "Blueprint'/Game/PrimalEarth/Structures/StructureTurretBaseBP.StructureTurretBaseBP'"},
    };
    EXPECT_EQ(world.CatalogError(), "");
    std::set<std::vector<float>> distinctRates;
    for (const auto& [shortName, path] : expected) {
        const sim::SpeciesInfo* info = world.FindSpecies(shortName);
        ASSERT_NE(info, nullptr) << shortName;
        EXPECT_EQ(info->BlueprintPath, path);
        EXPECT_EQ(info->StringReference, path.substr(10, path.size() - 11) + "_C");
        EXPECT_EQ(info->IsStructure, shortName == "Turret");
        distinctRates.insert(std::vector<float>(info->Rates, info->Rates + 14));
    }
    EXPECT_EQ(distinctRates.size(), expected.size());
    const sim::SpeciesInfo& raptor = *world.FindSpecies("rAPTOR");
    EXPECT_EQ(raptor.Rates[0], 1.0f);
    EXPECT_EQ(raptor.Rates[13], 2.0f);
    for (int i = 1; i <= 12; ++i) {
        EXPECT_EQ(raptor.Rates[i], 10.0f) << sim::kRateFieldNames[i];
    }
}

TEST_F(SimWorldCatalog, BrokenFileIsRejectedAndTheOldCatalogStays)
{
    const std::string raptorId = Spawn("Raptor");
    UClass* raptorClass = ClassOf(world.FindActor(raptorId));
    const std::string path = testing::TempDir() + "/species_broken.json";
    std::string error;

    std::ofstream(path) << R"({"species": [{"short": "Moa", "blueprint": "Blueprint'/Game/Moa.Moa'", "rates": {}}]})";
    EXPECT_FALSE(world.LoadCatalog(path, error));
    EXPECT_NE(error.find("Moa"), std::string::npos) << error;
    std::ofstream(path) << "{ not json";
    EXPECT_FALSE(world.LoadCatalog(path, error));
    EXPECT_FALSE(world.LoadCatalog(testing::TempDir() + "/no_such_catalog.json", error));
    EXPECT_EQ(world.Species().size(), 7u);

    std::string rates;
    for (const char* name : sim::kRateFieldNames) {
        rates += std::string(rates.empty() ? "" : ",") + "\"" + name + "\": 4";
    }
    std::ofstream(path) << R"({"species": [{"short": "Moa", "blueprint": "Blueprint'/Game/Moa.Moa'", "rates": {)" << rates
                        << "}}]}";
    ASSERT_TRUE(world.LoadCatalog(path, error)) << error;
    ASSERT_EQ(world.Species().size(), 1u);
    EXPECT_EQ(world.Species()[0].StringReference, "/Game/Moa.Moa_C");
    EXPECT_EQ(world.FindSpecies("Raptor"), nullptr);
    // A dino already in the world keeps its class.
    EXPECT_EQ(StringReference(raptorClass), "/Game/PrimalEarth/Dinos/Raptor/Raptor_Character_BP.Raptor_Character_BP_C");
}

// ---- classes ----

TEST_F(SimWorldClasses, StringReferenceRoundTripsThroughBPLoadClassWithoutLeaking)
{
    const std::size_t memoryBefore = sim::LiveAllocations();
    for (const sim::SpeciesInfo& info : world.Species()) {
        const std::string id = Spawn(info.Short);
        UClass* cls = ClassOf(world.FindActor(id));
        ASSERT_NE(cls, nullptr);
        const std::string reference = StringReference(cls);
        EXPECT_EQ(reference, info.StringReference);
        const std::string path = "Blueprint'" + reference.substr(0, reference.size() - 2) + "'";
        EXPECT_EQ(path, info.BlueprintPath);
        EXPECT_EQ(LoadClass(path), cls) << path;
    }
    EXPECT_EQ(sim::LiveAllocations(), memoryBefore);
}

TEST_F(SimWorldClasses, BPLoadClassWantsTheExactPath)
{
    UClass* raptor = LoadClass(kRaptorPath);
    ASSERT_NE(raptor, nullptr);
    std::string lower = kRaptorPath;
    lower[12] = 'g';  // "/game/"
    EXPECT_EQ(LoadClass(lower), nullptr);
    EXPECT_EQ(LoadClass(std::string(kRaptorPath) + " "), nullptr);
    EXPECT_EQ(LoadClass("/Game/PrimalEarth/Dinos/Raptor/Raptor_Character_BP.Raptor_Character_BP_C"), nullptr);
    EXPECT_EQ(LoadClass(""), nullptr);
    EXPECT_EQ(sim::CallGame<UClass*>("UVictoryCore.BPLoadClass", static_cast<FString*>(nullptr)), nullptr);
    // The native dino class is no blueprint.
    EXPECT_EQ(LoadClass("Blueprint'" + StringReference(DinoClass()) + "'"), nullptr);
}

TEST_F(SimWorldClasses, AddedSpeciesGetsItsPathFromTheReferenceAsItStands)
{
    const sim::SpeciesInfo& wyvern = world.AddSpecies("Wyvern", "/Game/Drachen/Größe_BP.Größe_BP_C", *world.FindSpecies("Rex"));
    EXPECT_EQ(wyvern.BlueprintPath, "Blueprint'/Game/Drachen/Größe_BP.Größe_BP'");
    const std::string id = Spawn("wyvern");
    UClass* cls = ClassOf(world.FindActor(id));
    EXPECT_EQ(StringReference(cls), "/Game/Drachen/Größe_BP.Größe_BP_C");
    // Non-ASCII paths only survive as UTF-16, so build the plugin's path from the game's own text.
    FString reference;
    sim::CallGame<FString*>("UVictoryCore.ClassToStringReference", &reference, cls);
    std::u16string units = u"Blueprint'";
    units.append(*reference, static_cast<std::size_t>(reference.Len() - 2));
    units += u"'";
    FString path(units.data(), static_cast<int>(units.size()));
    EXPECT_EQ(sim::CallGame<UClass*>("UVictoryCore.BPLoadClass", &path), cls);
    EXPECT_EQ(world.Rates(id)[1], world.FindSpecies("Rex")->Rates[1]);

    EXPECT_EQ(world.AddSpecies("Stub", "X", *world.FindSpecies("Turret")).BlueprintPath, "Blueprint''");
    EXPECT_TRUE(world.FindSpecies("Stub")->IsStructure);
}

// ---- spawning ----

TEST_F(SimWorldSpawn, SpawnDinoRunsBeginPlayThroughTheDetoursBeforeReturning)
{
    UClass* raptor = LoadClass(kRaptorPath);
    Install("APrimalDinoCharacter.BeginPlay", &WatchBeginPlay, &gBeginPlay);

    const std::uint64_t spawnedBefore = world.Spawned();
    APrimalDinoCharacter* dino = SpawnDino(raptor, 20, 30);
    ASSERT_NE(dino, nullptr);
    ASSERT_EQ(gBeginPlaySightings.size(), 1u);
    EXPECT_EQ(gBeginPlaySightings[0].Dino, dino);
    EXPECT_EQ(gBeginPlaySightings[0].Team, 0);
    EXPECT_EQ(gBeginPlaySightings[0].Level, 30);
    EXPECT_EQ(gBeginPlaySightings[0].BaseLevel, 20);
    EXPECT_EQ(world.Spawned(), spawnedBefore + 1);

    Remove("APrimalDinoCharacter.BeginPlay", &WatchBeginPlay);
    EXPECT_EQ(sim::HookCount("APrimalDinoCharacter.BeginPlay"), 0u);
    ASSERT_NE(SpawnDino(raptor, 1, 1), nullptr);
    EXPECT_EQ(gBeginPlaySightings.size(), 1u);
}

TEST_F(SimWorldSpawn, TemporaryDinoIsAWildDinoWithTheCatalogRatesUntilForceDestroyed)
{
    const sim::SpeciesInfo& rex = *world.FindSpecies("Rex");
    APrimalDinoCharacter* dino = SpawnDino(LoadClass(rex.BlueprintPath), 5, 7);
    ASSERT_NE(dino, nullptr);
    UPrimalCharacterStatusComponent* status = StatusOf(dino);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(byname::Read<int>(dino, "AActor.TargetingTeam"), 0);
    EXPECT_EQ(sim::CallGame<int>("UPrimalCharacterStatusComponent.GetCharacterLevel", status), 7);
    EXPECT_EQ(byname::Read<int>(status, "UPrimalCharacterStatusComponent.BaseCharacterLevel"), 5);
    const auto fields = RateFields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const void* owner = fields[i].first ? static_cast<const void*>(status) : static_cast<const void*>(dino);
        EXPECT_EQ(byname::Read<float>(owner, fields[i].second), rex.Rates[i]) << fields[i].second;
    }
    EXPECT_TRUE(IsA(dino, DinoClass()));
    EXPECT_FALSE(sim::CallGame<bool>("APrimalCharacter.IsDead", static_cast<APrimalCharacter*>(dino)));

    const std::size_t actorsBefore = world.ActorCount();
    const std::uint64_t destroyedBefore = world.Destroyed();
    EXPECT_TRUE(sim::CallGame<bool>("AActor.ForceDestroy", static_cast<AActor*>(dino)));
    EXPECT_EQ(world.ActorCount(), actorsBefore - 1);
    EXPECT_EQ(world.Destroyed(), destroyedBefore + 1);
    EXPECT_FALSE(sim::CallGame<bool>("AActor.ForceDestroy", static_cast<AActor*>(dino)));
    EXPECT_EQ(world.Destroyed(), destroyedBefore + 1);
}

TEST_F(SimWorldSpawn, FaultsAndUnspawnableClassesGiveNoDino)
{
    UClass* raptor = LoadClass(kRaptorPath);
    Install("APrimalDinoCharacter.BeginPlay", &WatchBeginPlay, &gBeginPlay);
    const std::uint64_t spawnedBefore = world.Spawned();

    world.SetFault("raptor", sim::SpawnFault::NoSpawn);
    EXPECT_EQ(SpawnDino(raptor, 1, 1), nullptr);
    std::string error;
    EXPECT_FALSE(world.Spawn("Raptor", std::nullopt, 0, 1, 1, error).has_value());
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(SpawnDino(nullptr, 1, 1), nullptr);
    EXPECT_EQ(SpawnDino(LoadClass(world.FindSpecies("Turret")->BlueprintPath), 1, 1), nullptr);
    EXPECT_EQ(SpawnDino(DinoClass(), 1, 1), nullptr);
    EXPECT_EQ(world.Spawned(), spawnedBefore);
    EXPECT_TRUE(gBeginPlaySightings.empty());

    world.SetFault("Raptor", sim::SpawnFault::NoStatus);
    APrimalDinoCharacter* bare = SpawnDino(raptor, 1, 1);
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(StatusOf(bare), nullptr);
    const auto rates = world.Rates(Spawn("Raptor"));
    ASSERT_EQ(rates.size(), 14u);
    EXPECT_FALSE(rates[0].has_value());
    EXPECT_EQ(rates[7], std::optional<float>(10.0f));

    world.SetFault("Raptor", sim::SpawnFault::None);
    APrimalDinoCharacter* whole = SpawnDino(raptor, 1, 1);
    ASSERT_NE(whole, nullptr);
    EXPECT_NE(StatusOf(whole), nullptr);
    Remove("APrimalDinoCharacter.BeginPlay", &WatchBeginPlay);
}

TEST_F(SimWorldSpawn, SaveStateIsInPlaceAtBeginPlayAndIdsCountPerSpecies)
{
    Install("APrimalDinoCharacter.BeginPlay", &WatchBeginPlay, &gBeginPlay);
    std::string error;
    EXPECT_EQ(world.Spawn("Raptor", std::nullopt, 6000, 30, 20, error), std::optional<std::string>("raptor1"));
    ASSERT_EQ(gBeginPlaySightings.size(), 1u);
    EXPECT_EQ(gBeginPlaySightings[0].Team, 6000);
    EXPECT_EQ(gBeginPlaySightings[0].Level, 30);
    EXPECT_EQ(gBeginPlaySightings[0].BaseLevel, 20);
    Remove("APrimalDinoCharacter.BeginPlay", &WatchBeginPlay);

    EXPECT_EQ(Spawn("Raptor", std::string("raptor2")), "raptor2");
    EXPECT_EQ(Spawn("RAPTOR"), "raptor3");
    EXPECT_EQ(Spawn("Dodo"), "dodo1");
    EXPECT_FALSE(world.Spawn("Raptor", std::string("dodo1"), 0, 1, 1, error).has_value());
    EXPECT_NE(error.find("dodo1"), std::string::npos);
    EXPECT_FALSE(world.Spawn("Moa", std::nullopt, 0, 1, 1, error).has_value());
    EXPECT_NE(error.find("Moa"), std::string::npos);
    EXPECT_EQ(world.Team("raptor1"), 6000);
}

TEST_F(SimWorldSpawn, StructureIsAnActorThatOnlyServesAsACauser)
{
    const std::string turret = Spawn("Turret", std::nullopt, 42);
    const std::string raptor = Spawn("Raptor");
    EXPECT_EQ(turret, "turret1");
    EXPECT_FALSE(world.IsDino(turret));
    EXPECT_FALSE(IsA(world.FindActor(turret), DinoClass()));
    EXPECT_EQ(byname::Read<int>(world.FindActor(turret), "AActor.TargetingTeam"), 42);
    EXPECT_TRUE(world.Rates(turret).empty());
    EXPECT_FALSE(world.Hit(turret, 10.0f, nullptr).Error.empty());
    const sim::HitResult hit = world.Hit(raptor, 10.0f, &turret);
    EXPECT_TRUE(hit.Error.empty()) << hit.Error;
    EXPECT_EQ(hit.Dealt, 10.0f);
    const std::string nobody = "nobody";
    EXPECT_FALSE(world.Hit(raptor, 10.0f, &nobody).Error.empty());
    EXPECT_EQ(world.Health(raptor), 990.0f);
}

TEST_F(SimWorldSpawn, DetoursMaySpawnAndDestroyWhileADinoIsBeingSpawned)
{
    Install("APrimalDinoCharacter.BeginPlay", &CopyFromFreshDino, &gBeginPlay);
    EXPECT_EQ(Spawn("Rex", std::nullopt, 6000), "rex1");
    EXPECT_EQ(gFreshRunningRate, world.FindSpecies("Rex")->Rates[1]);
    EXPECT_EQ(world.ActorCount(), 1u);
    EXPECT_EQ(world.Spawned(), 2u);
    EXPECT_EQ(world.Destroyed(), 1u);
    Remove("APrimalDinoCharacter.BeginPlay", &CopyFromFreshDino);

    Install("APrimalDinoCharacter.BeginPlay", &DestroyAtBeginPlay, &gBeginPlay);
    std::string error;
    EXPECT_FALSE(world.Spawn("Rex", std::string("doomed"), 0, 1, 1, error).has_value());
    EXPECT_NE(error.find("doomed"), std::string::npos);
    EXPECT_EQ(SpawnDino(LoadClass(world.FindSpecies("Rex")->BlueprintPath), 1, 1), nullptr);
    EXPECT_EQ(world.FindActor("doomed"), nullptr);
    EXPECT_EQ(world.ActorCount(), 1u);
}

// ---- the world through the plugin's eyes ----

TEST_F(SimWorldGame, GetAllActorsOfClassGivesASnapshotInGameMemory)
{
    const std::string raptor = Spawn("Raptor");
    Spawn("Turret");
    const std::string rex = Spawn("Rex");
    const std::size_t memoryBefore = sim::LiveAllocations();

    TArray<AActor*> dinos;
    sim::CallGame<void>("UGameplayStatics.GetAllActorsOfClass", static_cast<UObject*>(ArkApi::GetApiUtils().GetWorld()),
                        DinoClass(), &dinos);
    ASSERT_EQ(dinos.ArrayNum, 2);
    EXPECT_EQ(dinos.Data[0], world.FindActor(raptor));
    EXPECT_EQ(dinos.Data[1], world.FindActor(rex));
    EXPECT_EQ(sim::LiveAllocations(), memoryBefore + 1);
    world.Kill(rex);  // the snapshot does not follow the world
    EXPECT_EQ(dinos.Data[1], world.FindActor(rex));
    game::Free(dinos.Data);
    EXPECT_EQ(sim::LiveAllocations(), memoryBefore);

    TArray<AActor*> raptors;
    sim::CallGame<void>("UGameplayStatics.GetAllActorsOfClass", static_cast<UObject*>(nullptr), ClassOf(world.FindActor(raptor)),
                        &raptors);
    EXPECT_EQ(raptors.ArrayNum, 1);
    game::Free(raptors.Data);

    int notAClass = 0;
    TArray<AActor*> none;
    sim::CallGame<void>("UGameplayStatics.GetAllActorsOfClass", static_cast<UObject*>(nullptr),
                        reinterpret_cast<UClass*>(&notAClass), &none);
    EXPECT_EQ(none.ArrayNum, 0);
    EXPECT_EQ(none.Data, nullptr);
    EXPECT_EQ(sim::LiveAllocations(), memoryBefore);
}

TEST_F(SimWorldGame, DestroyingBitIsOneRealBitAmongOthers)
{
    const std::string id = Spawn("Raptor");
    const BitField field = GetBitField(world.FindActor(id), "APrimalDinoCharacter.bIsDestroyingDino");
    ASSERT_NE(field.offset, 0u);
    EXPECT_EQ(field.num_bits, 1u);
    EXPECT_EQ(field.length, 4u);
    const auto* word = reinterpret_cast<const std::uint32_t*>(static_cast<std::uintptr_t>(field.offset));
    const std::uint32_t others = *word & ~(1u << field.bit_position);
    EXPECT_NE(others, 0u);
    EXPECT_EQ(game::Bits("APrimalDinoCharacter.bIsDestroyingDino").Read(world.FindActor(id)), 0u);

    world.SetDestroying(id);
    EXPECT_EQ(game::Bits("APrimalDinoCharacter.bIsDestroyingDino").Read(world.FindActor(id)), 1u);
    EXPECT_EQ(*word & ~(1u << field.bit_position), others);
}

TEST_F(SimWorldGame, TakeDamageNeverDealsMoreThanTheHealthLeft)
{
    const std::string id = Spawn("Raptor");
    auto* dino = static_cast<APrimalCharacter*>(DinoPointer(id));

    EXPECT_EQ(world.Hit(id, 0.0f, nullptr).Dealt, 0.0f);
    const sim::HitResult negative = world.Hit(id, -50.0f, nullptr);
    EXPECT_TRUE(negative.Reached);
    EXPECT_EQ(negative.Received, -50.0f);
    EXPECT_EQ(negative.Dealt, 0.0f);
    EXPECT_EQ(world.Health(id), 1000.0f);

    EXPECT_EQ(world.Hit(id, 300.0f, nullptr).Dealt, 300.0f);
    const sim::HitResult last = world.Hit(id, 1000.0f, nullptr);
    EXPECT_EQ(last.Received, 1000.0f);
    EXPECT_EQ(last.Dealt, 700.0f);
    EXPECT_TRUE(sim::CallGame<bool>("APrimalCharacter.IsDead", dino));
    EXPECT_EQ(world.Hit(id, 5.0f, nullptr).Dealt, 0.0f);
    EXPECT_EQ(world.Hit(id, std::nanf(""), nullptr).Dealt, 0.0f);

    const std::string other = Spawn("Raptor");
    world.Kill(other);
    EXPECT_TRUE(sim::CallGame<bool>("APrimalCharacter.IsDead", static_cast<APrimalCharacter*>(DinoPointer(other))));
    EXPECT_EQ(world.Hit(other, 5.0f, nullptr).Dealt, 0.0f);
}

TEST_F(SimWorldGame, DamageDetourRunsWhenTheWorldHitsAndIsGoneAfterRemoval)
{
    const std::string id = Spawn("Raptor");
    Install("APrimalDinoCharacter.TakeDamage", &HalveDamage, &gTakeDamage);
    const sim::HitResult halved = world.Hit(id, 100.0f, nullptr);
    EXPECT_EQ(halved.Received, 50.0f);
    EXPECT_EQ(halved.Dealt, 50.0f);

    Remove("APrimalDinoCharacter.TakeDamage", &HalveDamage);
    const sim::HitResult whole = world.Hit(id, 100.0f, nullptr);
    EXPECT_EQ(whole.Received, 100.0f);
    EXPECT_EQ(world.Health(id), 850.0f);
}

TEST_F(SimWorldGame, TamingGivesThePlayersTeamOrTheServersWithoutOne)
{
    AShooterPlayerController* alice = world.AddPlayer("alice", 7);
    AShooterPlayerController* bob = world.AddPlayer("bob", std::nullopt);
    AShooterPlayerController* carol = world.AddPlayer("carol", std::nullopt);
    const int bobTeam = byname::Read<int>(bob, "AActor.TargetingTeam");
    const int carolTeam = byname::Read<int>(carol, "AActor.TargetingTeam");
    EXPECT_GT(bobTeam, 50000);
    EXPECT_GT(carolTeam, 50000);
    EXPECT_NE(bobTeam, carolTeam);
    EXPECT_EQ(world.AddPlayer("bob", std::nullopt), bob);
    EXPECT_EQ(world.PlayerName(bob), "bob");

    int team = 0;
    EXPECT_TRUE(world.Tame(Spawn("Raptor", std::string("a")), alice, team));
    EXPECT_EQ(team, 7);
    EXPECT_TRUE(world.Tame(Spawn("Raptor", std::string("b")), nullptr, team));
    EXPECT_EQ(team, 10001);
    EXPECT_TRUE(world.Tame("a", bob, team));
    EXPECT_EQ(team, bobTeam);

    int notAPlayer = 0;
    EXPECT_FALSE(world.Tame("a", reinterpret_cast<AShooterPlayerController*>(&notAPlayer), team));
    EXPECT_EQ(world.Team("a"), bobTeam);
    EXPECT_FALSE(world.Tame("ghost", alice, team));
    EXPECT_FALSE(world.Tame(Spawn("Turret"), alice, team));
}

TEST_F(SimWorldGame, MultiUseNeedsALiveDinoOfThePlayersTeamAndIndex100Rides)
{
    AShooterPlayerController* owner = world.AddPlayer("owner", 6000);
    AShooterPlayerController* stranger = world.AddPlayer("stranger", 6001);
    const std::string id = Spawn("Raptor", std::nullopt, 6000);

    EXPECT_TRUE(world.Use(id, 3, owner));
    EXPECT_EQ(world.RiderOf(id), nullptr);
    EXPECT_FALSE(world.Use(id, 100, stranger));
    EXPECT_FALSE(world.Use(id, 100, nullptr));
    EXPECT_EQ(world.RiderOf(id), nullptr);
    EXPECT_TRUE(world.Use(id, 100, owner));
    EXPECT_EQ(world.RiderOf(id), owner);
    world.Kill(id);
    EXPECT_FALSE(world.Use(id, 5, owner));
}

TEST_F(SimWorldGame, MatingAndBuffsReportWhetherTheGameRanThem)
{
    const std::string mother = Spawn("Raptor");
    const std::string father = Spawn("Raptor");
    EXPECT_TRUE(world.Mate(mother, father));
    EXPECT_FALSE(world.Mate(mother, "ghost"));
    EXPECT_FALSE(world.Mate(mother, Spawn("Turret")));

    Install("APrimalBuff.AddBuff", &RefuseNamedBuffs, &gAddBuff);
    EXPECT_TRUE(world.Buff(mother, "Buff_Netted_Material_C"));
    EXPECT_FALSE(world.Buff(mother, "Buff_Refuse_Me"));
    EXPECT_EQ(gBuffNamesSeen, (std::vector<std::string>{"Buff_Netted_Material_C", "Buff_Refuse_Me"}));
    EXPECT_EQ(world.BuffNames(mother), std::vector<std::string>{"Buff_Netted_Material_C"});
    Remove("APrimalBuff.AddBuff", &RefuseNamedBuffs);
    EXPECT_TRUE(world.Buff(mother, "Buff_Refuse_Me"));
    EXPECT_EQ(world.BuffNames(mother), (std::vector<std::string>{"Buff_Netted_Material_C", "Buff_Refuse_Me"}));
}

TEST_F(SimWorldGame, UnknownObjectsGetHarmlessAnswers)
{
    const std::string raptor = Spawn("Raptor");
    const std::size_t actorsBefore = world.ActorCount();
    const std::size_t memoryBefore = sim::LiveAllocations();
    alignas(16) char bogus[256] = {};
    auto* actor = reinterpret_cast<AActor*>(bogus);
    auto* dino = reinterpret_cast<APrimalDinoCharacter*>(bogus);

    EXPECT_FALSE(sim::CallGame<bool>("AActor.ForceDestroy", actor));
    EXPECT_FALSE(sim::CallGame<bool>("AActor.ForceDestroy", static_cast<AActor*>(nullptr)));
    EXPECT_FALSE(IsA(bogus, DinoClass()));
    EXPECT_FALSE(IsA(world.FindActor(raptor), reinterpret_cast<UClass*>(bogus)));
    EXPECT_TRUE(sim::CallGame<bool>("APrimalCharacter.IsDead", static_cast<APrimalCharacter*>(dino)));
    EXPECT_EQ(sim::CallGame<float>("APrimalDinoCharacter.TakeDamage", dino, 10.0f, static_cast<FDamageEvent*>(nullptr),
                                   static_cast<AController*>(nullptr), static_cast<AActor*>(nullptr)),
              0.0f);
    EXPECT_EQ(sim::CallGame<int>("UPrimalCharacterStatusComponent.GetCharacterLevel",
                                 reinterpret_cast<UPrimalCharacterStatusComponent*>(bogus)),
              0);
    sim::CallGame<void>("APrimalDinoCharacter.TameDino", dino, static_cast<AShooterPlayerController*>(nullptr), false, 0, false,
                        false, false);
    EXPECT_TRUE(std::all_of(std::begin(bogus), std::end(bogus), [](char c) { return c == 0; }));

    EXPECT_EQ(StringReference(reinterpret_cast<UClass*>(bogus)), "");
    FName unknownName;
    unknownName.ComparisonIndex = 1 << 30;
    FString nameText("stale");
    sim::CallGame<FString*>("FName.ToString", &unknownName, &nameText);
    EXPECT_TRUE(nameText.IsEmpty());
    sim::CallGame<void>("UGameplayStatics.GetAllActorsOfClass", static_cast<UObject*>(nullptr), DinoClass(),
                        static_cast<TArray<AActor*>*>(nullptr));
    FString text("hello");
    sim::CallGame<void>("RCONClientConnection.SendMessageW", reinterpret_cast<RCONClientConnection*>(bogus), 1, 0, &text);
    EXPECT_EQ(world.ActorCount(), actorsBefore);
    EXPECT_EQ(sim::LiveAllocations(), memoryBefore + 1);  // only `text` is live
}

TEST_F(SimWorldGame, ChatAndRconRepliesReachTheirOutputs)
{
    AShooterPlayerController* alice = world.AddPlayer("alice", std::nullopt);
    std::vector<std::tuple<std::string, std::string, float>> chat;
    world.SetChatOutput([&](const std::string& player, const std::string& text, const FLinearColor& colour) {
        chat.emplace_back(player, text, colour.G);
    });
    FString hello("Reloaded config");
    sim::CallGame<void>("AShooterPlayerController.ClientServerChatDirectMessage", alice, &hello, FLinearColor{0, 1, 0, 1}, false);
    sim::CallGame<void>("AShooterPlayerController.ClientServerChatDirectMessage", static_cast<AShooterPlayerController*>(nullptr),
                        &hello, FLinearColor{0, 1, 0, 1}, false);
    ASSERT_EQ(chat.size(), 1u);
    EXPECT_EQ(chat[0], std::make_tuple(std::string("alice"), std::string("Reloaded config"), 1.0f));

    std::vector<std::tuple<int, int, std::string>> replies;
    RCONClientConnection* connection =
        world.NewRconConnection([&](std::int32_t id, std::int32_t type, const std::string& text) { replies.emplace_back(id, type, text); });
    FString answer("Reloaded Config");
    sim::CallGame<void>("RCONClientConnection.SendMessageW", connection, 17, 0, &answer);
    world.CloseRconConnection(connection);
    sim::CallGame<void>("RCONClientConnection.SendMessageW", connection, 18, 0, &answer);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], std::make_tuple(17, 0, std::string("Reloaded Config")));
}

}  // namespace
