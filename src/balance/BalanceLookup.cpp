#include "balance/BalanceLookup.h"

#include <array>
#include <cstdint>
#include <unordered_map>

#include "balance/BlueprintPath.h"
#include "config/BalanceKeys.h"
#include "config/BalanceTable.h"
#include "host/GameNames.h"

namespace {

using game::names::kClass;
using game::names::kName;
using game::names::kOuter;
using game::names::kTargetingTeam;

// The usual case of a lookup is inlined; the rest is kept out of it, so that it needs few registers.
#if defined(_MSC_VER)
#  define DINOTUNER_ALWAYS_INLINE __forceinline
#  define DINOTUNER_NOINLINE __declspec(noinline)
#else
#  define DINOTUNER_ALWAYS_INLINE inline __attribute__((always_inline))
#  define DINOTUNER_NOINLINE __attribute__((noinline))
#endif

// Who a class is: its own name and those of its outers, up to the package, which make up its
// full path ("/Game/.../Rex_Character_BP" then "Rex_Character_BP_C"). A class freed and another
// made at its address may share its short name but not its path. Names compare as the game's
// name values, so the guard reads a few fields instead of forming the path's text at every hit.
// A class sits inside its package; deeper nesting than kDepth is compared on its first levels.
struct ClassIdentity {
    static constexpr std::size_t kDepth = 4;
    std::array<FName, kDepth> Names{};
    std::size_t Depth = 0;

    static ClassIdentity Of(const UClass* cls)
    {
        ClassIdentity identity;
        for (const UObject* level = cls; level != nullptr && identity.Depth < kDepth; level = kOuter.Read(level)) {
            identity.Names[identity.Depth++] = kName.Read(level);
        }
        return identity;
    }

    // True when `cls` bears these names, level by level.
    bool Matches(const UClass* cls) const
    {
        const UObject* level = cls;
        for (std::size_t i = 0; i < Depth; ++i) {
            if (level == nullptr || !Same(kName.Read(level), Names[i])) {
                return false;
            }
            level = i + 1 < Depth ? kOuter.Read(level) : nullptr;
        }
        return Depth != 0;
    }

    // Matches for a non-null class while the names of classes and outers are known to be present.
    DINOTUNER_ALWAYS_INLINE bool MatchesKnown(const UClass* cls) const
    {
        if (!Same(kName.ReadKnown(cls), Names[0])) {
            return false;
        }
        const UObject* level = cls;
        for (std::size_t i = 1; i < Depth; ++i) {
            level = kOuter.ReadKnown(level);
            if (level == nullptr || !Same(kName.ReadKnown(level), Names[i])) {
                return false;
            }
        }
        return true;
    }

    static bool Same(const FName& a, const FName& b) { return a.ComparisonIndex == b.ComparisonIndex && a.Number == b.Number; }
};

// What one class stands for in one fill of the table: its species key and balance, and the
// damage multipliers in effect for its objects, worked out once: the entry's own, and where the
// entry sets "Tamed" or "Wild" apart and the class is a dino's, those of its tamed and wild dinos.
struct ClassBalance {
    ClassIdentity Identity;
    std::string Key;
    const BalancedDino* Balance = nullptr;
    // True when a hit must read the object's team to choose between Tamed and Wild.
    bool ByTeam = false;
    DamageSettings Own;
    DamageSettings Tamed;
    DamageSettings Wild;

    // Works out the damage in effect from Balance; `object` is one of the class's objects.
    void SettleDamage(const UObject* object)
    {
        ByTeam = false;
        if (Balance == nullptr) {
            return;
        }
        Own = DamageFor(*Balance, nullptr);
        // A structure has no tamed or wild state: it takes the top level, as does every class
        // while the host lacks what tells a tamed dino (GameNames.h).
        if (object == nullptr || !SplitsDamage(*Balance) || !game::RulesOn(game::kTamedWildDamage) ||
            !game::names::kIsA(const_cast<UObject*>(object), game::names::kDinoClass())) {
            return;
        }
        ByTeam = true;
        Tamed = DamageFor(*Balance, &kTamedSide);
        Wild = DamageFor(*Balance, &kWildSide);
    }
};

// The classes met since the table was last filled. A handful of recent ones sit in a small
// array in front of the map, so that a hit usually costs two comparisons.
struct ClassCache {
    const BalanceTable* Table = nullptr;
    std::uint64_t Generation = 0;
    std::unordered_map<const UClass*, ClassBalance> Classes;

