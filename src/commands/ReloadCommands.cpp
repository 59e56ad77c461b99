#include "commands/ReloadCommands.h"

#include <fmt/format.h>

#include "host/GameNames.h"
#include "logging/LogText.h"

namespace {

constexpr FLinearColor kGreen{0.0f, 1.0f, 0.0f, 1.0f};
constexpr FLinearColor kYellow{1.0f, 1.0f, 0.0f, 1.0f};
constexpr FLinearColor kRed{1.0f, 0.0f, 0.0f, 1.0f};
constexpr std::int32_t kRconResponseType = 0;
// An error can quote the rest of a huge file: a chat line or an RCON packet carries only the
// start of it (the log keeps the whole text). A failure's reply carries this much of its error;
// a partial reload's reply is this long at most, all told.
constexpr std::size_t kMaxReply = 400;
constexpr std::size_t kMore = 3;  // the "..." after a cut

using game::names::kChatDirectMessage;
using game::names::kSendRconMessage;

// A reload that took effect, but not everywhere or not as the file most likely meant.
bool IsPartial(const ReloadResult& result)
{
    return result.Skipped > 0 || result.DinosKeepingOtherRates > 0 || result.Warnings > 0;
}

// ", with N warnings" when the file has likely mistakes, for the partial reply; else nothing.
std::string WithWarnings(const ReloadResult& result)
{
    return result.Warnings == 0 ? std::string() : fmt::format(", with {} {}", result.Warnings, result.Warnings == 1 ? "warning" : "warnings");
}

// "K dinos keep another rate", for the partial reply.
std::string DinosKeeping(std::int32_t count)
{
    return fmt::format("{} {} another rate", count, count == 1 ? "dino keeps" : "dinos keep");
}

// The reply for anything but a clean reload, or nothing (empty) for a clean one. What was not put
// into effect matters more than a likely mistake: its first error is the one named, and the
// warnings are counted (the log names them).
std::string ProblemReply(const ReloadResult& result)
{
    if (!result.Succeeded) {
        return "Reload failed: " + CappedWhole(result.Error, kMaxReply + kMore);
    }
    if (result.Skipped > 0 && result.DinosKeepingOtherRates > 0) {
        return CappedWhole(fmt::format("Reloaded, but skipped {} of {} entries and {} (no reference dino could be spawned){}. First: {}",
                                       result.Skipped, result.Entries, DinosKeeping(result.DinosKeepingOtherRates), WithWarnings(result),
                                       result.FirstSkipped),
                           kMaxReply);
    }
    if (result.Skipped > 0) {
        return CappedWhole(fmt::format("Reloaded, but skipped {} of {} entries{}. First: {}", result.Skipped, result.Entries,
                                       WithWarnings(result), result.FirstSkipped),
                           kMaxReply);
    }
    if (result.DinosKeepingOtherRates > 0) {
        std::string reply = fmt::format("Reloaded, but {}: no reference dino could be spawned (the log names the species)",
                                        DinosKeeping(result.DinosKeepingOtherRates));
        if (result.Warnings > 0) {
            reply += fmt::format("{}. First: {}", WithWarnings(result), result.FirstWarning);
        }
        return CappedWhole(reply, kMaxReply);
    }
    if (result.Warnings > 0) {
        return CappedWhole(fmt::format("Reloaded, with {} {}. First: {}", result.Warnings, result.Warnings == 1 ? "warning" : "warnings",
                                       result.FirstWarning),
                           kMaxReply);
    }
    return {};
}

FLinearColor ColourOf(const ReloadResult& result)
{
    return !result.Succeeded ? kRed : IsPartial(result) ? kYellow : kGreen;
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
