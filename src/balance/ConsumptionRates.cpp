#include "balance/ConsumptionRates.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "balance/BalanceLookup.h"
#include "balance/BlueprintPath.h"
#include "config/BalanceKeys.h"
#include "config/BalanceTable.h"
#include "host/GameMemory.h"
#include "host/GameNames.h"
#include "logging/LogText.h"
#include "logging/Logger.h"

namespace {

namespace names = game::names;

// The sweep only takes dinos of player teams proper.
constexpr int kSweepTeamMinimum = 10000;

// ---- the rates -------------------------------------------------------------------------

// The groups of rates a consumption multiplier scales, each switched off on its own when the
// host lacks one of its fields. A group's bit in a RateLedger record is 1 << its index here.
struct RateGroup {
    float BalancedDino::*Multiplier;
    game::Rules Rule;
};
constexpr std::array<RateGroup, 3> kGroups{{
    {&BalancedDino::ReducedFoodConsumptionSpeedMultiplier, game::kFoodRates},
    {&BalancedDino::ReducedStaminaConsumptionSpeedMultiplier, game::kStaminaRates},
    {&BalancedDino::ReducedOxygenConsumptionSpeedMultiplier, game::kOxygenRates},
}};
constexpr game::Rules kAnyGroup = game::kFoodRates | game::kStaminaRates | game::kOxygenRates;
constexpr std::size_t kFood = 0;
constexpr std::size_t kStamina = 1;
constexpr std::size_t kOxygen = 2;

enum class Owner { StatusComponent, Dino };

// One rate the game keeps for a dino: its group, and the field that holds it, on the dino or on
// its status component.
struct RateField {
    std::size_t Group;
    Owner On;
    const game::Field<float>& Field;
};

// Every rate, in the order they are read and written: food, stamina, oxygen. A new consumption
// key (described in BalanceKeys.h) brings a group above and its rows here.
const std::array<RateField, kRateFieldCount> kRates{{
    {kFood, Owner::StatusComponent, names::kFoodConsumption},
    {kStamina, Owner::StatusComponent, names::kRunningStamina},
    {kStamina, Owner::StatusComponent, names::kJumpStamina},
    {kStamina, Owner::StatusComponent, names::kCrouchedStamina},
    {kStamina, Owner::StatusComponent, names::kProneStamina},
    {kStamina, Owner::StatusComponent, names::kWalkingStamina},
    {kStamina, Owner::StatusComponent, names::kSwimmingStamina},
    {kStamina, Owner::Dino, names::kChargingDrain},
    {kStamina, Owner::Dino, names::kMeleeStamina},
    {kStamina, Owner::Dino, names::kSlowFallingStamina},
    {kStamina, Owner::Dino, names::kChargingActivation},
    {kStamina, Owner::Dino, names::kRiderStamina},
    {kStamina, Owner::Dino, names::kWaterJumpStamina},
    {kOxygen, Owner::StatusComponent, names::kSubmergedOxygen},
}};

constexpr std::uint32_t Bit(std::size_t group)
{
    return 1u << group;
}

// A fresh dino's rates, in the order of kRates, read right after it was spawned.
using FreshRates = std::array<float, kRateFieldCount>;

// The class and levels a temporary dino is spawned with.
using FreshRateKey = std::tuple<const UClass*, int, int>;

struct FreshRateKeyHash {
    std::size_t operator()(const FreshRateKey& key) const
    {
        const std::uint64_t levels = (std::uint64_t(std::uint32_t(std::get<1>(key))) << 32) | std::uint32_t(std::get<2>(key));
        const std::size_t cls = std::hash<const void*>{}(std::get<0>(key));
        return cls ^ (std::hash<std::uint64_t>{}(levels) + 0x9e3779b97f4a7c15ull + (cls << 6) + (cls >> 2));
    }
};

// The fresh rates of each (class, base level, level) a sweep met; none where the spawn failed.
// Hashed: every dino of a crowded server looks its class and levels up here, and an ordered
// tree of a thousand and more keys costs a dozen cache misses a dino.
using FreshRateCache = std::unordered_map<FreshRateKey, std::optional<FreshRates>, FreshRateKeyHash>;

// Set while ApplyToExistingDinos runs, so that one temporary dino serves every dino of the
// sweep with the same class and levels; null otherwise, when every application spawns its own.
FreshRateCache* sweepCache = nullptr;

void* FieldOwner(APrimalDinoCharacter* dino, Owner on)
{
    // Fetched afresh for every field, as the game may swap a component between two writes.
    return on == Owner::Dino ? static_cast<void*>(dino) : static_cast<void*>(names::kStatusComponent.Read(dino));
}

bool GroupOn(std::size_t group)
{
    return game::RulesOn(kGroups[group].Rule);
}

// Spawns a dino of the live dino's class and levels, reads its rates and destroys it again; none
// (and "Error creating tempDino" logged) when the class does not load or the spawn fails.
std::optional<FreshRates> SpawnFreshRates(APrimalDinoCharacter* dino, int level, int baseLevel)
{
    FString path = MakeBlueprintPath(dino);
    UWorld* world = ArkApi::GetApiUtils().GetWorld();
    // A class that did not load is not handed to the spawn.
    UClass* dinoClass = names::kLoadClass(&path);
    if (dinoClass == nullptr) {
        GetLogger()->error("Error creating tempDino");
        return std::nullopt;
    }
    FVector location;
    FRotator rotation;
    APrimalDinoCharacter* fresh =
        names::kSpawnDino(world, dinoClass, &location, &rotation, 1.0f, 0, false, false, baseLevel, false, 1.0f, level, false);
    if (fresh == nullptr) {
        GetLogger()->error("Error creating tempDino");
        return std::nullopt;
    }
    std::optional<FreshRates> rates;
    if (names::kStatusComponent.Read(fresh) == nullptr) {
        GetLogger()->error("Error creating tempDino");
    } else {
        rates.emplace();
        for (std::size_t i = 0; i < kRates.size(); ++i) {
            (*rates)[i] = GroupOn(kRates[i].Group) ? kRates[i].Field.Read(FieldOwner(fresh, kRates[i].On)) : 0.0f;
        }
    }
    names::kForceDestroy(static_cast<AActor*>(fresh));
    return rates;
}

// The fresh rates for `dino`: within a sweep, from the one temporary dino of its class and levels.
const std::optional<FreshRates>& FreshRatesFor(APrimalDinoCharacter* dino, std::optional<FreshRates>& own)
{
    UPrimalCharacterStatusComponent* status = names::kStatusComponent.Read(dino);
    const int level = names::kCharacterLevel(status);
    const int baseLevel = names::kBaseLevel.Read(status);
    if (sweepCache == nullptr) {
        own = SpawnFreshRates(dino, level, baseLevel);
        return own;
    }
    const auto key = std::make_tuple(static_cast<const UClass*>(names::kClass.Read(dino)), baseLevel, level);
    auto found = sweepCache->find(key);
    if (found == sweepCache->end()) {
        found = sweepCache->emplace(key, SpawnFreshRates(dino, level, baseLevel)).first;
    }
    return found->second;
}

// True when the dino's rates of `group` are, bit for bit, what the plugin wrote there.
bool StillCarries(APrimalDinoCharacter* dino, const RateLedger::Record& record, std::size_t group)
{
    for (std::size_t i = 0; i < kRates.size(); ++i) {
        if (kRates[i].Group != group) {
            continue;
        }
        const float now = kRates[i].Field.Read(FieldOwner(dino, kRates[i].On));
        if (std::memcmp(&now, &record.Written[i], sizeof(float)) != 0) {
            return false;
        }
    }
    return true;
}

// True when a dino takes rates: tamed, alive, not being destroyed, with a status component.
// `knownDino` skips the class test for an actor the game listed as a dino.
bool IsEligible(APrimalDinoCharacter* dino, bool knownDino = false)
{
    if (dino == nullptr || names::kIsDestroyingDino.Read(dino) != 0 || names::kStatusComponent.Read(dino) == nullptr) {
        return false;
    }
    if (!knownDino && !names::kIsA(static_cast<UObjectBaseUtility*>(dino), names::kDinoClass())) {
        return false;
    }
    return !names::kIsDead(static_cast<APrimalCharacter*>(dino)) && names::kTargetingTeam.Read(dino) > kTamedTeamThreshold;
}

RateLedger::Identity IdentityOf(const AActor* actor)
{
    return RateLedger::Identity{actor, names::kName.Read(actor)};
}

// Every dino in the world, or none when the world cannot be asked; the caller frees the array.
TArray<AActor*> AllDinos()
{
    TArray<AActor*> actors;
    names::kAllActorsOfClass(static_cast<UObject*>(ArkApi::GetApiUtils().GetWorld()), names::kDinoClass(), &actors);
    return actors;
}

struct FreedAtEnd {
    TArray<AActor*>& Actors;
    ~FreedAtEnd() { game::Free(Actors.Data); }
};

void Prune(RateLedger& ledger)
{
    TArray<AActor*> actors = AllDinos();
    const FreedAtEnd freed{actors};
    ledger.BeginPrune();
    for (std::int32_t i = 0; i < actors.ArrayNum; ++i) {
        ledger.MarkAlive(IdentityOf(actors.Data[i]));
    }
    ledger.EndPrune();
}

enum class Outcome { Done, KeepsAnotherRate };

// Sets each group the entry sets, gives back each group the plugin set before and the entry no
// longer sets, and records what it wrote. A group given back goes to the fresh dino's rates,
// times 1, and only when the dino still carries what the plugin wrote: a value someone else set
// since is theirs, and the plugin forgets the group. Without a fresh dino nothing is written and
// the record stays as it was, so that a give-back still pending is done the next time.
// `known` is the dino's record when a sweep has already looked it up (null: it has none).
Outcome Apply(const BalancedDino& entry, RateLedger& ledger, APrimalDinoCharacter* dino,
              std::optional<RateLedger::Record*> known = std::nullopt)
{
    const RateLedger::Identity identity = IdentityOf(dino);
    RateLedger::Record* record = known.has_value() ? *known : ledger.Find(identity);
    std::uint32_t toSet = 0;
    std::uint32_t toGiveBack = 0;
    for (std::size_t group = 0; group < kGroups.size(); ++group) {
        if (!GroupOn(group)) {
            continue;
        }
        if (KeyOf(kGroups[group].Multiplier).IsSet(entry.*kGroups[group].Multiplier)) {
            toSet |= Bit(group);
        } else if (record != nullptr && (record->Groups & Bit(group)) != 0) {
            if (StillCarries(dino, *record, group)) {
                toGiveBack |= Bit(group);
            } else {
                record->Groups &= ~Bit(group);
            }
        }
    }
    if (record != nullptr && record->Groups == 0) {
        ledger.Drop(identity);
        record = nullptr;
    }
    // With nothing to set or give back, a temporary dino would be pure cost.
    if (toSet == 0 && toGiveBack == 0) {
        return Outcome::Done;
    }
    std::optional<FreshRates> own;
    const std::uint64_t changes = ledger.Changes();
    const std::optional<FreshRates>& fresh = FreshRatesFor(dino, own);
    if (!fresh.has_value()) {
        return Outcome::KeepsAnotherRate;
    }
    // A reference dino's spawn runs the hooks, which may have changed the ledger meanwhile.
    if (record != nullptr && ledger.Changes() != changes) {
        record = ledger.Find(identity);
    }
    // A sweep has marked the record it found; Add marks a new one.
    RateLedger::Record& written = record != nullptr ? *record : ledger.Add(identity);
    for (std::size_t i = 0; i < kRates.size(); ++i) {
        const RateField& rate = kRates[i];
        const std::uint32_t bit = Bit(rate.Group);
        if ((toSet & bit) != 0) {
            const float value = (*fresh)[i] * (entry.*kGroups[rate.Group].Multiplier);
            rate.Field.Write(FieldOwner(dino, rate.On), value);
            written.Written[i] = value;
        } else if ((toGiveBack & bit) != 0) {
            rate.Field.Write(FieldOwner(dino, rate.On), (*fresh)[i]);
        }
    }
    written.Groups = (written.Groups | toSet) & ~toGiveBack;
    if (written.Groups == 0) {
        ledger.Drop(identity);
    }
    return Outcome::Done;
}

}  // namespace

