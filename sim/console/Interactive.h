#pragma once
// The server's live loop: console lines from standard input and, when listening, RCON clients,
// all run one at a time on this one thread (the game thread).

namespace sim {
class RconServer;
}

namespace console {

class Console;

// Runs console lines from standard input and serves `rcon` (may be null) until `quit`, the end
// of input, SIGINT or SIGTERM.
void RunInteractive(Console& console, sim::RconServer* rcon);

}  // namespace console
