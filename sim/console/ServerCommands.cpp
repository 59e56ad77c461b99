// Commands about the server and the plugin: loading, server state, the config file, counters,
// and what the plugin has hooked and registered.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include <fmt/format.h>

#include "Console.h"
#include "ConsoleError.h"
#include "host/HostApi.h"
#include "standin/SimHost.h"
#include "world/World.h"

namespace console {

namespace {

namespace fs = std::filesystem;

// Where the plugin reads its configuration: below the directory the host reports.
std::string ConfigPath()
{
    return ArkApi::Tools::GetCurrentDir() + "/ArkApi/Plugins/DinoTuner/config.json";
}

void WriteConfig(const std::string& text)
{
    const fs::path path = fs::u8path(ConfigPath());
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
        throw ConsoleError("cannot write " + ConfigPath());
    }
}

// A loaded plugin does not notice a new file by itself: say how it takes the file up.
void PrintConfigWritten(Console& console)
{
    console.Print("config " + ConfigPath());
    if (console.Plugin().IsLoaded()) {
        console.Print("the plugin is loaded: 'console DinoTuner.Reload' takes the new file up");
    }
}

void Load(Console& console, Arguments& arguments)
{
    arguments.End();
    if (console.Plugin().IsLoaded()) {
        // The usual way here: the server loaded the plugin at start, then a config was copied in.
        throw ConsoleError("the plugin is already loaded (it loads at start unless --no-load is given); "
                           "'console DinoTuner.Reload' reads the config file again");
    }
    console.Plugin().Load();
}

void Unload(Console& console, Arguments& arguments)
{
    arguments.End();
    const std::string note = console.Plugin().Unload();
    if (!note.empty()) {
        console.Print(note);
    }
}

void State(Console& console, Arguments& arguments)
{
    const std::string state = arguments.Word("state (up or starting)");
    arguments.End();
    if (state != "up" && state != "starting") {
        throw ConsoleError("state must be up or starting, not '" + state + "'");
    }
    sim::SetServerStatus(state == "up" ? ArkApi::ServerStatus::Ready : ArkApi::ServerStatus::Loading);
    console.Print("state " + state);
}

void Map(Console& console, Arguments& arguments)
{
    const std::optional<std::string> name = arguments.OptionalWord();
    arguments.End();
    if (name) {
        sim::World::Get().SetMapName(*name);
    }
    console.Print("map " + sim::World::Get().MapName());
}

void WorldReported(Console& console, Arguments& arguments)
{
    const std::string state = arguments.Word("on or off");
    arguments.End();
    if (state != "on" && state != "off") {
        throw ConsoleError("world must be on or off, not '" + state + "'");
    }
    sim::World::Get().SetReported(state == "on");
    console.Print("world " + state);
}

void Config(Console& console, Arguments& arguments)
{
    const std::string source = arguments.Word("file to copy");
    arguments.End();
    std::ifstream file(fs::u8path(source), std::ios::binary);
    if (!file) {
        std::error_code ignored;
        throw ConsoleError("cannot read " + source + " (relative paths start at " + fs::current_path(ignored).string() + ")");
    }
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    WriteConfig(text);
    PrintConfigWritten(console);
}

void ConfigText(Console& console, Arguments& arguments)
{
    WriteConfig(arguments.Rest());
    PrintConfigWritten(console);
}

void ConfigDelete(Console& console, Arguments& arguments)
{
    arguments.End();
    std::error_code error;
    fs::remove(fs::u8path(ConfigPath()), error);
    if (error) {
        throw ConsoleError("cannot delete " + ConfigPath() + ": " + error.message());
    }
    console.Print("config " + ConfigPath());
}

// What the plugin wrote into its folder (species.txt), line by line, for `expect`.
void PluginFile(Console& console, Arguments& arguments)
{
    const std::string name = arguments.Word("file name");
    arguments.End();
    const fs::path path = fs::u8path(ConfigPath()).parent_path() / fs::u8path(name);
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw ConsoleError("cannot read " + path.u8string());
    }
    std::string line;
    while (std::getline(file, line)) {
        console.Print(name + ": " + line);
    }
}

void Memory(Console& console, Arguments& arguments)
{
    arguments.End();
    console.Print(fmt::format("memory: {} live", sim::LiveAllocations()));
}

// Extensions for leak checks around a stretch of a script: what the plugin holds while loaded
// is not counted, only what a stretch of commands takes and never gives back.
void MemoryMark(Console& console, Arguments& arguments)
{
    arguments.End();
    console.SetMemoryMark(sim::LiveAllocations());
    console.Print(fmt::format("memory-mark: {} live", sim::LiveAllocations()));
}

void MemoryCheck(Console& console, Arguments& arguments)
{
    arguments.End();
    const std::optional<std::size_t> mark = console.MemoryMark();
    if (!mark) {
        throw ConsoleError("memory-check needs a memory-mark first");
    }
    const std::size_t live = sim::LiveAllocations();
    // Growth is what a leak looks like; fewer live than at the mark (an unload that gave memory
    // back) is said separately so that "0 more" still reads as "nothing leaked".
    if (live >= *mark) {
        console.Print(fmt::format("memory-check: {} more live than at the mark", live - *mark));
    } else {
        console.Print(fmt::format("memory-check: 0 more live than at the mark, {} fewer", *mark - live));
    }
}

