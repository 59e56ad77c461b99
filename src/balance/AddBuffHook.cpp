#include "balance/BlueprintPath.h"
#include "balance/Handlers.h"
#include "host/GameAccess.h"

namespace {

// The game's net effect is a buff whose object name holds this marker, in any letter case.
constexpr const char* kNetBuffMarker = "Buff_Netted_Material";

bool IsNetBuff(APrimalBuff* buff)
{
    FName name = game::Read<FName>(buff, "UObjectBase.Name");
    FString text;
    game::Call<FString*>("FName.ToString", &name, &text);
    return text.FindIgnoreCase(kNetBuffMarker) >= 0;
}

}  // namespace

APrimalBuff* Hook_AddBuff(APrimalBuff* buff, ACharacter* character, AActor* other)
{
    // Buffs are added all the time; only the net buff costs a table lookup.
    if (buff == nullptr || !IsNetBuff(buff)) {
        return slots::AddBuff(buff, character, other);
    }
    const std::shared_ptr<BalancedDino> entry = FindDinoBalance(character);
    if (entry && entry->DisableNet) {
        return nullptr;
    }
    return slots::AddBuff(buff, character, other);
}
