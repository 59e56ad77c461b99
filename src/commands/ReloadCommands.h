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
    // Reloads; replies green "Reloaded config" or red "Reload failed: <error>" to a non-null player.
    void execute(APlayerController* player, FString* line, bool flag) override;

private:
    ReloadAction reload_;
};

// The RCON command; answers the RCON request.
class ReloadRCONCommand : public BaseRConCommand {
public:
    explicit ReloadRCONCommand(ReloadAction reload) : BaseRConCommand("DinoTuner.Reload"), reload_(std::move(reload)) {}
    // Reloads; replies "Reloaded Config" or "Reload failed: <error>" with the request's id, type 0.
    void execute(RCONClientConnection* connection, RCONPacket* packet, UWorld* world) override;

private:
    ReloadAction reload_;
};
