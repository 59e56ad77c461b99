#pragma once
// The game's types as the plugin sees them. The plugin never looks inside a game object: it
// reaches fields and functions by name through the host (GameAccess.h). The empty class tree
// only lets a dino pointer pass where an actor or object is expected, as in the game.

#include <cstdint>

struct UObjectBase {};
struct UObjectBaseUtility : UObjectBase {};
struct UObject : UObjectBaseUtility {};
struct UField : UObject {};
struct UStruct : UField {};
struct UClass : UStruct {};
struct UWorld : UObject {};
struct UActorComponent : UObject {};
struct UPrimalCharacterStatusComponent : UActorComponent {};
struct AActor : UObject {};
struct APawn : AActor {};
struct ACharacter : APawn {};
struct APrimalCharacter : ACharacter {};
struct APrimalDinoCharacter : APrimalCharacter {};
struct APrimalBuff : AActor {};
struct AController : AActor {};
struct APlayerController : AController {};
struct AShooterPlayerController : APlayerController {};
struct AShooterGameMode : AActor {};
struct UVictoryCore : UObject {};
struct UGameplayStatics : UObject {};
struct RCONClientConnection : UObject {};
struct FDamageEvent {};

// The game's 8-byte name value.
struct FName {
    std::int32_t ComparisonIndex = 0;
    std::int32_t Number = 0;
};
static_assert(sizeof(FName) == 8, "FName is the game's 8-byte name value");

struct FVector {
    float X = 0.0f, Y = 0.0f, Z = 0.0f;
};

struct FRotator {
    float Pitch = 0.0f, Yaw = 0.0f, Roll = 0.0f;
};

// Linear colour as the chat functions take it: red, green, blue, alpha in 0..1.
struct FLinearColor {
    float R = 0.0f, G = 0.0f, B = 0.0f, A = 0.0f;
};

// The game's growable array: data, count, capacity; the buffer comes from the game allocator.
template <typename T>
struct TArray {
    T* Data = nullptr;
    std::int32_t ArrayNum = 0;
    std::int32_t ArrayMax = 0;
};

namespace EChatSendMode {
enum Type : std::int32_t { GlobalChat = 0, GlobalTribeChat = 1, LocalChat = 2, AllianceChat = 3, MAX = 4 };
}
