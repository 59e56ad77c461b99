#include "commands/ReloadCommands.h"

#include <fmt/format.h>

#include "frame/Plugin.h"
#include "host/GameAccess.h"

namespace {

constexpr FLinearColor kGreen{0.0f, 1.0f, 0.0f, 1.0f};
constexpr FLinearColor kRed{1.0f, 0.0f, 0.0f, 1.0f};
constexpr std::int32_t kRconResponseType = 0;

}  // namespace

void ReloadCmdCommand::execute(APlayerController* player, FString* /*line*/, bool /*flag*/)
{
    const ReloadResult result = ThePlugin().Reload();
    if (player == nullptr) {
        return;
    }
    FString reply(result.Succeeded ? fmt::format("Reloaded config") : fmt::format("Reload failed: {}", result.Error));
    game::Call<void>("AShooterPlayerController.ClientServerChatDirectMessage", static_cast<AShooterPlayerController*>(player),
                     &reply, result.Succeeded ? kGreen : kRed, false);
}

void ReloadRCONCommand::execute(RCONClientConnection* connection, RCONPacket* packet, UWorld* /*world*/)
{
    const ReloadResult result = ThePlugin().Reload();
    if (packet == nullptr) {
        return;  // no request to answer
    }
    FString reply(result.Succeeded ? std::string("Reloaded Config") : fmt::format("Reload failed: {}", result.Error));
    game::Call<void>("RCONClientConnection.SendMessageW", connection, packet->Id, kRconResponseType, &reply);
}
