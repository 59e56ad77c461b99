#pragma once
// Each part of the stand-in host forgets what plugins and tests gave it; ResetHost calls them all.

namespace sim::detail {

// The host knows every registered game name again.
void ResetNames();
// Takes every detour off every game function and forgets the request record.
void ResetHooks();
// Forgets every registered chat, console and RCON command.
void ResetCommands();
// Drops every sink but the console's, which prints to standard output again.
void ResetLogSinks();
// Forgets the server's part of plugins.load and plugins.unload.
void ResetPlugins();
// The server is starting again, in the working directory ".".
void ResetServer();

}  // namespace sim::detail
