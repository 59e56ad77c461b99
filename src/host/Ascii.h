#pragma once
// ASCII letter case, the only case folding the plugin and its tools do: game names, console
// commands and config keys are ASCII, and folding anything else would depend on a locale.

#include <string>

namespace ascii {

// `c` in upper case when it is an ASCII letter, else `c` unchanged.
template <typename Char>
constexpr Char ToUpper(Char c)
{
    return (c >= Char('a') && c <= Char('z')) ? static_cast<Char>(c - Char('a') + Char('A')) : c;
}

// `c` in lower case when it is an ASCII letter, else `c` unchanged.
template <typename Char>
constexpr Char ToLower(Char c)
{
    return (c >= Char('A') && c <= Char('Z')) ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}

// A copy of `text` with its ASCII letters in lower case; other bytes unchanged.
inline std::string Lower(std::string text)
{
    for (char& c : text) {
        c = ToLower(c);
    }
    return text;
}

}  // namespace ascii
