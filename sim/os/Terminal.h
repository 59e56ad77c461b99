#pragma once
// Whether output goes to a terminal (for colours): the only place that asks the system.

#include <cstdio>

namespace sim::os {

// True when `stream` is a terminal or console rather than a file or a pipe.
bool IsTerminal(std::FILE* stream);

}  // namespace sim::os