void Stats(Console& console, Arguments& arguments)
{
    arguments.End();
    const sim::World& world = sim::World::Get();
    console.Print(fmt::format("stats: {} spawned, {} destroyed, {} lookups", world.Spawned(), world.Destroyed(), sim::Lookups()));
}

void Forget(Console& console, Arguments& arguments)
{
    const std::string name = arguments.Word("game name (Class.Member)");
    arguments.End();
    if (!sim::ForgetName(name)) {
        throw ConsoleError("the game has no function, field or bit field named '" + name + "'");
    }
    console.Print("forget " + name);
}

void Quit(Console& console, Arguments& arguments)
{
    arguments.End();
    console.RequestQuit();
}

void Hooks(Console& console, Arguments& arguments)
{
    arguments.End();
    for (const char* function : kHookedFunctions) {
        console.Print(fmt::format("hooks {} {}", function, sim::HookCount(function)));
    }
}

void Commands(Console& console, Arguments& arguments)
{
    arguments.End();
    for (const auto& [kind, names] : {std::pair{"console", sim::ConsoleCommandNames()}, std::pair{"rcon", sim::RconCommandNames()},
                                      std::pair{"chat", sim::ChatCommandNames()}}) {
        std::string line = std::string("commands ") + kind;
        for (const std::string& name : names) {
            line += " " + name;
        }
        console.Print(line);
    }
}

}  // namespace

void AddServerCommands(CommandTable& table)
{
    const char* group = kServerGroup;
    table["load"] = {&Load, false, group, "load", "load the plugin library and deliver process attach",
                     "Prints the log lines of the load, then the host's: Loaded plugin <FullName> V<Version> (<Description>),\n"
                     "from the PluginInfo.json beside the library. The plugin loads at start unless --no-load was given."};
    table["unload"] = {&Unload, false, group, "unload", "deliver process detach, then unload the plugin library",
                       "Prints the log lines of the detach; an error names any hook or command the plugin left behind."};
    table["state"] = {&State, false, group, "state up|starting", "change the server state the host reports",
                      "Prints: state up / state starting"};
    table["map"] = {&Map, false, group, "map [NAME]", "show or set the map the game reports as its own",
                    "The plugin reads it at its next load or reload (it picks the section of \"Maps\").\n"
                    "Prints: map <name>"};
    table["world"] = {&WorldReported, false, group, "world on|off", "whether the host reports the game's world",
                      "off: the host has no world yet, as while the server starts and loads its plugins; the\n"
                      "dinos stay and play on. Prints: world on / world off"};
    table["config"] = {&Config, false, group, "config FILE", "copy FILE over the plugin's config file",
                       "FILE is relative to the directory the server was started in.\n"
                       "Prints: config <path of the plugin's config file>\n"
                       "A loaded plugin reads the new file on 'console DinoTuner.Reload'."};
    table["config-text"] = {&ConfigText, false, group, "config-text TEXT...", "write the rest of the line, as it stands, as the whole config file",
                            "Prints: config <path of the plugin's config file>"};
    table["config-delete"] = {&ConfigDelete, false, group, "config-delete", "delete the plugin's config file",
                              "Prints: config <path of the plugin's config file>"};
    table["plugin-file"] = {&PluginFile, false, group, "plugin-file NAME", "print a file of the plugin's folder (beside config.json)",
                            "Prints each line of the file as: NAME: <line>"};
    table["memory"] = {&Memory, false, group, "memory", "count the game allocations not yet freed", "Prints: memory: <n> live"};
    table["memory-mark"] = {&MemoryMark, false, group, "memory-mark", "remember the live game allocations for memory-check",
                            "Prints: memory-mark: <n> live"};
    table["memory-check"] = {&MemoryCheck, false, group, "memory-check", "compare the live game allocations with the last memory-mark",
                             "Prints: memory-check: <n> more live than at the mark"};
    table["stats"] = {&Stats, false, group, "stats", "counts kept since start",
                      "Prints: stats: <n> spawned, <n> destroyed, <n> lookups\n"
                      "(spawned and destroyed: dinos and structures; lookups: game names the host resolved)"};
    table["hooks"] = {&Hooks, false, group, "hooks", "how many detours each hooked game function has",
                      "Prints one line per function: hooks <function> <n>"};
    table["commands"] = {&Commands, false, group, "commands", "the console, RCON and chat commands plugins registered",
                         "Prints: commands console <names...> / commands rcon <names...> / commands chat <names...>"};
    table["forget"] = {&Forget, false, group, "forget NAME", "from now on the host does not know the game name NAME, as after a game update",
                       "NAME is a game function, field or bit field (\"APrimalDinoCharacter.DoMate\").\n"
                       "The host then answers it as the real host answers a name it does not know: a function with the\n"
                       "game module's base address, a field with the object's own address. The game itself keeps it.\n"
                       "A plugin asks for its names when it loads: forget them before 'load'.\n"
                       "Prints: forget <name>"};
    table["quit"] = {&Quit, false, group, "quit", "shut the server down (the plugin is detached and unloaded)", ""};
}

}  // namespace console
