#pragma once
// "DinoTuner.Reload" on the console and over RCON: reload the file, then say whether it worked.

#include "frame/BaseCommand.h"

// The console command; answers the player who typed it with a chat line.
class ReloadCmdCommand : public BaseConsoleCommand {
public:
    ReloadCmdCommand() : BaseConsoleCommand("DinoTuner.Reload") {}
    // Reloads; replies green "Reloaded config" or red "Reload failed: <error>" to a non-null player.
    void execute(APlayerController* player, FString* line, bool flag) override;
};

// The RCON command; answers the RCON request.
class ReloadRCONCommand : public BaseRConCommand {
public:
    ReloadRCONCommand() : BaseRConCommand("DinoTuner.Reload") {}
    // Reloads; replies "Reloaded Config" or "Reload failed: <error>" with the request's id, type 0.
    void execute(RCONClientConnection* connection, RCONPacket* packet, UWorld* world) override;
};
