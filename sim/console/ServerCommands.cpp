// Commands about the server and the plugin: loading, server state, the config file, counters,
// and what the plugin has hooked and registered.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include <fmt/format.h>

#include "Console.h"
#include "ConsoleError.h"
#include "SimHost.h"
#include "host/HostApi.h"
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

void Load(Console& console, Arguments& arguments)
{
    arguments.End();
    console.Plugin().Load();
}

void Unload(Console& console, Arguments& arguments)
{
    arguments.End();
    console.Plugin().Unload();
}

void State(Console& console, Arguments& arguments)
{
    const std::string state = arguments.Word("state (up or starting)");
    arguments.End();
    if (state != "up" && state != "starting") {
        throw ConsoleError("state must be up or starting, not '" + state + "'");
    }
    sim::SetServerState(state == "up" ? static_cast<int>(ServerStatus::Ready) : static_cast<int>(ServerStatus::Loading));
    console.Print("state " + state);
}

void Config(Console& console, Arguments& arguments)
{
    const std::string source = arguments.Word("file to copy");
    arguments.End();
    std::ifstream file(fs::u8path(source), std::ios::binary);
    if (!file) {
        throw ConsoleError("cannot read " + source);
    }
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    WriteConfig(text);
    console.Print("config " + ConfigPath());
}

void ConfigText(Console& console, Arguments& arguments)
{
    WriteConfig(arguments.Rest());
    console.Print("config " + ConfigPath());
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
    table["load"] = {&Load};
    table["unload"] = {&Unload};
    table["state"] = {&State};
    table["config"] = {&Config};
    table["config-text"] = {&ConfigText};
    table["config-delete"] = {&ConfigDelete};
    table["memory"] = {&Memory};
    table["memory-mark"] = {&MemoryMark};
    table["memory-check"] = {&MemoryCheck};
    table["stats"] = {&Stats};
    table["quit"] = {&Quit};
    table["hooks"] = {&Hooks};
    table["commands"] = {&Commands};
}

}  // namespace console
