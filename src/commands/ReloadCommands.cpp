#include "commands/ReloadCommands.h"

#include <fmt/format.h>

#include "host/GameAccess.h"
#include "logging/LogText.h"

namespace {

constexpr FLinearColor kGreen{0.0f, 1.0f, 0.0f, 1.0f};
constexpr FLinearColor kYellow{1.0f, 1.0f, 0.0f, 1.0f};
constexpr FLinearColor kRed{1.0f, 0.0f, 0.0f, 1.0f};
constexpr std::int32_t kRconResponseType = 0;
// An error can quote the rest of a huge file: a chat line or an RCON packet carries only the
// start of it (the log keeps the whole text).
constexpr std::size_t kMaxReplyError = 400;

const game::Function<void(AShooterPlayerController*, FString*, FLinearColor, bool)> kChatDirectMessage(
    "AShooterPlayerController.ClientServerChatDirectMessage");
const game::Function<void(RCONClientConnection*, std::int32_t, std::int32_t, FString*)> kSendRconMessage("RCONClientConnection.SendMessageW");

// The reply for anything but a clean reload, or nothing (empty) for a clean one.
std::string ProblemReply(const ReloadResult& result)
{
    if (!result.Succeeded) {
        return "Reload failed: " + Capped(result.Error, kMaxReplyError);
    }
    if (result.Skipped > 0) {
        return fmt::format("Reloaded, but skipped {} of {} entries. First: {}", result.Skipped, result.Entries,
                           Capped(result.FirstSkipped, kMaxReplyError));
    }
    return {};
}

FLinearColor ColourOf(const ReloadResult& result)
{
    return !result.Succeeded ? kRed : result.Skipped > 0 ? kYellow : kGreen;
}

}  // namespace

void ReloadCmdCommand::execute(APlayerController* player, FString* /*line*/, bool /*flag*/)
{
    const ReloadResult result = reload_();
    if (player == nullptr) {
        return;
    }
    // The error may quote the file, which is UTF-8: it crosses to the game as UTF-16, not byte by byte.
    const std::string problem = ProblemReply(result);
    FString reply = problem.empty() ? FString(fmt::format("Reloaded config")) : FString::FromUtf8(problem);
    kChatDirectMessage(static_cast<AShooterPlayerController*>(player), &reply, ColourOf(result), false);
}

void ReloadRCONCommand::execute(RCONClientConnection* connection, RCONPacket* packet, UWorld* /*world*/)
{
    const ReloadResult result = reload_();
    if (connection == nullptr || packet == nullptr) {
        return;  // no client or no request to answer
    }
    const std::string problem = ProblemReply(result);
    FString reply = problem.empty() ? FString("Reloaded Config") : FString::FromUtf8(problem);
    kSendRconMessage(connection, packet->Id, kRconResponseType, &reply);
}
