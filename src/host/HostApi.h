#pragma once
// The plugin host's exported functions as the plugin sees them. The plugin imports them from
// the host's module (version.dll on the server); it reaches the game only through these.
//
// Declared as the host's API contract gives them, so that a build against the host's own import
// library links with nothing renamed: the free functions in namespace ArkApi (GetCurrentDir in
// ArkApi::Tools) with C++ linkage; the three services are pure interfaces, reached only through
// their virtual slots in the order below (the destructor first), so nothing of them is imported.
// 64-bit Windows has a single calling convention, so none is spelled out.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <spdlog/common.h>

#include "host/FString.h"
#include "host/GameTypes.h"

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
    std::int32_t Length = 0;
    std::int32_t Id = 0;
    std::int32_t Type = 0;
    FString Body;
};

// A bit field inside a game object: the 32-bit word that holds it, the bit position and width.
struct BitField {
    std::uint32_t* Word = nullptr;
    std::uint32_t BitPosition = 0;
    std::uint32_t NumBits = 0;
};

namespace ArkApi {

using ChatCommandCallback = std::function<void(AShooterPlayerController*, FString*, EChatSendMode::Type)>;
using ConsoleCommandCallback = std::function<void(APlayerController*, FString*, bool)>;
using RconCommandCallback = std::function<void(RCONClientConnection*, RCONPacket*, UWorld*)>;

// Detours game functions by name.
class IHooks {
public:
    virtual ~IHooks() = default;
    // Takes `detour` off the named function; false when it was not installed there.
    virtual bool RemoveHook(const std::string& functionName, void* detour) = 0;
    // Routes the named function to `detour` and writes the next entry of the chain to *original.
    virtual bool InstallHook(const std::string& functionName, void* detour, void** original) = 0;
};

// Chat, console and RCON command registries.
class ICommands {
public:
    virtual ~ICommands() = default;
    // Calls `callback` every server tick (not used by this plugin).
    virtual void AddOnTickCallback(const FString& id, const std::function<void(float)>& callback) = 0;
    // Registers a chat command; the registry keeps a copy of the callback.
    virtual void RegisterChatCommand(const FString& command, const ChatCommandCallback& callback) = 0;
    // Registers a console command; the registry keeps a copy of the callback.
    virtual void RegisterConsoleCommand(const FString& command, const ConsoleCommandCallback& callback) = 0;
    // Registers an RCON command; the registry keeps a copy of the callback.
    virtual void RegisterRconCommand(const FString& command, const RconCommandCallback& callback) = 0;
    // Calls `callback` every `seconds` (not used by this plugin).
    virtual void AddOnTimerCallback(const FString& id, const std::function<void()>& callback) = 0;
    // Removes a tick callback (not used by this plugin).
    virtual bool RemoveOnTickCallback(const FString& id) = 0;
    // Removes a timer callback (not used by this plugin).
    virtual bool RemoveOnTimerCallback(const FString& id) = 0;
    // Withdraws a chat command; false when none was registered under that name.
    virtual bool UnregisterChatCommand(const FString& command) = 0;
    // Withdraws a console command; false when none was registered under that name.
    virtual bool UnregisterConsoleCommand(const FString& command) = 0;
    // Withdraws an RCON command; false when none was registered under that name.
    virtual bool UnregisterRconCommand(const FString& command) = 0;
};

// Server-wide queries.
class IApiUtils {
public:
    virtual ~IApiUtils() = default;
    // The game world, or null before it exists.
    virtual UWorld* QueryWorld() const = 0;
    // The game mode, or null before it exists.
    virtual AShooterGameMode* QueryShooterGameMode() const = 0;
    // The server status: 1 (ServerStatus::Ready) once the server is fully up.
    virtual int QueryServerState() const = 0;
};

// The host's hook service.
ARK_API IHooks& GetHooks();
// The host's command service.
ARK_API ICommands& GetCommands();
// The host's utility service.
ARK_API IApiUtils& GetApiUtils();
// Entry of the game function "Class.Function"; null for an unknown name.
ARK_API void* GetAddress(const std::string& name);
// Address of the field "Class.Field" inside `object`; null for a null object or an unknown name.
ARK_API void* GetAddress(const void* object, const std::string& name);
// The bit field "Class.Field" of `object`; Word is null for a null object or an unknown name.
ARK_API BitField GetBitField(const void* object, const std::string& name);
// The host's log sinks; a plugin logger writes through copies of these pointers.
ARK_API std::vector<spdlog::sink_ptr>& GetLogSinks();

namespace Tools {
// The server's working directory, narrow (UTF-8; text::FilePath opens it), without a trailing separator.
ARK_API std::string GetCurrentDir();
}  // namespace Tools

}  // namespace ArkApi
