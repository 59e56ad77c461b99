#pragma once
// One RCON request run on the game thread, as the game's RCON server runs it: a request packet,
// a connection object whose SendMessage goes to `reply`, and the host's RCON command registry.

#include <cstdint>
#include <functional>
#include <string>

namespace console {

using RconReply = std::function<void(std::int32_t requestId, std::int32_t type, const std::string& text)>;

// Runs `body` as RCON request `requestId` through the host's and the plugins' commands, then as
// the game does; every answer goes to `reply`, the game's last: "Server received, But no
// response!! \n " (a line feed, then a space), as for any command the game itself does not know.
void RunRconRequest(std::int32_t requestId, const std::string& body, const RconReply& reply);

// The command name of a command line: its first word (what the host's registries match).
std::string CommandName(const std::string& line);

}  // namespace console
