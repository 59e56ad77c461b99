#pragma once
// The memory layouts of the simulated game objects, as the plugin reaches into them through
// the host's field names. Every object starts with the same header, and every actor kind
// (dino, structure, buff, player controller) shares one actor layout, so a field registered
// once resolves inside any object of that kind. The structs are standard layout: their
// field offsets are plain offsetof values.

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "host/GameTypes.h"

namespace sim::world {

// What every object starts with: its virtual table, as in the game, so that no named field lies
// at offset 0 (the host's answer for a field it does not know), then "UObjectBase.Class",
// "UObjectBase.Name" and "UObjectBase.Outer" (a class's package; null for a package).
// Where every object's virtual table points; anything else there was written by someone who
// should not have (World::VirtualTablesIntact).
inline const char kVirtualTable = 0;

struct ObjectHeader {
    const void* VirtualTable = &kVirtualTable;
    UClass* Class = nullptr;
    FName Name;
    UObject* Outer = nullptr;
};

// Number of consumption fields kept on the status component and on the dino itself.
constexpr int kStatusRateCount = 8;
constexpr int kDinoRateCount = 6;

// Dinos, structures, buffs and player controllers.
struct ActorBody {
    ObjectHeader Object;
    std::int32_t TargetingTeam = 0;
    // Flags word of the dino; bIsDestroyingDino is one bit of it, the others belong to the game.
    std::uint32_t DinoFlags = 0;
    UPrimalCharacterStatusComponent* StatusComponent = nullptr;
    float DinoRates[kDinoRateCount] = {};
};

// The character status component of a dino.
struct StatusBody {
    ObjectHeader Object;
    std::int32_t BaseCharacterLevel = 0;
    std::int32_t CharacterLevel = 0;
    float Rates[kStatusRateCount] = {};
};

// A class object; IsA walks the Super chain.
struct ClassBody {
    ObjectHeader Object;
    const ClassBody* Super = nullptr;
};

static_assert(std::is_standard_layout_v<ActorBody> && std::is_standard_layout_v<StatusBody> &&
                  std::is_standard_layout_v<ClassBody>,
              "field offsets are taken with offsetof");

// Position of "bIsDestroyingDino" inside DinoFlags.
constexpr std::uint32_t kDestroyingBit = 3;
// The flags a dino starts with: game bits on both sides of the destroying bit, which is clear.
constexpr std::uint32_t kDinoFlagsAtSpawn = 0x00A000F7u;
static_assert((kDinoFlagsAtSpawn & (1u << kDestroyingBit)) == 0, "a new dino is not being destroyed");

}  // namespace sim::world
