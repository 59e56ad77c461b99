#include "Numbers.h"

#include <charconv>
#include <cmath>

namespace console {

namespace {

// from_chars takes no leading '+'; a '+' before a sign would make "+-1" valid, so only one.
const char* SkipPlus(const std::string& word)
{
    return !word.empty() && word[0] == '+' && word.size() > 1 && word[1] != '-' && word[1] != '+' ? word.data() + 1 : word.data();
}

}  // namespace

std::optional<int> ParseInt(const std::string& word)
{
    int value = 0;
    const char* end = word.data() + word.size();
    const auto [last, error] = std::from_chars(SkipPlus(word), end, value);
    if (error != std::errc() || last != end || word.empty()) {
        return std::nullopt;
    }
    return value;
}

std::optional<float> ParseFloat(const std::string& word)
{
    float value = 0.0f;
    const char* end = word.data() + word.size();
    const auto [last, error] = std::from_chars(SkipPlus(word), end, value, std::chars_format::general);
    // The game never passes NaN or infinity; letting them in would only test the console.
    if (error != std::errc() || last != end || word.empty() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace console
