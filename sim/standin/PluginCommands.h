#pragma once
// The host's own commands, which the command registries run before any plugin's.

#include "host/HostApi.h"

namespace sim::detail {

// Runs the console line when it is one of the host's commands (plugins.load, plugins.unload);
// returns whether it was.
bool RunHostConsoleCommand(APlayerController* player, FString* line);
// The same for an RCON request, answered on `connection` with the request's id.
bool RunHostRconCommand(RCONClientConnection* connection, RCONPacket* packet);

}  // namespace sim::detail
