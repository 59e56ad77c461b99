#pragma once
// The plugin as the server holds it: loaded from one library path, attached and detached, and
// checked at unload for anything it left with the host.

#include <string>
#include <vector>

#include "os/LibraryLoader.h"

namespace console {

// The six game functions the plugin detours.
extern const char* const kHookedFunctions[6];

class PluginSession {
public:
    explicit PluginSession(std::string libraryPath) : libraryPath_(std::move(libraryPath)) {}

    // Loads the library and delivers process attach; throws ConsoleError when a plugin is
    // already loaded or the library cannot be loaded.
    void Load();
    // Delivers process detach and unloads the library; throws ConsoleError when none is loaded,
    // or (after detaching) when the plugin left hooks or commands with the host, in which case
    // the library stays mapped so that they never call into unmapped code (where the system
    // allows it: not on Windows). Returns a note when the host's log sinks still held the
    // plugin's log formatter, which the stand-in host then takes back; otherwise "".
    std::string Unload();
    bool IsLoaded() const { return loader_.IsLoaded(); }
    const std::string& LibraryPath() const { return libraryPath_; }

private:
    // What the host holds that a plugin can add: detours per hooked function, command names.
    struct HostHoldings {
        std::vector<std::size_t> HookCounts;
        std::vector<std::string> Commands;
    };
    static HostHoldings Snapshot();
    // Lines describing what `after` holds beyond `before_`.
    std::vector<std::string> Leftovers(const HostHoldings& after) const;

    std::string libraryPath_;
    sim::LibraryLoader loader_;
    HostHoldings before_;
};

}  // namespace console
