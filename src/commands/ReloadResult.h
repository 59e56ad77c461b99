#pragma once
// What a reload did, as the reload commands report it to whoever gave the command.

#include <cstdint>
#include <string>

struct ReloadResult {
    // True when the new file took effect (perhaps without some of its entries).
    bool Succeeded = false;
    // The logged error text when it did not.
    std::string Error;
    // Species entries in the new file, how many were skipped for an error, and the first error.
    std::int32_t Entries = 0;
    std::int32_t Skipped = 0;
    std::string FirstSkipped;
    // Dinos the reload could not bring to the file's rates: their reference dino could not be spawned.
    std::int32_t DinosKeepingOtherRates = 0;
    // Likely mistakes of the file (it loads, but not as meant): how many, and the first, described.
    std::int32_t Warnings = 0;
    std::string FirstWarning;
};
