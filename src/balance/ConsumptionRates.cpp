#include "balance/ConsumptionRates.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <tuple>
#include <utility>

#include "balance/BalanceLookup.h"
#include "balance/BlueprintPath.h"
#include "config/BalanceKeys.h"
#include "config/BalanceTable.h"
#include "config/TableChanges.h"
#include "host/GameAccess.h"
#include "host/GameMemory.h"
#include "logging/Logger.h"

namespace {

// Wild dinos sit at or below this team; the game's tamed and player teams lie above it.
constexpr int kTamedTeamThreshold = 5000;
// The sweep only takes dinos of player teams proper.
constexpr int kSweepTeamMinimum = 10000;

// ---- the game's names ------------------------------------------------------------------

const game::Bits kIsDestroyingDino("APrimalDinoCharacter.bIsDestroyingDino");
const game::Field<UPrimalCharacterStatusComponent*> kStatusComponent("APrimalCharacter.MyCharacterStatusComponent");
const game::Field<int> kTargetingTeam("AActor.TargetingTeam");
const game::Field<int> kBaseLevel("UPrimalCharacterStatusComponent.BaseCharacterLevel");
const game::Field<UClass*> kClass("UObjectBase.Class");
const game::Function<UClass*()> kDinoClass("APrimalDinoCharacter.GetPrivateStaticClass");
const game::Function<bool(UObjectBaseUtility*, UClass*)> kIsA("UObjectBaseUtility.IsA");
const game::Function<bool(APrimalCharacter*)> kIsDead("APrimalCharacter.IsDead");
const game::Function<int(UPrimalCharacterStatusComponent*)> kCharacterLevel("UPrimalCharacterStatusComponent.GetCharacterLevel");
const game::Function<UClass*(FString*)> kLoadClass("UVictoryCore.BPLoadClass");
const game::Function<APrimalDinoCharacter*(UWorld*, UClass*, FVector*, FRotator*, float, int, bool, bool, int, bool, float, int, bool)>
    kSpawnDino("APrimalDinoCharacter.SpawnDino");
const game::Function<bool(AActor*)> kForceDestroy("AActor.ForceDestroy");
const game::Function<void(UObject*, UClass*, TArray<AActor*>*)> kAllActorsOfClass("UGameplayStatics.GetAllActorsOfClass");

// ---- the rates -------------------------------------------------------------------------

enum class Owner { StatusComponent, Dino };

// One rate the game keeps for a dino: the consumption multiplier that scales it, and the field
// that holds it, on the dino or on its status component.
struct RateField {
    float BalancedDino::*Multiplier;
    Owner On;
    game::Field<float> Field;
};

// Every rate, in the order they are read and written: food, stamina, oxygen. A new consumption
// key (described in BalanceKeys.h) brings its rows here; nothing else in this file names a group.
constexpr float BalancedDino::*kFood = &BalancedDino::ReducedFoodConsumptionSpeedMultiplier;
constexpr float BalancedDino::*kStamina = &BalancedDino::ReducedStaminaConsumptionSpeedMultiplier;
constexpr float BalancedDino::*kOxygen = &BalancedDino::ReducedOxygenConsumptionSpeedMultiplier;
const std::array<RateField, 14> kRates{{
    {kFood, Owner::StatusComponent, game::Field<float>("UPrimalCharacterStatusComponent.FoodConsumptionMultiplier")},
    {kStamina, Owner::StatusComponent, game::Field<float>("UPrimalCharacterStatusComponent.RunningStaminaConsumptionRate")},
    {kStamina, Owner::StatusComponent, game::Field<float>("UPrimalCharacterStatusComponent.JumpStaminaConsumption")},
    {kStamina, Owner::StatusComponent, game::Field<float>("UPrimalCharacterStatusComponent.CrouchedStaminaConsumptionMultiplier")},
    {kStamina, Owner::StatusComponent, game::Field<float>("UPrimalCharacterStatusComponent.ProneStaminaConsumptionMultiplier")},
    {kStamina, Owner::StatusComponent, game::Field<float>("UPrimalCharacterStatusComponent.WalkingStaminaConsumptionRate")},
    {kStamina, Owner::StatusComponent, game::Field<float>("UPrimalCharacterStatusComponent.SwimmingOrFlyingStaminaConsumptionRate")},
    {kStamina, Owner::Dino, game::Field<float>("APrimalDinoCharacter.ChargingStaminaPerSecondDrain")},
    {kStamina, Owner::Dino, game::Field<float>("APrimalDinoCharacter.MeleeAttackStaminaCost")},
    {kStamina, Owner::Dino, game::Field<float>("APrimalDinoCharacter.SlowFallingStaminaCostPerSecond")},
    // Named like switches, but the game keeps them as float rates: they are scaled like the rest.
    {kStamina, Owner::Dino, game::Field<float>("APrimalDinoCharacter.ChargingActivationConsumesStamina")},
    {kStamina, Owner::Dino, game::Field<float>("APrimalDinoCharacter.LoseStaminaWithRiderRate")},
    {kStamina, Owner::Dino, game::Field<float>("APrimalDinoCharacter.AllowWaterSurfaceExtraJumpStaminaCost")},
    {kOxygen, Owner::StatusComponent, game::Field<float>("UPrimalCharacterStatusComponent.SubmergedOxygenDecreaseSpeed")},
}};

// A fresh dino's rates, in the order of kRates, read right after it was spawned.
using FreshRates = std::array<float, kRates.size()>;

// The fresh rates of each (class, base level, level) a sweep met; none where the spawn failed.
using FreshRateCache = std::map<std::tuple<const UClass*, int, int>, std::optional<FreshRates>>;

// Set while ApplyToExistingDinos runs, so that one temporary dino serves every dino of the
// sweep with the same class and levels; null otherwise, when every application spawns its own.
FreshRateCache* sweepCache = nullptr;

void* FieldOwner(APrimalDinoCharacter* dino, Owner on)
{
    // Fetched afresh for every field, as the game may swap a component between two writes.
    return on == Owner::Dino ? static_cast<void*>(dino) : static_cast<void*>(kStatusComponent.Read(dino));
}

// A consumption multiplier that is not set (-1.0) leaves its group of rates alone.
bool ChangesRates(const BalancedDino& entry, float BalancedDino::*multiplier)
{
    return KeyOf(multiplier).IsSet(entry.*multiplier);
}

// Spawns a dino of the live dino's class and levels, reads its rates and destroys it again; none
// (and "Error creating tempDino" logged) when the class does not load or the spawn fails.
std::optional<FreshRates> SpawnFreshRates(APrimalDinoCharacter* dino, int level, int baseLevel)
{
    FString path = MakeBlueprintPath(dino);
    UWorld* world = ArkApi::GetApiUtils().GetWorld();
    // A class that did not load is not handed to the spawn.
    UClass* dinoClass = kLoadClass(&path);
    if (dinoClass == nullptr) {
        GetLogger()->error("Error creating tempDino");
        return std::nullopt;
    }
    FVector location;
    FRotator rotation;
    APrimalDinoCharacter* fresh = kSpawnDino(world, dinoClass, &location, &rotation, 1.0f, 0, false, false, baseLevel, false, 1.0f, level, false);
    if (fresh == nullptr) {
        GetLogger()->error("Error creating tempDino");
        return std::nullopt;
    }
    std::optional<FreshRates> rates;
    if (kStatusComponent.Read(fresh) == nullptr) {
        GetLogger()->error("Error creating tempDino");
    } else {
        rates.emplace();
        for (std::size_t i = 0; i < kRates.size(); ++i) {
            (*rates)[i] = kRates[i].Field.Read(FieldOwner(fresh, kRates[i].On));
        }
    }
    kForceDestroy(static_cast<AActor*>(fresh));
    return rates;
}

// A group the previous table changed and the new one leaves alone goes back to the game's own
// rates: those of the fresh dino, times 1. A group the plugin never changed stays untouched.
void RestoreWhatIsNoLongerSet(BalancedDino& entry, const BalancedDino& before)
{
    for (const BalanceKey& key : kBalanceKeys) {
        if (key.Group == KeyGroup::Consumption && !key.IsSet(entry.*key.Multiplier) && key.IsSet(before.*key.Multiplier)) {
            entry.*key.Multiplier = 1.0f;
        }
    }
}

bool ChangesNothing(const BalancedDino& entry)
{
    for (const BalanceKey& key : kBalanceKeys) {
        if (key.Group == KeyGroup::Consumption && key.IsSet(entry.*key.Multiplier)) {
            return false;
        }
    }
    return true;
}

bool IsEligible(APrimalDinoCharacter* dino)
{
    if (dino == nullptr || kIsDestroyingDino.Read(dino) != 0 || kStatusComponent.Read(dino) == nullptr) {
        return false;
    }
    if (!kIsA(static_cast<UObjectBaseUtility*>(dino), kDinoClass())) {
        return false;
    }
    return !kIsDead(static_cast<APrimalCharacter*>(dino)) && kTargetingTeam.Read(dino) > kTamedTeamThreshold;
}

}  // namespace

