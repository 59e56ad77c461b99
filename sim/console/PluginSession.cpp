#include "PluginSession.h"

#include <algorithm>
#include <filesystem>
#include <iterator>

#include "ConsoleError.h"
#include "standin/SimHost.h"

namespace console {

const char* const kHookedFunctions[6] = {
    "APrimalDinoCharacter.TakeDamage", "APrimalBuff.AddBuff",         "APrimalDinoCharacter.TameDino",
    "APrimalDinoCharacter.DoMate",     "APrimalDinoCharacter.TryMultiUse", "APrimalDinoCharacter.BeginPlay",
};

namespace {

#if defined(_WIN32)
constexpr const char* kLibraryExtension = ".dll";
#else
constexpr const char* kLibraryExtension = ".so";
#endif

}  // namespace

void PluginSession::Load()
{
    std::string path = libraryPath_;
    if (preferInstalled_) {
        const std::string installed = InstalledLibrary(std::filesystem::u8path(libraryPath_).stem().u8string());
        std::error_code ignored;
        if (std::filesystem::is_regular_file(std::filesystem::u8path(installed), ignored)) {
            path = installed;
        }
    }
    LoadFrom(path);
}

void PluginSession::LoadFrom(const std::string& path)
{
    if (loader_.IsLoaded()) {
        throw ConsoleError("the plugin is already loaded");
    }
    const std::filesystem::path file = std::filesystem::u8path(path);
    sim::PluginInfo info;
    std::string error;
    if (!sim::ReadPluginInfo(file.parent_path().u8string(), file.stem().u8string(), info, error)) {
        throw ConsoleError(error);
    }
    before_ = Snapshot();
    if (!loader_.Load(path, error)) {
        throw ConsoleError(error);
    }
    sim::LogPluginLoaded(info);
}

std::string PluginSession::LoadedName() const
{
    return loader_.IsLoaded() ? std::filesystem::u8path(loader_.Path()).stem().u8string() : std::string();
}

std::string PluginSession::InstalledLibrary(const std::string& name)
{
    return ArkApi::Tools::GetCurrentDir() + "/ArkApi/Plugins/" + name + "/" + name + kLibraryExtension;
}

std::string PluginSession::Unload()
{
    if (!loader_.IsLoaded()) {
        throw ConsoleError("no plugin is loaded");
    }
    std::vector<std::string> leftovers;
    const std::string note = loader_.Unload([&] {
        leftovers = Leftovers(Snapshot());
        return leftovers.empty();
    });
    const std::size_t formatters = sim::TakeBackLogFormats();
    if (!leftovers.empty()) {
        std::string message = "after detach the plugin still holds";
        for (std::size_t i = 0; i < leftovers.size(); ++i) {
            message += (i == 0 ? " " : ", ") + leftovers[i];
        }
        throw ConsoleError(message + (sim::LibraryLoader::CanKeepMapped() ? "; the library stays in memory"
                                                                           : "; the library is unmapped all the same: calling any of it would crash the server"));
    }
    if (!note.empty()) {
        throw ConsoleError(note);
    }
    if (formatters == 0) {
        return "";
    }
    return "note: " + std::to_string(formatters) + " of the host's log sinks still held the plugin's log formatter; the stand-in host "
           "took it back (a host built with spdlog 1.x keeps it: see the README)";
}

PluginSession::HostHoldings PluginSession::Snapshot()
{
    HostHoldings holdings;
    for (const char* function : kHookedFunctions) {
        holdings.HookCounts.push_back(sim::HookCount(function));
    }
    for (const auto& [kind, names] : {std::pair{"console", sim::ConsoleCommandNames()}, std::pair{"chat", sim::ChatCommandNames()},
                                      std::pair{"rcon", sim::RconCommandNames()}}) {
        for (const std::string& name : names) {
            holdings.Commands.push_back(std::string(kind) + " command " + name);
        }
    }
    std::sort(holdings.Commands.begin(), holdings.Commands.end());
    return holdings;
}

std::vector<std::string> PluginSession::Leftovers(const HostHoldings& after) const
{
    std::vector<std::string> leftovers;
    for (std::size_t i = 0; i < after.HookCounts.size(); ++i) {
        const std::size_t had = i < before_.HookCounts.size() ? before_.HookCounts[i] : 0;
        if (after.HookCounts[i] > had) {
            leftovers.push_back("a hook on " + std::string(kHookedFunctions[i]));
        }
    }
    std::set_difference(after.Commands.begin(), after.Commands.end(), before_.Commands.begin(), before_.Commands.end(),
                        std::back_inserter(leftovers));
    return leftovers;
}

}  // namespace console