    struct Recent {
        const UClass* Class = nullptr;
        const ClassBalance* Balance = nullptr;
    };
    std::array<Recent, 64> Recents{};

    // True when the host knew an object's class and every level's name and outer when the
    // cache started over: the usual case then reads them without asking at every read. Names
    // are resolved only at load, which fills the table anew, so this holds until the next fill.
    bool NamesKnown = false;

    static std::size_t Slot(const UClass* cls) { return (reinterpret_cast<std::uintptr_t>(cls) >> 4) % 64; }

    void StartOver(const BalanceTable& table)
    {
        Table = &table;
        Generation = table.Generation();
        NamesKnown = kClass.Present() && kName.Present() && kOuter.Present();
        Classes.clear();
        Recents.fill(Recent{});
    }
};

// At namespace scope, so that the usual case does not test a guard before each use.
ClassCache classCache;

ClassCache& Cache()
{
    return classCache;
}

// The key of an object without a class: it finds only an entry stored under the empty key.
const ClassBalance& Classless(const BalanceTable& table)
{
    static ClassBalance none;
    none.Balance = table.Find("");
    none.SettleDamage(nullptr);
    return none;
}

// The class met for the first time since the table was filled, or after another class took its
// address: its path is formed and looked up, and remembered.
DINOTUNER_NOINLINE const ClassBalance& LookupAgain(const BalanceTable& table, const UObject* object, const UClass* cls)
{
    ClassCache& cache = Cache();
    if (cache.Table != &table || cache.Generation != table.Generation()) {
        cache.StartOver(table);
    }
    ClassBalance& known = cache.Classes[cls];
    if (known.Key.empty() || !known.Identity.Matches(cls)) {
        known.Identity = ClassIdentity::Of(cls);
        known.Key = MakeBlueprintPath(object).ToString();
        known.Balance = table.Find(known.Key);
        known.SettleDamage(object);
    }
    cache.Recents[ClassCache::Slot(cls)] = ClassCache::Recent{cls, &known};
    return known;
}

// Any lookup but the usual case: a null object or class, a class not met recently, or the cache
// from another fill.
DINOTUNER_NOINLINE const ClassBalance& LookupSlowly(const BalanceTable& table, const UObject* object)
{
    const UClass* cls = kClass.Read(object);
    if (cls == nullptr) {
        return Classless(table);
    }
    const ClassCache& cache = Cache();
    if (cache.Table == &table && cache.Generation == table.Generation()) {
        const ClassCache::Recent& recent = cache.Recents[ClassCache::Slot(cls)];
        if (recent.Class == cls && recent.Balance->Identity.Matches(cls)) {
            return *recent.Balance;
        }
    }
    return LookupAgain(table, object, cls);
}

// Hits run this twice each: the usual case, a class met recently and still the same class, is
// kept to a few reads and comparisons.
DINOTUNER_ALWAYS_INLINE const ClassBalance& Lookup(const BalanceTable& table, const UObject* object)
{
    const ClassCache& cache = Cache();
    if (object != nullptr && cache.NamesKnown && cache.Table == &table && cache.Generation == table.Generation()) {
        const UClass* cls = kClass.ReadKnown(object);
        const ClassCache::Recent& recent = cache.Recents[ClassCache::Slot(cls)];
        if (cls != nullptr && recent.Class == cls && recent.Balance->Identity.MatchesKnown(cls)) {
            return *recent.Balance;
        }
    }
    return LookupSlowly(table, object);
}

}  // namespace

const BalancedDino* FindDinoBalance(const BalanceTable& table, const UObject* object)
{
    return Lookup(table, object).Balance;
}

const DamageSettings* DamageInEffect(const BalanceTable& table, const UObject* object)
{
    const ClassBalance& known = Lookup(table, object);
    if (known.Balance == nullptr) {
        return nullptr;
    }
    if (!known.ByTeam) {
        return &known.Own;
    }
    // ByTeam is settled only while the rule is on, which it is not without the team's name.
    return kTargetingTeam.ReadKnown(object) > kTamedTeamThreshold ? &known.Tamed : &known.Wild;
}

const BalancedDino& BalanceInEffect(const BalanceTable& table, const UObject* dino)
{
    const BalancedDino* own = FindDinoBalance(table, dino);
    return own != nullptr ? *own : table.Global;
}

const std::string& SpeciesKeyOf(const BalanceTable& table, const UObject* object)
{
    return Lookup(table, object).Key;
}
