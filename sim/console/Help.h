#pragma once
// What the console tells about itself: `help`, `help COMMAND`, and the nearest name to a
// mistyped one.

#include <string>
#include <vector>

#include "Console.h"

namespace console {

// The name among `candidates` nearest to `typed` (letter case ignored), when it is close enough
// to be a likely typo; empty otherwise.
std::string ClosestName(const std::vector<std::string>& candidates, const std::string& typed);

// The command name nearest to `typed`, as ClosestName; empty when none is close.
std::string ClosestCommand(const CommandTable& table, const std::string& typed);

}  // namespace console
