// The six balance hooks in one place: what each handler does, and the order they are installed.
// Laid out as constants, state, helpers, then the handlers and their install table.
//
//   1 "APrimalDinoCharacter.TakeDamage"   damage: resistance, attack, turret factor (Tamed/Wild apart)
//   2 "APrimalBuff.AddBuff"               refuses the net buff (DisableNet)
//   3 "APrimalDinoCharacter.TameDino"     refuses taming (AllowTame); rates for a new tame
//   4 "APrimalDinoCharacter.DoMate"       refuses mating (AllowBreed)
//   5 "APrimalDinoCharacter.TryMultiUse"  refuses riding, use 100 only (AllowRide)
//   6 "APrimalDinoCharacter.BeginPlay"    consumption rates once the game's BeginPlay has run
//
// The gates and the damage rule use a species' own entry only; a species without one keeps the
// game's behaviour. Only the consumption rates fall back to the global entry. A hook is installed
// only while the host knows its game function and one of the rules it serves is on (GameNames.h).

#include "balance/BalanceHooks.h"

#include <cstdint>
#include <exception>
#include <unordered_map>
#include <utility>

#include "balance/BalanceLookup.h"
#include "balance/ConsumptionRates.h"
#include "config/BalanceKeys.h"
#include "config/BalanceTable.h"
#include "host/FString.h"
#include "host/GameNames.h"
#include "logging/Logger.h"

namespace {

// ---- constants ---------------------------------------------------------------------------

// The multi-use index of mounting a dino; every other index passes through without a lookup.
constexpr int kRideUseIndex = 100;
// The game's net effect is a buff whose object name holds this marker, in any letter case.
constexpr const char* kNetBuffMarker = "Buff_Netted_Material";

// ---- state -------------------------------------------------------------------------------

using game::names::kName;
using game::names::kNameToString;

// The table the handlers read and the record of rates written, given when the hooks are
// prepared; a reload refills the table in place.
const BalanceTable* balances = nullptr;
RateLedger* ledger = nullptr;

// Whether a buff name is the net's, by the name's index in the game's name table: a name's text
// is read once, not at every buff. The number that may follow a name ("_3") is digits only and
// cannot make or break the marker.
std::unordered_map<std::int32_t, bool> netBuffNames;

// What waits for the world to be there (RunAtNextBeginPlay).
std::function<void()> atNextBeginPlay;

// The game's own entries, written by the host when it installs each hook.
float (*TakeDamageGame)(APrimalDinoCharacter*, float, FDamageEvent*, AController*, AActor*) = nullptr;
APrimalBuff* (*AddBuffGame)(APrimalBuff*, ACharacter*, AActor*) = nullptr;
void (*TameDinoGame)(APrimalDinoCharacter*, AShooterPlayerController*, bool, int, bool, bool, bool) = nullptr;
void (*DoMateGame)(APrimalDinoCharacter*, APrimalDinoCharacter*) = nullptr;
bool (*TryMultiUseGame)(APrimalDinoCharacter*, APlayerController*, int) = nullptr;
void (*BeginPlayGame)(APrimalDinoCharacter*) = nullptr;

// ---- helpers -----------------------------------------------------------------------------

const BalancedDino* SpeciesBalance(const UObject* object)
{
    return balances == nullptr ? nullptr : FindDinoBalance(*balances, object);
}

bool IsNetBuff(APrimalBuff* buff)
{
    FName name = kName.Read(buff);
    const auto known = netBuffNames.find(name.ComparisonIndex);
    if (known != netBuffNames.end()) {
        return known->second;
    }
    FString text;
    kNameToString(&name, &text);
    const bool isNet = text.FindIgnoreCase(kNetBuffMarker) >= 0;
    netBuffNames.emplace(name.ComparisonIndex, isNet);
    return isNet;
}

// The damage multipliers in effect for a victim or a causer: its species entry's, with the
// "Tamed" or "Wild" values for a dino of that state; null without an entry.
const DamageSettings* SpeciesDamage(const UObject* object)
{
    return balances == nullptr ? nullptr : DamageInEffect(*balances, object);
}

// Damage taken is divided by the victim's resistance, unless it is not set (0 or -1).
float AfterResistance(float damage, const DamageSettings* victim)
{
    static constexpr const BalanceKey& kResistance = KeyOf(&BalancedDino::DamageResistanceMultiplier);
    const bool applies = victim != nullptr && kResistance.IsSet(victim->DamageResistanceMultiplier);
    return applies ? damage / victim->DamageResistanceMultiplier : damage;
}

// Damage caused is multiplied by the causer's attack, unless it is not set (0 or -1): 0 is what
// every entry without the key holds, and must not make a species harmless.
float AfterAttack(float damage, const DamageSettings* causer)
{
    static constexpr const BalanceKey& kAttack = KeyOf(&BalancedDino::AttackDamageMultiplier);
    const bool applies = causer != nullptr && kAttack.IsSet(causer->AttackDamageMultiplier);
    return applies ? damage * causer->AttackDamageMultiplier : damage;
}

// A hit with any causer is multiplied by the victim's turret factor, unless it is not set (0).
float AfterTurretFactor(float damage, const DamageSettings* victim)
{
    static constexpr const BalanceKey& kTurret = KeyOf(&BalancedDino::TurretDamageMultiplier);
    const bool applies = victim != nullptr && kTurret.IsSet(victim->TurretDamageMultiplier);
    return applies ? damage * victim->TurretDamageMultiplier : damage;
}

// The dino's consumption rates, from a handler: no exception may go back into the game, so a
// failure (the heap exhausted) is logged and the dino keeps its rates until the next reload.
void ApplyRates(APrimalDinoCharacter* dino)
{
    if (balances == nullptr || ledger == nullptr) {
        return;
    }
    try {
        ApplyDinoBalance(*balances, *ledger, dino);
    } catch (const std::exception& error) {
        GetLogger()->error(error.what());
    } catch (...) {
        GetLogger()->error("Applying consumption rates failed with an unknown error");
    }
}

template <typename Function>
void* AsDetour(Function* function)
{
    return reinterpret_cast<void*>(function);
}

template <typename Function>
void** AsSlot(Function** slot)
{
    return reinterpret_cast<void**>(slot);
}

}  // namespace