void ApplyConsumptionRates(APrimalDinoCharacter* dino, const BalancedDino& entry)
{
    UPrimalCharacterStatusComponent* status = kStatusComponent.Read(dino);
    const int level = kCharacterLevel(status);
    const int baseLevel = kBaseLevel.Read(status);
    std::optional<FreshRates> spawned;
    const std::optional<FreshRates>* fresh = &spawned;
    if (sweepCache == nullptr) {
        spawned = SpawnFreshRates(dino, level, baseLevel);
    } else {
        const auto key = std::make_tuple(static_cast<const UClass*>(kClass.Read(dino)), baseLevel, level);
        auto found = sweepCache->find(key);
        if (found == sweepCache->end()) {
            found = sweepCache->emplace(key, SpawnFreshRates(dino, level, baseLevel)).first;
        }
        fresh = &found->second;
    }
    if (!fresh->has_value()) {
        return;
    }
    for (std::size_t i = 0; i < kRates.size(); ++i) {
        const RateField& rate = kRates[i];
        if (ChangesRates(entry, rate.Multiplier)) {
            rate.Field.Write(FieldOwner(dino, rate.On), (**fresh)[i] * (entry.*rate.Multiplier));
        }
    }
}

void ApplyDinoBalance(const BalanceTable& table, APrimalDinoCharacter* dino, const TableChanges* changes)
{
    if (!IsEligible(dino)) {
        return;
    }
    BalancedDino entry = BalanceInEffect(table, dino);
    if (changes != nullptr) {
        RestoreWhatIsNoLongerSet(entry, changes->BalanceBefore(SpeciesKeyOf(table, dino), FindDinoBalance(table, dino)));
    }
    // With no consumption multiplier set nothing can change: spawning a temporary dino for
    // every tamed dino at each start and reload would be pure cost.
    if (!ChangesNothing(entry)) {
        ApplyConsumptionRates(dino, entry);
    }
}

void ApplyToExistingDinos(const BalanceTable& table, const TableChanges* changes)
{
    TArray<AActor*> actors;
    kAllActorsOfClass(static_cast<UObject*>(ArkApi::GetApiUtils().GetWorld()), kDinoClass(), &actors);
    // One temporary dino per class and levels serves every dino of the sweep that has them.
    FreshRateCache cache;
    struct SweepScope {
        FreshRateCache* outer;
        ~SweepScope() { sweepCache = outer; }
    } scope{std::exchange(sweepCache, &cache)};
    // A snapshot: temporary dinos spawned during the walk are not in it.
    for (std::int32_t i = 0; i < actors.ArrayNum; ++i) {
        AActor* actor = actors.Data[i];
        if (kTargetingTeam.Read(actor) >= kSweepTeamMinimum) {
            ApplyDinoBalance(table, static_cast<APrimalDinoCharacter*>(actor), changes);
        }
    }
    game::Free(actors.Data);
}
