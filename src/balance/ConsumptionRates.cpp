#include "balance/ConsumptionRates.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <tuple>

#include "balance/BlueprintPath.h"
#include "balance/DinoEntry.h"
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

struct RateField {
    Owner On;
    game::Field<float> Field;
};

// The fourteen rates, in groups: food, stamina, oxygen.
const std::array<RateField, 1> kFoodFields{{
    {Owner::StatusComponent, game::Field<float>("UPrimalCharacterStatusComponent.FoodConsumptionMultiplier")},
}};
const std::array<RateField, 12> kStaminaFields{{
    {Owner::StatusComponent, game::Field<float>("UPrimalCharacterStatusComponent.RunningStaminaConsumptionRate")},
    {Owner::StatusComponent, game::Field<float>("UPrimalCharacterStatusComponent.JumpStaminaConsumption")},
    {Owner::StatusComponent, game::Field<float>("UPrimalCharacterStatusComponent.CrouchedStaminaConsumptionMultiplier")},
    {Owner::StatusComponent, game::Field<float>("UPrimalCharacterStatusComponent.ProneStaminaConsumptionMultiplier")},
    {Owner::StatusComponent, game::Field<float>("UPrimalCharacterStatusComponent.WalkingStaminaConsumptionRate")},
    {Owner::StatusComponent, game::Field<float>("UPrimalCharacterStatusComponent.SwimmingOrFlyingStaminaConsumptionRate")},
    {Owner::Dino, game::Field<float>("APrimalDinoCharacter.ChargingStaminaPerSecondDrain")},
    {Owner::Dino, game::Field<float>("APrimalDinoCharacter.MeleeAttackStaminaCost")},
    {Owner::Dino, game::Field<float>("APrimalDinoCharacter.SlowFallingStaminaCostPerSecond")},
    // Named like switches, but the game keeps them as float rates: they are scaled like the rest.
    {Owner::Dino, game::Field<float>("APrimalDinoCharacter.ChargingActivationConsumesStamina")},
    {Owner::Dino, game::Field<float>("APrimalDinoCharacter.LoseStaminaWithRiderRate")},
    {Owner::Dino, game::Field<float>("APrimalDinoCharacter.AllowWaterSurfaceExtraJumpStaminaCost")},
}};
const std::array<RateField, 1> kOxygenFields{{
    {Owner::StatusComponent, game::Field<float>("UPrimalCharacterStatusComponent.SubmergedOxygenDecreaseSpeed")},
}};

// A fresh dino's rates, group by group, read right after it was spawned.
struct FreshRates {
    std::array<float, 1> Food{};
    std::array<float, 12> Stamina{};
    std::array<float, 1> Oxygen{};
};

// The fresh rates of each (class, base level, level) a sweep met; none where the spawn failed.
using FreshRateCache = std::map<std::tuple<const UClass*, int, int>, std::optional<FreshRates>>;

void* FieldOwner(APrimalDinoCharacter* dino, Owner on)
{
    // Fetched afresh for every field, as the game may swap a component between two writes.
    return on == Owner::Dino ? static_cast<void*>(dino) : static_cast<void*>(kStatusComponent.Read(dino));
}

template <std::size_t N>
void ReadGroup(APrimalDinoCharacter* fresh, const std::array<RateField, N>& fields, std::array<float, N>& values)
{
    for (std::size_t i = 0; i < N; ++i) {
        values[i] = fields[i].Field.Read(FieldOwner(fresh, fields[i].On));
    }
}

// A consumption multiplier that is not set (-1.0) leaves its group of rates alone.
bool ChangesRates(const BalancedDino& entry, float BalancedDino::*multiplier)
{
    return KeyOf(multiplier).IsSet(entry.*multiplier);
}

template <std::size_t N>
void ScaleGroup(APrimalDinoCharacter* dino, const std::array<RateField, N>& fields, const std::array<float, N>& fresh,
                const BalancedDino& entry, float BalancedDino::*multiplier)
{
    if (!ChangesRates(entry, multiplier)) {
        return;
    }
    for (std::size_t i = 0; i < N; ++i) {
        fields[i].Field.Write(FieldOwner(dino, fields[i].On), fresh[i] * (entry.*multiplier));
    }
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
        ReadGroup(fresh, kFoodFields, rates->Food);
        ReadGroup(fresh, kStaminaFields, rates->Stamina);
        ReadGroup(fresh, kOxygenFields, rates->Oxygen);
    }
    kForceDestroy(static_cast<AActor*>(fresh));
    return rates;
}

