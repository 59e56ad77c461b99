#include "frame/MapName.h"

#include "host/FString.h"
#include "host/GameNames.h"
#include "host/HostApi.h"

std::optional<std::string> ReadMapName(std::string& whyNot)
{
    using game::names::kGetMapName;
    if (!game::RulesOn(game::kMapSections)) {
        whyNot = std::string("the host does not know \"") + kGetMapName.Text() + "\"";
        return std::nullopt;
    }
    UWorld* world = ArkApi::GetApiUtils().GetWorld();
    if (world == nullptr) {
        whyNot = "the game has no world yet";
        return std::nullopt;
    }
    FString name;
    kGetMapName(world, &name);
    if (name.IsEmpty()) {
        whyNot = "the game gave an empty name";
        return std::nullopt;
    }
    return name.ToString();
}
