#pragma once
// The simulated server's command line.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace console {

struct Options {
    std::string Dir = ".";                   // the server's working directory
    std::optional<std::string> PluginPath;   // default: the installed plugin, or the one built next to the executable
    int ServerState = 0;                     // what the host reports at start: 0 starting, 1 up
    bool LoadAtStart = true;
    std::optional<std::string> Map;          // the map the game reports (default: TheIsland)
    std::vector<std::string> Scripts;
    bool Narrate = false;                    // scripts print as a narrated walk-through
    bool Serve = false;
    std::optional<std::uint16_t> RconPort;
    std::string RconPassword;
    bool Help = false;
    bool Version = false;
};

// Parses the arguments after the program name. Returns false with `error` (one line, no
// "error: " prefix) for bad use: unknown option, missing or bad value, options that need
// each other.
bool ParseCommandLine(const std::vector<std::string>& arguments, Options& options, std::string& error);

// The usage text printed by --help.
std::string UsageText();

}  // namespace console