// ---- handlers ----------------------------------------------------------------------------

float Hook_TakeDamage(APrimalDinoCharacter* dino, float damage, FDamageEvent* event, AController* instigator, AActor* causer)
{
    const DamageSettings* victim = SpeciesDamage(dino);
    damage = AfterResistance(damage, victim);
    if (causer != nullptr) {
        damage = AfterAttack(damage, SpeciesDamage(causer));
        damage = AfterTurretFactor(damage, victim);
    }
    return TakeDamageGame(dino, damage, event, instigator, causer);
}

APrimalBuff* Hook_AddBuff(APrimalBuff* buff, ACharacter* character, AActor* other)
{
    // Buffs are added all the time; only the net buff costs a table lookup.
    if (buff == nullptr || !IsNetBuff(buff)) {
        return AddBuffGame(buff, character, other);
    }
    const BalancedDino* entry = SpeciesBalance(character);
    if (entry && entry->DisableNet) {
        return nullptr;
    }
    return AddBuffGame(buff, character, other);
}

void Hook_TameDino(APrimalDinoCharacter* dino, AShooterPlayerController* player, bool ignoreMaxTameLimit, int overrideTeam,
                   bool preventNameDialog, bool skipAddingTamedLevels, bool suppressNotifications)
{
    if (dino == nullptr) {
        TameDinoGame(dino, player, ignoreMaxTameLimit, overrideTeam, preventNameDialog, skipAddingTamedLevels, suppressNotifications);
        return;
    }
    if (game::RulesOn(game::kTameGate)) {
        const BalancedDino* entry = SpeciesBalance(dino);
        if (entry && !entry->AllowTame) {
            return;
        }
    }
    TameDinoGame(dino, player, ignoreMaxTameLimit, overrideTeam, preventNameDialog, skipAddingTamedLevels, suppressNotifications);
    // A new tame gets its species' rates at once rather than at its next BeginPlay or reload;
    // a tame the game did not carry out leaves the dino wild, and the application skips it.
    if (game::RulesOn(game::kRatesOfNewTames)) {
        ApplyRates(dino);
    }
}

void Hook_DoMate(APrimalDinoCharacter* dino, APrimalDinoCharacter* partner)
{
    // Only the dino the game runs the mating on decides; the partner's species plays no part.
    const BalancedDino* entry = SpeciesBalance(dino);
    if (entry && !entry->AllowBreed) {
        return;
    }
    DoMateGame(dino, partner);
}

bool Hook_TryMultiUse(APrimalDinoCharacter* dino, APlayerController* player, int useIndex)
{
    // Uses other than riding are frequent: they cost no lookup.
    if (useIndex != kRideUseIndex) {
        return TryMultiUseGame(dino, player, useIndex);
    }
    const BalancedDino* entry = SpeciesBalance(dino);
    if (entry && !entry->AllowRide) {
        return false;
    }
    return TryMultiUseGame(dino, player, useIndex);
}

void Hook_BeginPlay(APrimalDinoCharacter* dino)
{
    BeginPlayGame(dino);
    if (atNextBeginPlay) {
        const std::function<void()> action = std::move(atNextBeginPlay);
        atNextBeginPlay = nullptr;
        action();
    }
    ApplyRates(dino);
}

void RunAtNextBeginPlay(std::function<void()> action)
{
    atNextBeginPlay = std::move(action);
}

// ---- install table -----------------------------------------------------------------------

const std::array<BalanceHook, 6>& PrepareBalanceHooks(const BalanceTable& table, RateLedger& rates)
{
    balances = &table;
    ledger = &rates;
    namespace names = game::names;
    static const std::array<BalanceHook, 6> hooks{{
        {&names::kTakeDamage, AsDetour(&Hook_TakeDamage), AsSlot(&TakeDamageGame)},
        {&names::kAddBuff, AsDetour(&Hook_AddBuff), AsSlot(&AddBuffGame)},
        {&names::kTameDino, AsDetour(&Hook_TameDino), AsSlot(&TameDinoGame)},
        {&names::kDoMate, AsDetour(&Hook_DoMate), AsSlot(&DoMateGame)},
        {&names::kTryMultiUse, AsDetour(&Hook_TryMultiUse), AsSlot(&TryMultiUseGame)},
        {&names::kBeginPlay, AsDetour(&Hook_BeginPlay), AsSlot(&BeginPlayGame)},
    }};
    return hooks;
}

bool BalanceHook::Wanted() const
{
    return Function->Present() && game::AnyRuleOn(Function->NeededBy());
}
