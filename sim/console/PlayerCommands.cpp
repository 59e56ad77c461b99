// Commands about players and the command registries: players connecting, console and chat
// commands run by the server or a player, and the console's own RCON client.

#include <fmt/format.h>

#include "Console.h"
#include "ConsoleError.h"
#include "RconRequest.h"
#include "standin/SimHost.h"
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

// A reply on one console line: its line ends are written as \n and \r.
std::string OnOneLine(const std::string& text)
{
    std::string line;
    for (const char c : text) {
        line += c == '\n' ? "\\n" : c == '\r' ? "\\r" : std::string(1, c);
    }
    return line;
}

void RconCommand(Console& console, Arguments& arguments)
{
    const std::string line = RequireCommandLine(arguments, "rcon");
    RunRconRequest(console.NextRconRequestId(), line, [&console](std::int32_t id, std::int32_t type, const std::string& text) {
        console.Print(fmt::format("rcon reply {} type {}: {}", id, type, OnOneLine(text)));
    });
}

}  // namespace

void AddPlayerCommands(CommandTable& table)
{
    const char* group = kPlayerGroup;
    table["player"] = {&Player, false, group, "player NAME [team N]", "a player connects",
                       "Without a team the player gets a team of its own above 50000. Prints: player <name>"};
    table["console"] = {&ConsoleCommand, false, group, "console [as PLAYER] LINE...", "run LINE as a console command, by the server or by PLAYER",
                        "Example: console DinoTuner.Reload\n"
                        "The host's own commands: plugins.load NAME and plugins.unload NAME (ArkApi/Plugins/NAME/).\n"
                        "A reply shown to a player prints as: chat to <player>: <text> (<r>, <g>, <b>, <a>)\n"
                        "The four numbers are red, green, blue and opacity: (0, 1, 0, 1) is green, (1, 0, 0, 1) red."};
    table["chat"] = {&ChatCommand, false, group, "chat as PLAYER LINE...", "PLAYER sends LINE as a chat command",
                     "A command that no plugin registered prints: unknown command: <name>"};
    table["rcon"] = {&RconCommand, false, group, "rcon LINE...", "send LINE as one RCON request from the console's own RCON client",
                     "Prints one line per answer: rcon reply <request id> type <n>: <text>\n"
                     "A line end in an answer prints as \\n. The last answer is the game's own:\n"
                     "Server received, But no response!! \\n"};
}

}  // namespace console
