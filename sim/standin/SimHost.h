#pragma once
// The stand-in host as the simulated server and the tests drive it: the registry of game names,
// the server state and world it reports, its command registries, its log sinks and allocator,
// and a record of every hook and command request a plugin made.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/HostApi.h"

namespace sim {

// ---- game names ---------------------------------------------------------------------------

// Registers a hookable game function under `name`. `entry` is the address the host hands out:
// calling it runs *head, which starts as `implementation` and is the newest detour once hooked.
ARK_API void RegisterFunctionEntry(const std::string& name, void* entry, void** head, void* implementation);
// Registers the field `name` at `offset` bytes inside the objects it belongs to.
ARK_API void RegisterField(const std::string& name, std::ptrdiff_t offset);
// Registers the bit field `name`: its word of `length` bytes at `wordOffset`, bit `position`, `bits` wide.
ARK_API void RegisterBitField(const std::string& name, std::ptrdiff_t wordOffset, std::uint32_t position, std::uint32_t bits,
                              std::uint32_t length = 4);

// The patched entry of one game function: a stub that jumps to the head of its hook chain.
template <auto Implementation>
struct GameEntry;

template <typename R, typename... A, R (*Implementation)(A...)>
struct GameEntry<Implementation> {
    static inline void* head = reinterpret_cast<void*>(Implementation);
    static R Call(A... args) { return reinterpret_cast<R (*)(A...)>(head)(args...); }
};

// Registers `Implementation` as the game function `name`, reachable and hookable by name.
template <auto Implementation>
void RegisterFunction(const std::string& name)
{
    RegisterFunctionEntry(name, reinterpret_cast<void*>(&GameEntry<Implementation>::Call),
                          &GameEntry<Implementation>::head, reinterpret_cast<void*>(Implementation));
}

// From now on the host answers `name` (a function, field or bit field) as a name it does not
// know, as after a game update renamed it; the game itself still has it. False for a name that
// was never registered.
ARK_API bool ForgetName(const std::string& name);
// The entry of the game function `name` as the game itself reaches it, forgotten or not; null
// when no function of that name is registered.
ARK_API void* EntryOf(const std::string& name);

// Calls the game function `name` the way the game does: through its entry, so detours run.
template <typename R, typename... A>
R CallGame(const std::string& name, A... args)
{
    return reinterpret_cast<R (*)(A...)>(EntryOf(name))(args...);
}

// ---- what a plugin asked the host --------------------------------------------------------

struct HostRequest {
    std::string Operation;  // the host method asked: "SetHook", "DisableHook", "AddConsoleCommand", ...
    std::string Name;       // function or command name
    void* Detour = nullptr; // for hook requests
};
// Every hook and command request since start (or the last ClearRequests), in order.
ARK_API const std::vector<HostRequest>& Requests();
ARK_API void ClearRequests();
// Calls `listener` with each request as the host receives it (null: no one).
ARK_API void SetRequestListener(std::function<void(const HostRequest&)> listener);
// Number of detours currently chained on the game function `name`.
ARK_API std::size_t HookCount(const std::string& name);

// ---- server ------------------------------------------------------------------------------

ARK_API void SetServerStatus(ArkApi::ServerStatus status);
ARK_API void SetWorld(UWorld* world);
ARK_API void SetCurrentDir(const std::string& directory);

// ---- commands ----------------------------------------------------------------------------

// Runs a console line: the first word picks the host's own command or a registered one (letter
// case ignored). Returns false when no command of that name is known.
ARK_API bool ExecuteConsoleCommand(APlayerController* player, FString* line, bool flag);
// Runs a chat line the same way; false when no chat command of that name is registered.
ARK_API bool ExecuteChatCommand(AShooterPlayerController* player, FString* message, EChatSendMode::Type mode);
// Runs an RCON request; false when no RCON command of that name is registered.
ARK_API bool ExecuteRconCommand(RCONClientConnection* connection, RCONPacket* packet, UWorld* world);
// Names currently registered in each registry, in registration order.
ARK_API std::vector<std::string> ConsoleCommandNames();
ARK_API std::vector<std::string> ChatCommandNames();
ARK_API std::vector<std::string> RconCommandNames();

// ---- plugins -----------------------------------------------------------------------------

// What a plugin's PluginInfo.json tells the host, with the host's defaults for what it leaves out.
struct PluginInfo {
    std::string FullName;
    std::string Description = "No description";
    float Version = 1.0f;
};
// Reads PluginInfo.json in `folder` for the plugin `name`, the default FullName. Without the file
// every value is the default; a file that is not JSON, or a value of the wrong type, fills
// `error` and returns false, and the host does not load that plugin.
ARK_API bool ReadPluginInfo(const std::string& folder, const std::string& name, PluginInfo& info, std::string& error);
// Logs "Loaded plugin <FullName> V<Version> (<Description>)", as the host does after each load.
ARK_API void LogPluginLoaded(const PluginInfo& info);
// The server's part of the host's commands plugins.load and plugins.unload: each loads or unloads
// the plugin of that name and returns "" or why it could not.
struct PluginManager {
    std::function<std::string(const std::string& name)> Load;
    std::function<std::string(const std::string& name)> Unload;
};
// Takes the server's part; until then, and after an empty one, the host's commands are unknown.
ARK_API void SetPluginManager(PluginManager manager);

// ---- logging -----------------------------------------------------------------------------

// Where the host's console sink writes each formatted line (default: standard output).
ARK_API void SetLogOutput(std::function<void(const std::string&)> output);
// Adds a file sink writing to DIR/ArkApi/Logs/ArkApi.log (created when missing).
ARK_API void OpenLogFile(const std::string& directory);
// After a plugin's library is unloaded: every sink of the host's list lets go of a formatter the
// plugin's logger gave it and formats with the host's own again, which a host built with spdlog
// 1.x does not do (see HostSink.h). Returns how many sinks held a plugin's formatter.
ARK_API std::size_t TakeBackLogFormats();

// ---- starting afresh ----

// Knows every game name again, takes every detour off every game function, forgets every command
// and recorded request and the server's part of plugins.load and plugins.unload, drops every log
// sink but the console's (which prints to standard output again) and reports the server as
// starting in ".". Game names, the world and the allocator's count stay.
ARK_API void ResetHost();

// ---- game allocator ----------------------------------------------------------------------

// Game allocations not yet freed.
ARK_API std::size_t LiveAllocations();
// Allocations and reallocations made since start, freed or not.
ARK_API std::uint64_t GameAllocationsMade();
// Frees or reallocations of pointers the allocator never handed out (ignored, but counted).
ARK_API std::size_t UnknownPointerFrees();
// Names resolved through GetAddress and GetBitField since start.
ARK_API std::uint64_t Lookups();

}  // namespace sim
