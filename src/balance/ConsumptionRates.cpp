#include "balance/ConsumptionRates.h"

#include <array>
#include <initializer_list>
#include <string>

#include "balance/BlueprintPath.h"
#include "config/BalanceKeys.h"
#include "config/BalanceTable.h"
#include "host/GameAccess.h"
#include "host/GameMemory.h"
#include "logging/Logger.h"

namespace {

// Wild dinos sit at or below this team; the game's tamed and player teams lie above it.
constexpr int kTamedTeamThreshold = 5000;
// The sweep only takes dinos of player teams proper.
constexpr int kSweepTeamMinimum = 10000;

constexpr const char* kStatusComponent = "APrimalCharacter.MyCharacterStatusComponent";

enum class Owner { StatusComponent, Dino };

struct RateField {
    Owner On;
    const char* Name;
};

constexpr std::array<RateField, 1> kFoodFields{{
    {Owner::StatusComponent, "UPrimalCharacterStatusComponent.FoodConsumptionMultiplier"},
}};

constexpr std::array<RateField, 12> kStaminaFields{{
    {Owner::StatusComponent, "UPrimalCharacterStatusComponent.RunningStaminaConsumptionRate"},
    {Owner::StatusComponent, "UPrimalCharacterStatusComponent.JumpStaminaConsumption"},
    {Owner::StatusComponent, "UPrimalCharacterStatusComponent.CrouchedStaminaConsumptionMultiplier"},
    {Owner::StatusComponent, "UPrimalCharacterStatusComponent.ProneStaminaConsumptionMultiplier"},
    {Owner::StatusComponent, "UPrimalCharacterStatusComponent.WalkingStaminaConsumptionRate"},
    {Owner::StatusComponent, "UPrimalCharacterStatusComponent.SwimmingOrFlyingStaminaConsumptionRate"},
    {Owner::Dino, "APrimalDinoCharacter.ChargingStaminaPerSecondDrain"},
    {Owner::Dino, "APrimalDinoCharacter.MeleeAttackStaminaCost"},
    {Owner::Dino, "APrimalDinoCharacter.SlowFallingStaminaCostPerSecond"},
    // Named like switches, but the game keeps them as float rates: they are scaled like the rest.
    {Owner::Dino, "APrimalDinoCharacter.ChargingActivationConsumesStamina"},
    {Owner::Dino, "APrimalDinoCharacter.LoseStaminaWithRiderRate"},
    {Owner::Dino, "APrimalDinoCharacter.AllowWaterSurfaceExtraJumpStaminaCost"},
}};

constexpr std::array<RateField, 1> kOxygenFields{{
    {Owner::StatusComponent, "UPrimalCharacterStatusComponent.SubmergedOxygenDecreaseSpeed"},
}};

UPrimalCharacterStatusComponent* StatusOf(const APrimalDinoCharacter* dino)
{
    return game::Read<UPrimalCharacterStatusComponent*>(dino, kStatusComponent);
}

void* FieldOwner(APrimalDinoCharacter* dino, Owner on)
{
    // Fetched afresh for every field, as the game may swap a component between two writes.
    return on == Owner::Dino ? static_cast<void*>(dino) : static_cast<void*>(StatusOf(dino));
}

// A consumption multiplier that is not set (-1.0) leaves its group of rates alone.
bool ChangesRates(const BalancedDino& entry, float BalancedDino::*multiplier)
{
    return KeyOf(multiplier).IsSet(entry.*multiplier);
}

template <std::size_t N>
void ScaleGroup(APrimalDinoCharacter* dino, APrimalDinoCharacter* fresh, const std::array<RateField, N>& fields,
                const BalancedDino& entry, float BalancedDino::*multiplier)
{
    if (!ChangesRates(entry, multiplier)) {
        return;
    }
    for (const RateField& field : fields) {
        const float base = game::Read<float>(FieldOwner(fresh, field.On), field.Name);
        game::Write<float>(FieldOwner(dino, field.On), field.Name, base * (entry.*multiplier));
    }
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

}  // namespace

void ApplyConsumptionRates(APrimalDinoCharacter* dino, BalancedDino entry)
{
    FString path = MakeBlueprintPath(dino);
    UWorld* world = ArkApi::GetApiUtils().QueryWorld();
    UPrimalCharacterStatusComponent* status = StatusOf(dino);
    const int level = game::Call<int>("UPrimalCharacterStatusComponent.GetCharacterLevel", status);
    const int baseLevel = game::Read<int>(status, "UPrimalCharacterStatusComponent.BaseCharacterLevel");

    // A class that did not load is not handed to the spawn.
    UClass* dinoClass = game::Call<UClass*>("UVictoryCore.BPLoadClass", &path);
    if (dinoClass == nullptr) {
        GetLogger()->error("Error creating tempDino");
        return;
    }

    FVector location;
    FRotator rotation;
    APrimalDinoCharacter* fresh = game::Call<APrimalDinoCharacter*>(
        "APrimalDinoCharacter.SpawnDino", world, dinoClass, &location, &rotation, 1.0f, 0, false, false, baseLevel, false,
        1.0f, level, false);
    if (fresh == nullptr) {
        GetLogger()->error("Error creating tempDino");
        return;
    }
    if (StatusOf(fresh) == nullptr) {
        GetLogger()->error("Error creating tempDino");
        game::Call<bool>("AActor.ForceDestroy", static_cast<AActor*>(fresh));
        return;
    }

    ScaleGroup(dino, fresh, kFoodFields, entry, &BalancedDino::ReducedFoodConsumptionSpeedMultiplier);
    ScaleGroup(dino, fresh, kStaminaFields, entry, &BalancedDino::ReducedStaminaConsumptionSpeedMultiplier);
    ScaleGroup(dino, fresh, kOxygenFields, entry, &BalancedDino::ReducedOxygenConsumptionSpeedMultiplier);

    game::Call<bool>("AActor.ForceDestroy", static_cast<AActor*>(fresh));
}

void ApplyDinoBalance(const BalanceTable& table, APrimalDinoCharacter* dino, const BalanceTable* previous)
{
    if (dino == nullptr) {
        return;
    }
    if (game::ReadBits(dino, "APrimalDinoCharacter.bIsDestroyingDino") != 0) {
        return;
    }
    if (StatusOf(dino) == nullptr) {
        return;
    }
    UClass* dinoClass = game::Call<UClass*>("APrimalDinoCharacter.GetPrivateStaticClass");
    if (!game::Call<bool>("UObjectBaseUtility.IsA", static_cast<UObjectBaseUtility*>(dino), dinoClass)) {
        return;
    }
    if (game::Call<bool>("APrimalCharacter.IsDead", static_cast<APrimalCharacter*>(dino))) {
        return;
    }
    if (game::Read<int>(dino, "AActor.TargetingTeam") <= kTamedTeamThreshold) {
        return;
    }
    BalancedDino entry = EntryInEffect(table, dino);
    if (previous != nullptr) {
        RestoreWhatIsNoLongerSet(entry, EntryInEffect(*previous, dino));
    }
    // With all three multipliers not set nothing can change: spawning a temporary dino for
    // every tamed dino at each start and reload would be pure cost.
    if (ChangesNothing(entry)) {
        return;
    }
    ApplyConsumptionRates(dino, entry);
}

void ApplyToExistingDinos(const BalanceTable& table, const BalanceTable* previous)
{
    UClass* dinoClass = game::Call<UClass*>("APrimalDinoCharacter.GetPrivateStaticClass");
    UWorld* world = ArkApi::GetApiUtils().QueryWorld();
    TArray<AActor*> actors;
    game::Call<void>("UGameplayStatics.GetAllActorsOfClass", static_cast<UObject*>(world), dinoClass, &actors);
    // A snapshot: temporary dinos spawned during the walk are not in it.
    for (std::int32_t i = 0; i < actors.ArrayNum; ++i) {
        AActor* actor = actors.Data[i];
        if (game::Read<int>(actor, "AActor.TargetingTeam") >= kSweepTeamMinimum) {
            ApplyDinoBalance(table, static_cast<APrimalDinoCharacter*>(actor), previous);
        }
    }
    game::Free(actors.Data);
}
