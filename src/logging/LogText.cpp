#include "logging/LogText.h"

#include <fmt/format.h>

namespace {

// A key longer than this is a mistake, not a name: the line keeps its start.
constexpr std::size_t kMaxQuotedCharacters = 200;

bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::string Capped(std::string_view text, std::size_t maxCharacters)
{
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsContinuationByte(text[i])) {
            continue;
        }
        if (characters == maxCharacters) {
            return std::string(text.substr(0, i)) + "...";
        }
        ++characters;
    }
    return std::string(text);
}

std::string Quoted(std::string_view text)
{
    const std::string capped = Capped(text, kMaxQuotedCharacters);
    std::string quoted = "\"";
    for (const char c : capped) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            quoted += fmt::format("\\u{:04x}", byte);
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}
