#include "PluginSession.h"

#include <algorithm>
#include <iterator>

#include "ConsoleError.h"
#include "standin/SimHost.h"

namespace console {

const char* const kHookedFunctions[6] = {
    "APrimalDinoCharacter.TakeDamage", "APrimalBuff.AddBuff",         "APrimalDinoCharacter.TameDino",
    "APrimalDinoCharacter.DoMate",     "APrimalDinoCharacter.TryMultiUse", "APrimalDinoCharacter.BeginPlay",
};

void PluginSession::Load()
{
    if (loader_.IsLoaded()) {
        throw ConsoleError("the plugin is already loaded");
    }
    before_ = Snapshot();
    std::string error;
    if (!loader_.Load(libraryPath_, error)) {
        throw ConsoleError(error);
    }
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
