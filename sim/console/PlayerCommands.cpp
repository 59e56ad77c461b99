// Commands about players and the command registries: players connecting, console and chat
// commands run by the server or a player, and the console's own RCON client.

#include <fmt/format.h>

#include "Console.h"
#include "ConsoleError.h"
#include "RconRequest.h"
#include "SimHost.h"
#include "world/World.h"

namespace console {

namespace {

AShooterPlayerController* RequirePlayer(const std::string& name)
{
    AShooterPlayerController* player = sim::World::Get().FindPlayer(name);
    if (player == nullptr) {
        throw ConsoleError("unknown player '" + name + "'");
    }
    return player;
}

std::string RequireCommandLine(Arguments& arguments, const char* command)
{
    std::string line = arguments.Rest();
    if (CommandName(line).empty()) {
        throw ConsoleError(std::string(command) + " needs a command line");
    }
    return line;
}

void Player(Console& console, Arguments& arguments)
{
    const std::string name = arguments.Word("player name");
    const auto options = arguments.KeywordOptions({"team"});
    std::optional<int> team;
    if (const auto found = options.find("team"); found != options.end()) {
        team = ToInt(found->second, "team");
    }
    if (name.empty() || sim::World::Get().FindPlayer(name) != nullptr) {
        throw ConsoleError(name.empty() ? "a player name must not be empty" : "player '" + name + "' is already connected");
    }
    sim::World::Get().AddPlayer(name, team);
    console.Print("player " + name);
}

// "console LINE" runs as the server itself (no player controller); "console as PLAYER LINE"
// runs as that player.
void ConsoleCommand(Console& console, Arguments& arguments)
{
    APlayerController* player = nullptr;
    if (arguments.Keyword("as")) {
        player = RequirePlayer(arguments.Word("player name"));
    }
    FString line(RequireCommandLine(arguments, "console"));
    if (!sim::ExecuteConsoleCommand(player, &line, false)) {
        console.Print("unknown command: " + CommandName(line.ToString()));
    }
}

void ChatCommand(Console& console, Arguments& arguments)
{
    if (!arguments.Keyword("as")) {
        throw ConsoleError("chat needs 'as PLAYER' before the line");
    }
    AShooterPlayerController* player = RequirePlayer(arguments.Word("player name"));
    FString message(RequireCommandLine(arguments, "chat"));
    if (!sim::ExecuteChatCommand(player, &message, EChatSendMode::GlobalChat)) {
        console.Print("unknown command: " + CommandName(message.ToString()));
    }
}

void RconCommand(Console& console, Arguments& arguments)
{
    const std::string line = RequireCommandLine(arguments, "rcon");
    RunRconRequest(console.NextRconRequestId(), line, [&console](std::int32_t id, std::int32_t type, const std::string& text) {
        console.Print(fmt::format("rcon reply {} type {}: {}", id, type, text));
    });
}

}  // namespace

void AddPlayerCommands(CommandTable& table)
{
    table["player"] = {&Player};
    table["console"] = {&ConsoleCommand};
    table["chat"] = {&ChatCommand};
    table["rcon"] = {&RconCommand};
}

}  // namespace console
