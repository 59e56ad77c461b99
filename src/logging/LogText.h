#pragma once
// Text from a config file, made fit for one log line or one reply: it may be of any length and
// hold line breaks, which would cut a line in two or forge a line of its own.

#include <cstddef>
#include <string>
#include <string_view>

// At most `maxCharacters` UTF-8 characters of `text`, then "..." when anything was cut; a
// character is never cut in half.
std::string Capped(std::string_view text, std::size_t maxCharacters);
// At most `maxCharacters` characters of `text` in all, "..." included when anything was cut; the
// cut never falls inside a UTF-8 character, a backslash escape ("\\u0001", "\\\"") or a
// "<U+0001>" the JSON library writes for a control character.
std::string CappedWhole(std::string_view text, std::size_t maxCharacters);
// `text` in double quotes, with quotes, backslashes and control characters escaped as JSON
// writes them, capped at 200 characters.
std::string Quoted(std::string_view text);
