#pragma once
// The plugin as the server holds it: one library at a time, loaded as the host loads it, attached
// and detached, and checked at unload for anything it left with the host.

#include <string>
#include <vector>

#include "os/LibraryLoader.h"

namespace console {

// The six game functions the plugin detours.
extern const char* const kHookedFunctions[6];

class PluginSession {
public:
    // `libraryPath` is the library Load maps. With `preferInstalled`, a library installed for the
    // plugin of that name in the server's folder (InstalledLibrary) is taken instead, when there is one.
    explicit PluginSession(std::string libraryPath, bool preferInstalled = false)
        : libraryPath_(std::move(libraryPath)), preferInstalled_(preferInstalled)
    {
    }

    // Loads the library given at construction (or the installed one), as LoadFrom does.
    void Load();
    // Loads the library at `path` as the host does: reads PluginInfo.json beside it, maps it and
    // delivers process attach, then the host logs the plugin's name and version. Throws
    // ConsoleError when a plugin is already loaded, PluginInfo.json cannot be used, or the library
    // cannot be loaded; nothing is loaded then.
    void LoadFrom(const std::string& path);
    // Delivers process detach and unloads the library; throws ConsoleError when none is loaded,
    // or (after detaching) when the plugin left hooks or commands with the host, in which case
    // the library stays mapped so that they never call into unmapped code (where the system
    // allows it: not on Windows). Returns a note when the host's log sinks still held the
    // plugin's log formatter, which the stand-in host then takes back; otherwise "".
    std::string Unload();
    bool IsLoaded() const { return loader_.IsLoaded(); }
    // The loaded plugin's name, its library's file name without the extension; "" when none is.
    std::string LoadedName() const;
    // Where the host looks for the plugin `name`: ArkApi/Plugins/<name>/<name>.so (.dll on
    // Windows) under the server's folder.
    static std::string InstalledLibrary(const std::string& name);

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
    bool preferInstalled_ = false;
    sim::LibraryLoader loader_;
    HostHoldings before_;
};

}  // namespace console
