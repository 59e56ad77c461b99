#include "balance/BalanceLookup.h"

#include <array>
#include <cstdint>
#include <unordered_map>

#include "balance/BlueprintPath.h"
#include "config/BalanceTable.h"
#include "host/GameAccess.h"

namespace {

const game::Field<UClass*> kClass("UObjectBase.Class");
const game::Field<FName> kName("UObjectBase.Name");

// What one class stands for in one fill of the table: its species key and balance.
struct ClassBalance {
    // The class object's name: a class freed and another made at the same address has another.
    std::int32_t NameIndex = 0;
    std::string Key;
    const BalancedDino* Balance = nullptr;
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

    static std::size_t Slot(const UClass* cls) { return (reinterpret_cast<std::uintptr_t>(cls) >> 4) % 64; }

    void StartOver(const BalanceTable& table)
    {
        Table = &table;
        Generation = table.Generation();
        Classes.clear();
        Recents.fill(Recent{});
    }
};

ClassCache& Cache()
{
    static ClassCache cache;
    return cache;
}

// The key of an object without a class: it finds only an entry stored under the empty key.
const ClassBalance& Classless(const BalanceTable& table)
{
    static ClassBalance none;
    none.Balance = table.Find("");
    return none;
}

const ClassBalance& Lookup(const BalanceTable& table, const UObject* object)
{
    const UClass* cls = kClass.Read(object);
    if (cls == nullptr) {
        return Classless(table);
    }
    ClassCache& cache = Cache();
    if (cache.Table != &table || cache.Generation != table.Generation()) {
        cache.StartOver(table);
    }
    const std::int32_t nameIndex = kName.Read(cls).ComparisonIndex;
    ClassCache::Recent& recent = cache.Recents[ClassCache::Slot(cls)];
    if (recent.Class == cls && recent.Balance->NameIndex == nameIndex) {
        return *recent.Balance;
    }
    ClassBalance& known = cache.Classes[cls];
    if (known.Key.empty() || known.NameIndex != nameIndex) {
        known.NameIndex = nameIndex;
        known.Key = MakeBlueprintPath(object).ToString();
        known.Balance = table.Find(known.Key);
    }
    recent = ClassCache::Recent{cls, &known};
    return known;
}

}  // namespace

const BalancedDino* FindDinoBalance(const BalanceTable& table, const UObject* object)
{
    return Lookup(table, object).Balance;
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