void ApplyDinoBalance(const BalanceTable& table, RateLedger& ledger, APrimalDinoCharacter* dino)
{
    if (!game::AnyRuleOn(kAnyGroup) || !IsEligible(dino)) {
        return;
    }
    Apply(BalanceInEffect(table, dino), ledger, dino);
    // Outside a sweep (which prunes anyway), the hooks keep the record from growing for good.
    if (sweepCache == nullptr && ledger.WantsPrune()) {
        Prune(ledger);
    }
}

std::int32_t ApplyToExistingDinos(const BalanceTable& table, RateLedger& ledger)
{
    if (!game::AnyRuleOn(kAnyGroup)) {
        return 0;
    }
    TArray<AActor*> actors = AllDinos();
    const FreedAtEnd freed{actors};
    // One temporary dino per class and levels serves every dino of the sweep that has them.
    FreshRateCache cache;
    struct SweepScope {
        FreshRateCache* outer;
        ~SweepScope() { sweepCache = outer; }
    } scope{std::exchange(sweepCache, &cache)};
    // Every dino in the world counts as alive for the record, whatever its team; the snapshot
    // leaves out the temporary dinos spawned during the walk. The record found while marking is
    // the one the dino's rates are applied with: on a crowded server each lookup costs.
    ledger.BeginPrune();
    std::map<std::string, std::int32_t> keepingAnotherRate;
    std::int32_t total = 0;
    for (std::int32_t i = 0; i < actors.ArrayNum; ++i) {
        auto* dino = static_cast<APrimalDinoCharacter*>(actors.Data[i]);
        RateLedger::Record* record = ledger.MarkAlive(IdentityOf(dino));
        // The world listed it among the dinos: its class need not be asked again.
        if (names::kTargetingTeam.Read(dino) < kSweepTeamMinimum || !IsEligible(dino, true)) {
            continue;
        }
        if (Apply(BalanceInEffect(table, dino), ledger, dino, record) == Outcome::KeepsAnotherRate) {
            ++keepingAnotherRate[SpeciesKeyOf(table, dino)];
            ++total;
        }
    }
    ledger.EndPrune();
    for (const auto& [species, count] : keepingAnotherRate) {
        GetLogger()->warn("{} {} of {} {} another rate than the file gives: no reference dino could be spawned", count,
                          count == 1 ? "dino" : "dinos", Quoted(species), count == 1 ? "keeps" : "keep");
    }
    return total;
}
