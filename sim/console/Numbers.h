#pragma once
// Numbers as console lines write them: decimal integers and plain decimal floats.

#include <optional>
#include <string>

namespace console {

// The whole word as a 32-bit integer (optional leading '+' or '-'); nullopt otherwise.
std::optional<int> ParseInt(const std::string& word);
// The whole word as a finite 32-bit float ("75", "-0.5", "1e3"); nullopt otherwise.
std::optional<float> ParseFloat(const std::string& word);

}  // namespace console
