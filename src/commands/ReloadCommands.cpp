#include "commands/ReloadCommands.h"

#include <fmt/format.h>

#include "frame/Plugin.h"
#include "host/GameAccess.h"

namespace {

constexpr FLinearColor kGreen{0.0f, 1.0f, 0.0f, 1.0f};
constexpr FLinearColor kRed{1.0f, 0.0f, 0.0f, 1.0f};
constexpr std::int32_t kRconResponseType = 0;
// A parse error quotes the token it stopped at, which can be the rest of a huge file: a chat line
// or an RCON packet carries only the start of it (the log keeps the whole text).
constexpr std::size_t kMaxReplyError = 400;

std::string FailureReply(const std::string& error)
{
    if (error.size() <= kMaxReplyError) {
        return fmt::format("Reload failed: {}", error);
    }
    return fmt::format("Reload failed: {}...", error.substr(0, kMaxReplyError));
}

}  // namespace

void ReloadCmdCommand::execute(APlayerController* player, FString* /*line*/, bool /*flag*/)
{
    const ReloadResult result = ThePlugin().Reload();
    if (player == nullptr) {
        return;
    }
    // The error may quote the file, which is UTF-8: it crosses to the game as UTF-16, not byte by byte.
    FString reply = result.Succeeded ? FString(fmt::format("Reloaded config")) : FString::FromUtf8(FailureReply(result.Error));
    game::Call<void>("AShooterPlayerController.ClientServerChatDirectMessage", static_cast<AShooterPlayerController*>(player),
                     &reply, result.Succeeded ? kGreen : kRed, false);
}

void ReloadRCONCommand::execute(RCONClientConnection* connection, RCONPacket* packet, UWorld* /*world*/)
{
    const ReloadResult result = ThePlugin().Reload();
    if (connection == nullptr || packet == nullptr) {
        return;  // no client or no request to answer
    }
    FString reply = result.Succeeded ? FString("Reloaded Config") : FString::FromUtf8(FailureReply(result.Error));
    game::Call<void>("RCONClientConnection.SendMessageW", connection, packet->Id, kRconResponseType, &reply);
}
