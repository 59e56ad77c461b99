#pragma once
// Every game function, field and bit field the plugin reaches, in one list, each with the rules
// that cannot work without it. A game update may rename or remove any of them, and the host
// then answers with an address that is no use (GameAccess.h): the list is resolved once at
// load, each name the host does not know is logged, and the rules that need it are switched
// off, so that they never read, write or call through it. The hot path then asks the host for
// nothing: every handle below already holds its answer.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/FString.h"
#include "host/GameAccess.h"
#include "host/GameTypes.h"

namespace game {

// The plugin's rules, as a name can switch them off.
enum Rule : Rules {
    kDamage = 1u << 0,            // resistance, attack and turret multipliers
    kNetGate = 1u << 1,           // DisableNet
    kTameGate = 1u << 2,          // AllowTame
    kBreedGate = 1u << 3,         // AllowBreed
    kRideGate = 1u << 4,          // AllowRide
    kFoodRates = 1u << 5,         // the food consumption rate
    kStaminaRates = 1u << 6,      // the twelve stamina rates
    kOxygenRates = 1u << 7,       // the oxygen rate
    kRatesAtBeginPlay = 1u << 8,  // rates applied when a tamed dino begins play
    kRatesOfNewTames = 1u << 9,   // rates applied right after a tame
    kChatReply = 1u << 10,        // the commands' replies in chat
    kRconReply = 1u << 11,        // the commands' replies over RCON
    kTamedWildDamage = 1u << 12,  // the damage of a species' "Tamed" and "Wild" objects
    kMapSections = 1u << 13,      // the map's own section of "Maps"
    kSpeciesList = 1u << 14,      // DinoTuner.Species: the creature classes in the world now
};
// Every consumption rule: what a dino's rates need in common.
inline constexpr Rules kConsumption = kFoodRates | kStaminaRates | kOxygenRates | kRatesAtBeginPlay | kRatesOfNewTames;
// Every rule that finds a species' key or entry for a game object.
inline constexpr Rules kSpeciesRules = kDamage | kNetGate | kTameGate | kBreedGate | kRideGate | kConsumption | kTamedWildDamage | kSpeciesList;
inline constexpr Rules kEveryRule = kSpeciesRules | kChatReply | kRconReply | kMapSections;

namespace names {

// ---- the game's allocator: every text and list that crosses to the game ----
inline const Function<void*(std::size_t, std::uint32_t)> kMalloc("FMemory.Malloc", kEveryRule);
inline const Function<void*(void*, std::size_t)> kRealloc("FMemory.Realloc", kEveryRule);
inline const Function<void(void*)> kFree("FMemory.Free", kEveryRule);

// ---- what species an object is: its class, the class's path, and the class's identity ----
inline const Field<UClass*> kClass("UObjectBase.Class", kSpeciesRules);
// Also a dino's identity in the record of rates the plugin wrote, and a buff's name for the net.
inline const Field<FName> kName("UObjectBase.Name", kSpeciesRules);
inline const Field<UObject*> kOuter("UObjectBase.Outer", kSpeciesRules);
inline const Function<FString*(FString*, UClass*)> kClassToStringReference("UVictoryCore.ClassToStringReference", kSpeciesRules);

// ---- the hooked functions: each one's rules, and its hook is installed only while one is on ----
inline const Name kTakeDamage("APrimalDinoCharacter.TakeDamage", Name::Kind::Function, kDamage);
inline const Name kAddBuff("APrimalBuff.AddBuff", Name::Kind::Function, kNetGate);
inline const Name kTameDino("APrimalDinoCharacter.TameDino", Name::Kind::Function, kTameGate | kRatesOfNewTames);
inline const Name kDoMate("APrimalDinoCharacter.DoMate", Name::Kind::Function, kBreedGate);
inline const Name kTryMultiUse("APrimalDinoCharacter.TryMultiUse", Name::Kind::Function, kRideGate);
inline const Name kBeginPlay("APrimalDinoCharacter.BeginPlay", Name::Kind::Function, kRatesAtBeginPlay);

// ---- the net buff's name ----
inline const Function<FString*(FName*, FString*)> kNameToString("FName.ToString", kNetGate);

// ---- which dinos take rates, and the fresh dino they come from ----
inline const Bits kIsDestroyingDino("APrimalDinoCharacter.bIsDestroyingDino", kConsumption | kSpeciesList);
inline const Field<UPrimalCharacterStatusComponent*> kStatusComponent("APrimalCharacter.MyCharacterStatusComponent", kConsumption);
// Tamed or wild: also whether a hit takes a species' "Tamed" or "Wild" damage, and how a dino is
// counted in the list of species.
inline const Field<int> kTargetingTeam("AActor.TargetingTeam", kConsumption | kTamedWildDamage | kSpeciesList);
inline const Field<int> kBaseLevel("UPrimalCharacterStatusComponent.BaseCharacterLevel", kConsumption);
inline const Function<UClass*()> kDinoClass("APrimalDinoCharacter.GetPrivateStaticClass", kConsumption | kTamedWildDamage | kSpeciesList);
inline const Function<bool(UObjectBaseUtility*, UClass*)> kIsA("UObjectBaseUtility.IsA", kConsumption | kTamedWildDamage);
inline const Function<bool(APrimalCharacter*)> kIsDead("APrimalCharacter.IsDead", kConsumption);
inline const Function<int(UPrimalCharacterStatusComponent*)> kCharacterLevel("UPrimalCharacterStatusComponent.GetCharacterLevel",
                                                                             kConsumption);
inline const Function<UClass*(FString*)> kLoadClass("UVictoryCore.BPLoadClass", kConsumption);
inline const Function<APrimalDinoCharacter*(UWorld*, UClass*, FVector*, FRotator*, float, int, bool, bool, int, bool, float, int, bool)>
    kSpawnDino("APrimalDinoCharacter.SpawnDino", kConsumption);
inline const Function<bool(AActor*)> kForceDestroy("AActor.ForceDestroy", kConsumption);
// The reload's sweep, the check of which dinos the record of written rates may forget, and the
// list of the species in the world.
inline const Function<void(UObject*, UClass*, TArray<AActor*>*)> kAllActorsOfClass("UGameplayStatics.GetAllActorsOfClass",
                                                                                    kConsumption | kSpeciesList);

// ---- the rates themselves, each needed by its own group ----
inline const Field<float> kFoodConsumption("UPrimalCharacterStatusComponent.FoodConsumptionMultiplier", kFoodRates);
inline const Field<float> kRunningStamina("UPrimalCharacterStatusComponent.RunningStaminaConsumptionRate", kStaminaRates);
inline const Field<float> kJumpStamina("UPrimalCharacterStatusComponent.JumpStaminaConsumption", kStaminaRates);
inline const Field<float> kCrouchedStamina("UPrimalCharacterStatusComponent.CrouchedStaminaConsumptionMultiplier", kStaminaRates);
inline const Field<float> kProneStamina("UPrimalCharacterStatusComponent.ProneStaminaConsumptionMultiplier", kStaminaRates);
inline const Field<float> kWalkingStamina("UPrimalCharacterStatusComponent.WalkingStaminaConsumptionRate", kStaminaRates);
inline const Field<float> kSwimmingStamina("UPrimalCharacterStatusComponent.SwimmingOrFlyingStaminaConsumptionRate", kStaminaRates);
inline const Field<float> kChargingDrain("APrimalDinoCharacter.ChargingStaminaPerSecondDrain", kStaminaRates);
inline const Field<float> kMeleeStamina("APrimalDinoCharacter.MeleeAttackStaminaCost", kStaminaRates);
inline const Field<float> kSlowFallingStamina("APrimalDinoCharacter.SlowFallingStaminaCostPerSecond", kStaminaRates);
// Named like switches, but the game keeps them as float rates.
inline const Field<float> kChargingActivation("APrimalDinoCharacter.ChargingActivationConsumesStamina", kStaminaRates);
inline const Field<float> kRiderStamina("APrimalDinoCharacter.LoseStaminaWithRiderRate", kStaminaRates);
inline const Field<float> kWaterJumpStamina("APrimalDinoCharacter.AllowWaterSurfaceExtraJumpStaminaCost", kStaminaRates);
inline const Field<float> kSubmergedOxygen("UPrimalCharacterStatusComponent.SubmergedOxygenDecreaseSpeed", kOxygenRates);

// ---- the commands' replies ----
inline const Function<void(AShooterPlayerController*, FString*, FLinearColor, bool)> kChatDirectMessage(
    "AShooterPlayerController.ClientServerChatDirectMessage", kChatReply);
inline const Function<void(RCONClientConnection*, std::int32_t, std::int32_t, FString*)> kSendRconMessage("RCONClientConnection.SendMessageW",
                                                                                                          kRconReply);

// ---- which map this server runs: the short name of the world's persistent level, the one the
// server was started with ("TheIsland", "Ragnarok", "ScorchedEarth_P", a mod map's name) ----
inline const Function<FString*(UWorld*, FString*)> kGetMapName("UWorld.GetMapName", kMapSections);

// Every name above, in the order they are resolved and reported.
inline const Name* const kAll[] = {
    &kMalloc, &kRealloc, &kFree,
    &kClass, &kName, &kOuter, &kClassToStringReference,
    &kTakeDamage, &kAddBuff, &kTameDino, &kDoMate, &kTryMultiUse, &kBeginPlay,
    &kNameToString,
    &kIsDestroyingDino, &kStatusComponent, &kTargetingTeam, &kBaseLevel, &kDinoClass, &kIsA, &kIsDead, &kCharacterLevel,
    &kLoadClass, &kSpawnDino, &kForceDestroy, &kAllActorsOfClass,
    &kFoodConsumption, &kRunningStamina, &kJumpStamina, &kCrouchedStamina, &kProneStamina, &kWalkingStamina, &kSwimmingStamina,
    &kChargingDrain, &kMeleeStamina, &kSlowFallingStamina, &kChargingActivation, &kRiderStamina, &kWaterJumpStamina,
    &kSubmergedOxygen,
    &kChatDirectMessage, &kSendRconMessage,
    &kGetMapName,
};

}  // namespace names

// Asks the host about every name of the list again and switches off the rules of those it does
// not know; returns those names, in list order.
std::vector<const Name*> ResolveGameNames();
// The rules switched off by the last ResolveGameNames (none before the first).
Rules SwitchedOffRules();
// True when none of `rules` is switched off.
inline bool RulesOn(Rules rules)
{
    return (SwitchedOffRules() & rules) == 0;
}
// True when at least one of `rules` is on.
inline bool AnyRuleOn(Rules rules)
{
    return (rules & ~SwitchedOffRules()) != 0;
}
// The rules in words for a log line ("AllowBreed", "the food rates and the oxygen rates").
std::string DescribeRules(Rules rules);

}  // namespace game
