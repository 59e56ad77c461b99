#pragma once
// What a reload did, as the reload commands report it to whoever gave the command.

#include <string>

struct ReloadResult {
    // True when the new file took effect.
    bool Succeeded = false;
    // The logged error text when it did not.
    std::string Error;
};
