#include "commands/InfoCommands.h"

#include "host/GameNames.h"
#include "logging/LogText.h"
#include "logging/Logger.h"

namespace {

constexpr FLinearColor kWhite{1.0f, 1.0f, 1.0f, 1.0f};
constexpr FLinearColor kYellow{1.0f, 1.0f, 0.0f, 1.0f};
constexpr FLinearColor kRed{1.0f, 0.0f, 0.0f, 1.0f};
constexpr std::int32_t kRconResponseType = 0;

using game::names::kChatDirectMessage;
using game::names::kSendRconMessage;

// What follows the command's name on the line, without the spaces around it.
std::string ArgumentOf(const FString* line)
{
    if (line == nullptr) {
        return {};
    }
    const std::string text = line->ToString();
    const auto nameEnd = text.find_first_of(" \t");
    if (nameEnd == std::string::npos) {
        return {};
    }
    const auto first = text.find_first_not_of(" \t\r\n", nameEnd);
    const auto last = text.find_last_not_of(" \t\r\n");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

// The reply of an action that broke its promise not to throw: a command must still answer.
Reply Run(const InfoAction& action, const std::string& argument)
{
    try {
        return action(argument);
    } catch (const std::exception& error) {
        return {{std::string("Failed: ") + error.what(), ReplyLine::Tone::Failure}};
    } catch (...) {
        return {{"Failed: unknown error", ReplyLine::Tone::Failure}};
    }
}

FLinearColor ColourOf(ReplyLine::Tone tone)
{
    return tone == ReplyLine::Tone::Failure ? kRed : tone == ReplyLine::Tone::Warning ? kYellow : kWhite;
}

}  // namespace

Reply FitReply(Reply reply)
{
    Reply fitted;
    std::size_t used = 0;
    for (ReplyLine& line : reply) {
        for (char& c : line.Text) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x20 || byte > 0x7E) {
                c = '?';
            }
        }
        const std::size_t separator = fitted.empty() ? 0 : 1;
        if (used + separator + 3 >= kMaxInfoReply) {
            break;  // not even room for "..."
        }
        const std::size_t room = kMaxInfoReply - used - separator;
        const bool fits = line.Text.size() <= room;
        if (!fits) {
            line.Text = CappedWhole(line.Text, room);
        }
        used += separator + line.Text.size();
        fitted.push_back(std::move(line));
        if (!fits) {
            break;
        }
    }
    if (fitted.empty()) {
        fitted.push_back({"(nothing to tell)", ReplyLine::Tone::Fact});
    }
    return fitted;
}

void InfoConsoleCommand::execute(APlayerController* player, FString* line, bool /*flag*/)
{
    const Reply reply = FitReply(Run(action_, ArgumentOf(line)));
    // Typed on the server console: nobody to answer in chat, and the log is what that console shows.
    if (player == nullptr) {
        for (const ReplyLine& fact : reply) {
            GetLogger()->info(fact.Text);
        }
        return;
    }
    for (const ReplyLine& fact : reply) {
        FString text(fact.Text);
        kChatDirectMessage(static_cast<AShooterPlayerController*>(player), &text, ColourOf(fact.Kind), false);
    }
}

void InfoRconCommand::execute(RCONClientConnection* connection, RCONPacket* packet, UWorld* /*world*/)
{
    const Reply reply = FitReply(Run(action_, packet == nullptr ? std::string() : ArgumentOf(&packet->Body)));
    if (connection == nullptr || packet == nullptr) {
        return;
    }
    std::string text;
    for (const ReplyLine& fact : reply) {
        text += (text.empty() ? "" : "\n") + fact.Text;
    }
    FString body(text);
    kSendRconMessage(connection, packet->Id, kRconResponseType, &body);
}
