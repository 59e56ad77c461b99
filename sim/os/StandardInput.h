#pragma once
// The console's standard input and output as the OS sees them: whether a person types at a
// terminal, and reading what standard input holds. The only place that makes these calls.

namespace sim::os {

// The file descriptor of standard input, for waiting on it.
inline constexpr int kStandardInput = 0;

// True when standard input and standard output are both terminals (a person at a keyboard).
bool StandardStreamsAreTerminals();

// Reads what standard input holds now, up to `size` bytes: returns the count, 0 at the end of
// input (or on an error that ends it), -1 when interrupted before anything was read (try again).
long ReadStandardInput(char* buffer, unsigned size);

}  // namespace sim::os