// A group the previous table changed and the new one leaves alone goes back to the game's own
// rates: those of the fresh dino, times 1. A group the plugin never changed stays untouched.
void RestoreWhatIsNoLongerSet(BalancedDino& entry, const BalancedDino& before)
{
    for (float BalancedDino::*multiplier : {&BalancedDino::ReducedFoodConsumptionSpeedMultiplier,
                                            &BalancedDino::ReducedStaminaConsumptionSpeedMultiplier,
                                            &BalancedDino::ReducedOxygenConsumptionSpeedMultiplier}) {
        if (!ChangesRates(entry, multiplier) && ChangesRates(before, multiplier)) {
            entry.*multiplier = 1.0f;
        }
    }
}

bool ChangesNothing(const BalancedDino& entry)
{
    return !ChangesRates(entry, &BalancedDino::ReducedFoodConsumptionSpeedMultiplier) &&
           !ChangesRates(entry, &BalancedDino::ReducedStaminaConsumptionSpeedMultiplier) &&
           !ChangesRates(entry, &BalancedDino::ReducedOxygenConsumptionSpeedMultiplier);
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

void Apply(APrimalDinoCharacter* dino, const BalancedDino& entry, FreshRateCache* cache)
{
    UPrimalCharacterStatusComponent* status = kStatusComponent.Read(dino);
    const int level = kCharacterLevel(status);
    const int baseLevel = kBaseLevel.Read(status);
    std::optional<FreshRates> spawned;
    const std::optional<FreshRates>* fresh = &spawned;
    if (cache == nullptr) {
        spawned = SpawnFreshRates(dino, level, baseLevel);
    } else {
        const auto key = std::make_tuple(static_cast<const UClass*>(kClass.Read(dino)), baseLevel, level);
        auto found = cache->find(key);
        if (found == cache->end()) {
            found = cache->emplace(key, SpawnFreshRates(dino, level, baseLevel)).first;
        }
        fresh = &found->second;
    }
    if (!fresh->has_value()) {
        return;
    }
    const FreshRates& rates = **fresh;
    ScaleGroup(dino, kFoodFields, rates.Food, entry, &BalancedDino::ReducedFoodConsumptionSpeedMultiplier);
    ScaleGroup(dino, kStaminaFields, rates.Stamina, entry, &BalancedDino::ReducedStaminaConsumptionSpeedMultiplier);
    ScaleGroup(dino, kOxygenFields, rates.Oxygen, entry, &BalancedDino::ReducedOxygenConsumptionSpeedMultiplier);
}

void ApplyBalance(const BalanceTable& table, APrimalDinoCharacter* dino, const TableChanges* changes, FreshRateCache* cache)
{
    if (!IsEligible(dino)) {
        return;
    }
    const BalancedDino& current = EntryInEffect(table, dino);
    if (changes == nullptr) {
        // With all three multipliers not set nothing can change: spawning a temporary dino for
        // every tamed dino at each start and reload would be pure cost.
        if (!ChangesNothing(current)) {
            Apply(dino, current, cache);
        }
        return;
    }
    BalancedDino entry = current;
    RestoreWhatIsNoLongerSet(entry, changes->EntryBefore(SpeciesKeyOf(table, dino)));
    if (!ChangesNothing(entry)) {
        Apply(dino, entry, cache);
    }
}

}  // namespace

void ApplyConsumptionRates(APrimalDinoCharacter* dino, const BalancedDino& entry)
{
    Apply(dino, entry, nullptr);
}

void ApplyDinoBalance(const BalanceTable& table, APrimalDinoCharacter* dino, const TableChanges* changes)
{
    ApplyBalance(table, dino, changes, nullptr);
}

void ApplyToExistingDinos(const BalanceTable& table, const TableChanges* changes)
{
    TArray<AActor*> actors;
    kAllActorsOfClass(static_cast<UObject*>(ArkApi::GetApiUtils().GetWorld()), kDinoClass(), &actors);
    // One temporary dino per class and levels serves every dino of the sweep that has them.
    FreshRateCache cache;
    // A snapshot: temporary dinos spawned during the walk are not in it.
    for (std::int32_t i = 0; i < actors.ArrayNum; ++i) {
        AActor* actor = actors.Data[i];
        if (kTargetingTeam.Read(actor) >= kSweepTeamMinimum) {
            ApplyBalance(table, static_cast<APrimalDinoCharacter*>(actor), changes, &cache);
        }
    }
    game::Free(actors.Data);
}
