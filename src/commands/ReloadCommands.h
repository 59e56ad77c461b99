#pragma once
// "DinoTuner.Reload" on the console and over RCON: reload the file, then say whether it worked.

#include <functional>
#include <utility>

#include "commands/BaseCommand.h"
#include "commands/ReloadResult.h"

// Reloads the configuration and reports how it went; it must not throw.
using ReloadAction = std::function<ReloadResult()>;

// The console command; answers the player who typed it with a chat line.
class ReloadCmdCommand : public BaseConsoleCommand {
public:
    explicit ReloadCmdCommand(ReloadAction reload) : BaseConsoleCommand("DinoTuner.Reload"), reload_(std::move(reload)) {}
    // Reloads; replies to a non-null player: green "Reloaded config", yellow when entries were
    // skipped (how many, and the first one's error) or dinos keep another rate (how many), red
    // "Reload failed: <error>".
    void execute(APlayerController* player, FString* line, bool flag) override;

private:
    ReloadAction reload_;
};

// The RCON command; answers the RCON request.
class ReloadRCONCommand : public BaseRConCommand {
public:
    explicit ReloadRCONCommand(ReloadAction reload) : BaseRConCommand("DinoTuner.Reload"), reload_(std::move(reload)) {}
    // Reloads; replies with the request's id, type 0: "Reloaded Config", the skipped entries as on
    // the console, or "Reload failed: <error>".
    void execute(RCONClientConnection* connection, RCONPacket* packet, UWorld* world) override;

private:
    ReloadAction reload_;
};
