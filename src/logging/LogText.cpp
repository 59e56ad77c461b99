#include "logging/LogText.h"

#include <fmt/format.h>

namespace {

// A key longer than this is a mistake, not a name: the line keeps its start.
constexpr std::size_t kMaxQuotedCharacters = 200;

bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// True when `count` hex digits start at `at`.
bool HexDigitsAt(std::string_view text, std::size_t at, std::size_t count)
{
    if (at + count > text.size()) {
        return false;
    }
    for (std::size_t i = at; i < at + count; ++i) {
        if (!IsHexDigit(text[i])) {
            return false;
        }
    }
    return true;
}

// The bytes of one UTF-8 character starting at `at` (a stray byte counts alone).
std::size_t CharacterBytes(std::string_view text, std::size_t at)
{
    std::size_t end = at + 1;
    while (end < text.size() && IsContinuationByte(text[end])) {
        ++end;
    }
    return end - at;
}

// What may not be cut at `at`: an escape, a "<U+XXXX>", or else one character. Its length in
// bytes goes to `bytes`, in characters to `characters`.
void UnitAt(std::string_view text, std::size_t at, std::size_t& bytes, std::size_t& characters)
{
    if (text[at] == '\\' && at + 1 < text.size()) {
        if (text[at + 1] == 'u' && HexDigitsAt(text, at + 2, 4)) {
            bytes = characters = 6;
        } else {
            bytes = 1 + CharacterBytes(text, at + 1);
            characters = 2;
        }
        return;
    }
    if (text.compare(at, 3, "<U+") == 0 && HexDigitsAt(text, at + 3, 4) && at + 7 < text.size() && text[at + 7] == '>') {
        bytes = characters = 8;
        return;
    }
    bytes = CharacterBytes(text, at);
    characters = 1;
}

}  // namespace

std::string CappedWhole(std::string_view text, std::size_t maxCharacters)
{
    static constexpr std::string_view kMore = "...";
    std::size_t total = 0;
    std::size_t cut = std::string_view::npos;  // where the text is cut if it turns out too long
    for (std::size_t at = 0; at < text.size();) {
        std::size_t bytes = 0;
        std::size_t characters = 0;
        UnitAt(text, at, bytes, characters);
        if (cut == std::string_view::npos && total + characters + kMore.size() > maxCharacters) {
            cut = at;
        }
        total += characters;
        if (total > maxCharacters) {
            return std::string(text.substr(0, cut)) + std::string(kMore);
        }
        at += bytes;
    }
    return std::string(text);
}

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
