#pragma once
// Text from a config file, made fit for one log line or one reply: it may be of any length and
// hold line breaks, which would cut a line in two or forge a line of its own.

#include <cstddef>
#include <string>
#include <string_view>

// At most `maxCharacters` UTF-8 characters of `text`, then "..." when anything was cut; a
// character is never cut in half.
std::string Capped(std::string_view text, std::size_t maxCharacters);
// `text` in double quotes, with quotes, backslashes and control characters escaped as JSON
// writes them, capped at 200 characters.
std::string Quoted(std::string_view text);
