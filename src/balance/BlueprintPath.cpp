#include "balance/BlueprintPath.h"

#include <string>

#include "host/GameNames.h"

using game::names::kClass;
using game::names::kClassToStringReference;

FString MakeBlueprintPath(const UObject* object)
{
    UClass* objectClass = kClass.Read(object);
    if (objectClass == nullptr) {
        return FString();
    }
    FString reference;
    kClassToStringReference(&reference, objectClass);
    // The string reference ends in "_C", the generated class; the blueprint's own path does not.
    const int stem = reference.Len() > 2 ? reference.Len() - 2 : 0;
    std::u16string path = u"Blueprint'";
    path.append(*reference, static_cast<std::size_t>(stem));
    path.push_back(u'\'');
    return FString(path.data(), static_cast<int>(path.size()));
}
