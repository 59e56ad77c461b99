// The host's chat, console and RCON command registries. A line runs the command named by its
// first word, letter case ignored, as the game's console matches commands.

#include <algorithm>
#include <string>
#include <vector>

#include "host/Ascii.h"
#include "standin/HostRequests.h"
#include "standin/HostReset.h"
#include "standin/PluginCommands.h"
#include "standin/SimHost.h"

namespace {

template <typename Callback>
struct Registered {
    std::string Name;
    Callback Run;
};

template <typename Callback>
using Registry = std::vector<Registered<Callback>>;

std::string FirstWord(const FString* line)
{
    if (line == nullptr) {
        return {};
    }
    const std::string text = line->ToString();
    const auto start = text.find_first_not_of(' ');
    if (start == std::string::npos) {
        return {};
    }
    return text.substr(start, text.find(' ', start) - start);
}

template <typename Callback>
bool Withdraw(Registry<Callback>& registry, const FString& command)
{
    const std::string name = ascii::Lower(command.ToString());
    auto found = std::find_if(registry.begin(), registry.end(), [&](const auto& entry) { return ascii::Lower(entry.Name) == name; });
    if (found == registry.end()) {
        return false;
    }
    registry.erase(found);
    return true;
}

template <typename Callback>
const Callback* Match(const Registry<Callback>& registry, const FString* line)
{
    const std::string name = ascii::Lower(FirstWord(line));
    for (const auto& entry : registry) {
        if (ascii::Lower(entry.Name) == name) {
            return &entry.Run;
        }
    }
    return nullptr;
}

template <typename Callback>
std::vector<std::string> Names(const Registry<Callback>& registry)
{
    std::vector<std::string> names;
    for (const auto& entry : registry) {
        names.push_back(entry.Name);
    }
    return names;
}

class CommandService final : public ArkApi::ICommands {
public:
    void AddChatCommand(const FString& command, const ArkApi::ChatCommandCallback& callback) override
    {
        sim::detail::Record("AddChatCommand", command.ToString());
        Chat.push_back({command.ToString(), callback});
    }
    void AddConsoleCommand(const FString& command, const ArkApi::ConsoleCommandCallback& callback) override
    {
        sim::detail::Record("AddConsoleCommand", command.ToString());
        Console.push_back({command.ToString(), callback});
    }
    void AddRconCommand(const FString& command, const ArkApi::RconCommandCallback& callback) override
    {
        sim::detail::Record("AddRconCommand", command.ToString());
        Rcon.push_back({command.ToString(), callback});
    }
    // The simulated server has no frames, timer or chat-message events: these keep nothing.
    void AddOnTickCallback(const FString&, const std::function<void(float)>&) override {}
    void AddOnTimerCallback(const FString&, const std::function<void()>&) override {}
    void AddOnChatMessageCallback(const FString&, const ArkApi::ChatMessageCallback&) override {}
    bool RemoveChatCommand(const FString& command) override
    {
        sim::detail::Record("RemoveChatCommand", command.ToString());
        return Withdraw(Chat, command);
    }
    bool RemoveConsoleCommand(const FString& command) override
    {
        sim::detail::Record("RemoveConsoleCommand", command.ToString());
        return Withdraw(Console, command);
    }
    bool RemoveRconCommand(const FString& command) override
    {
        sim::detail::Record("RemoveRconCommand", command.ToString());
        return Withdraw(Rcon, command);
    }
    bool RemoveOnTickCallback(const FString&) override { return false; }
    bool RemoveOnTimerCallback(const FString&) override { return false; }
    bool RemoveOnChatMessageCallback(const FString&) override { return false; }

    Registry<ArkApi::ChatCommandCallback> Chat;
    Registry<ArkApi::ConsoleCommandCallback> Console;
    Registry<ArkApi::RconCommandCallback> Rcon;
};

CommandService& Service()
{
    static CommandService service;
    return service;
}

}  // namespace

namespace ArkApi {

ICommands& GetCommands()
{
    return Service();
}

}  // namespace ArkApi

namespace sim {

void detail::ResetCommands()
{
    Service().Chat.clear();
    Service().Console.clear();
    Service().Rcon.clear();
}

// The host's own commands come first, as the host registers them before any plugin's. Each runs a
// copy of the callback: a command may withdraw itself while it runs.
bool ExecuteConsoleCommand(APlayerController* player, FString* line, bool flag)
{
    if (detail::RunHostConsoleCommand(player, line)) {
        return true;
    }
    const auto* run = Match(Service().Console, line);
    if (run == nullptr) {
        return false;
    }
    ArkApi::ConsoleCommandCallback callback = *run;
    callback(player, line, flag);
    return true;
}

bool ExecuteChatCommand(AShooterPlayerController* player, FString* message, EChatSendMode::Type mode)
{
    const auto* run = Match(Service().Chat, message);
    if (run == nullptr) {
        return false;
    }
    ArkApi::ChatCommandCallback callback = *run;
    callback(player, message, mode);
    return true;
}

bool ExecuteRconCommand(RCONClientConnection* connection, RCONPacket* packet, UWorld* world)
{
    if (detail::RunHostRconCommand(connection, packet)) {
        return true;
    }
    const auto* run = Match(Service().Rcon, packet == nullptr ? nullptr : &packet->Body);
    if (run == nullptr) {
        return false;
    }
    ArkApi::RconCommandCallback callback = *run;
    callback(connection, packet, world);
    return true;
}

std::vector<std::string> ConsoleCommandNames() { return Names(Service().Console); }
std::vector<std::string> ChatCommandNames() { return Names(Service().Chat); }
std::vector<std::string> RconCommandNames() { return Names(Service().Rcon); }

}  // namespace sim
