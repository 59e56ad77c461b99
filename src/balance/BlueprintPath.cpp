#include "balance/BlueprintPath.h"

#include <string>

#include "config/BalanceTable.h"
#include "host/GameAccess.h"

FString MakeBlueprintPath(const UObject* object)
{
    if (object == nullptr) {
        return FString();
    }
    UClass* objectClass = game::Read<UClass*>(object, "UObjectBase.Class");
    if (objectClass == nullptr) {
        return FString();
    }
    FString reference;
    game::Call<FString*>("UVictoryCore.ClassToStringReference", &reference, objectClass);
    // The string reference ends in "_C", the generated class; the blueprint's own path does not.
    // Built in one piece: this runs on every hit, ride and net.
    const int stem = reference.Len() > 2 ? reference.Len() - 2 : 0;
    std::u16string path = u"Blueprint'";
    path.append(*reference, static_cast<std::size_t>(stem));
    path.push_back(u'\'');
    return FString(path.data(), static_cast<int>(path.size()));
}

std::shared_ptr<BalancedDino> FindDinoBalance(const BalanceTable& table, const UObject* object)
{
    return table.Find(MakeBlueprintPath(object));
}

BalancedDino EntryInEffect(const BalanceTable& table, const UObject* dino)
{
    if (std::shared_ptr<BalancedDino> entry = table.Find(MakeBlueprintPath(dino))) {
        return *entry;
    }
    return table.Global;
}
