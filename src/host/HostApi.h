#pragma once
// The plugin host's exported functions as the plugin sees them. The plugin imports them from
// the host's module (version.dll on the server); it reaches the game only through these.
//
// Declared exactly as the host's published SDK declares them, because on the server the names
// the compiler decorates, the layouts of what is passed by value and the order of the services'
// virtual slots must be the host's own: the address and bit-field lookups and GetLogSinks in the
// global namespace, the three services in ArkApi (GetCurrentDir in ArkApi::Tools), the same
// parameter and return types and the same class-keys (`class` and `struct` decorate differently).
// The host's 64-bit integers are written `unsigned long long` and its DWORD `unsigned int`: both
// have the host's sizes on every target, where <cstdint>'s names need not. The contract check
// (tests/contract) compiles this header for the host's target and compares it with the host.
// 64-bit Windows has a single calling convention, so none is spelled out.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/FString.h"
#include "host/GameTypes.h"

// Only named here: callers that use the sinks include the spdlog the host was built with.
namespace spdlog {
namespace sinks {
class sink;
}  // namespace sinks
}  // namespace spdlog

// Imported by the plugin, exported by the host (ARKAPI_HOST_BUILD).
#if defined(_WIN32)
#  if defined(ARKAPI_HOST_BUILD)
#    define ARK_API __declspec(dllexport)
#  else
#    define ARK_API __declspec(dllimport)
#  endif
#elif defined(__GNUC__)
#  define ARK_API __attribute__((visibility("default")))
#else
#  define ARK_API
#endif

// The game's RCON request record: size, id, type, body.
struct RCONPacket {
    int Length = 0;
    int Id = 0;
    int Type = 0;
    FString Body;
};

// A bit field of a game object, returned by value: `offset` is the address of the word that
// holds it (the object's address plus the field's offset), then the bit position, the width in
// bits and the word's length in bytes.
struct BitField {
    unsigned long long offset;
    unsigned int bit_position;
    unsigned long long num_bits;
    unsigned long long length;
};

namespace ArkApi {

// The callbacks' types, for callers; the slots below spell them out, as the host does.
using ChatCommandCallback = std::function<void(AShooterPlayerController*, FString*, EChatSendMode::Type)>;
using ConsoleCommandCallback = std::function<void(APlayerController*, FString*, bool)>;
using RconCommandCallback = std::function<void(RCONClientConnection*, RCONPacket*, UWorld*)>;
using ChatMessageCallback = std::function<bool(AShooterPlayerController*, FString*, EChatSendMode::Type, bool, bool)>;

// Server status as GetStatus reports it.
enum class ServerStatus { Loading, Ready };

// Detours game functions by name.
class IHooks {
public:
    virtual ~IHooks() = default;

    // Routes the named function to `detour` and writes the next entry of the chain to *original.
    template <typename T>
    bool SetHook(const std::string& func_name, void* detour, T** original)
    {
        return SetHookInternal(func_name, detour, reinterpret_cast<void**>(original));
    }

    // Takes `detour` off the named function; false when it was not installed there.
    virtual bool DisableHook(const std::string& func_name, void* detour) = 0;

private:
    virtual bool SetHookInternal(const std::string& func_name, void* detour, void** original) = 0;
};

// Chat, console and RCON command registries, and the tick, timer and chat-message callbacks.
class ICommands {
public:
    virtual ~ICommands() = default;
    // Registers a chat command; the registry keeps a copy of the callback.
    virtual void AddChatCommand(const FString& command,
                                const std::function<void(AShooterPlayerController*, FString*, EChatSendMode::Type)>& callback) = 0;
    // Registers a console command; the registry keeps a copy of the callback.
    virtual void AddConsoleCommand(const FString& command, const std::function<void(APlayerController*, FString*, bool)>& callback) = 0;
    // Registers an RCON command; the registry keeps a copy of the callback.
    virtual void AddRconCommand(const FString& command,
                                const std::function<void(RCONClientConnection*, RCONPacket*, UWorld*)>& callback) = 0;
    // Calls `callback` every server frame (not used by this plugin).
    virtual void AddOnTickCallback(const FString& id, const std::function<void(float)>& callback) = 0;
    // Calls `callback` every second (not used by this plugin).
    virtual void AddOnTimerCallback(const FString& id, const std::function<void()>& callback) = 0;
    // Calls `callback` for every chat message sent (not used by this plugin).
    virtual void AddOnChatMessageCallback(
        const FString& id, const std::function<bool(AShooterPlayerController*, FString*, EChatSendMode::Type, bool, bool)>& callback) = 0;
    // Withdraws a chat command; false when none was registered under that name.
    virtual bool RemoveChatCommand(const FString& command) = 0;
    // Withdraws a console command; false when none was registered under that name.
    virtual bool RemoveConsoleCommand(const FString& command) = 0;
    // Withdraws an RCON command; false when none was registered under that name.
    virtual bool RemoveRconCommand(const FString& command) = 0;
    // Removes a tick callback (not used by this plugin).
    virtual bool RemoveOnTickCallback(const FString& id) = 0;
    // Removes a timer callback (not used by this plugin).
    virtual bool RemoveOnTimerCallback(const FString& id) = 0;
    // Removes a chat-message callback (not used by this plugin).
    virtual bool RemoveOnChatMessageCallback(const FString& id) = 0;
};

// Server-wide queries. Only the first slots, as far as anything here calls them: the host's
// class has more after these, which a caller never reaches.
class IApiUtils {
public:
    virtual ~IApiUtils() = default;
    // The game world, or null before it exists.
    virtual UWorld* GetWorld() const = 0;
    // The game mode, or null before it exists.
    virtual AShooterGameMode* GetShooterGameMode() const = 0;
    // Ready once the server is fully up.
    virtual ServerStatus GetStatus() const = 0;
};

// The host's hook service.
ARK_API IHooks& GetHooks();
// The host's command service.
ARK_API ICommands& GetCommands();
// The host's utility service.
ARK_API IApiUtils& GetApiUtils();

namespace Tools {
// The server's working directory, narrow (UTF-8; text::FilePath opens it), without a trailing separator.
ARK_API std::string GetCurrentDir();
}  // namespace Tools

}  // namespace ArkApi

// Entry of the game function "Class.Function"; null for an unknown name.
ARK_API void* GetAddress(const std::string& name);
// The address of the field "Class.Field" inside `base`, as an integer; 0 for a null object or
// an unknown name.
ARK_API unsigned long long GetAddress(const void* base, const std::string& name);
// The bit field "Class.Field" of `base`; offset 0 for a null object or an unknown name.
ARK_API BitField GetBitField(const void* base, const std::string& name);
// As above, for a mutable object.
ARK_API BitField GetBitField(void* base, const std::string& name);
// The host's log sinks; a plugin logger writes through copies of these pointers.
ARK_API std::vector<std::shared_ptr<spdlog::sinks::sink>>& GetLogSinks();
