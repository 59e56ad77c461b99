#pragma once
// A console line that cannot be carried out: the console prints "error: <what>" and goes on.

#include <stdexcept>

namespace console {

struct ConsoleError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace console
