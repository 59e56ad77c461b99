#pragma once
// The commands that tell the admin what is in effect (DinoTuner.Status, DinoTuner.Show,
// DinoTuner.Species), on the console and over RCON. What they say comes from the action they
// are given; here it is made fit for a chat line and an RCON packet.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "commands/BaseCommand.h"

// One fact of a reply, and whether it tells of a problem (chat shows it as the reload does).
struct ReplyLine {
    enum class Tone { Fact, Warning, Failure };
    std::string Text;
    Tone Kind = Tone::Fact;
};
using Reply = std::vector<ReplyLine>;

// Makes the reply for the text after the command's name (trimmed); it must not throw.
using InfoAction = std::function<Reply(const std::string& argument)>;

// The longest reply, all lines told: an RCON tool reads one packet of about 4 KB.
inline constexpr std::size_t kMaxInfoReply = 999;

// The reply as it is sent: ASCII only (other bytes and control characters become '?'), never
// empty, each line whole while the reply stays within kMaxInfoReply characters with its line
// breaks, the first line that does not fit cut to end in "...", the rest left out.
Reply FitReply(Reply reply);

// The console command; answers the player who typed it with a chat line per reply line.
class InfoConsoleCommand : public BaseConsoleCommand {
public:
    InfoConsoleCommand(const char* name, InfoAction action) : BaseConsoleCommand(name), action_(std::move(action)) {}
    // Runs the action on the line's argument; replies to a non-null player: a white chat line per
    // fact, yellow for a warning, red for a failure. Typed on the server console (no player), the
    // lines go to the log.
    void execute(APlayerController* player, FString* line, bool flag) override;

private:
    InfoAction action_;
};

// The RCON command; answers the request with the reply's lines in one packet.
class InfoRconCommand : public BaseRConCommand {
public:
    InfoRconCommand(const char* name, InfoAction action) : BaseRConCommand(name), action_(std::move(action)) {}
    // Runs the action on the request's argument; replies with the request's id, type 0, lines joined by "\n".
    void execute(RCONClientConnection* connection, RCONPacket* packet, UWorld* world) override;

private:
    InfoAction action_;
};
