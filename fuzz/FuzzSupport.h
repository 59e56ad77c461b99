#pragma once
// What the fuzz targets share: the input handed over as a file, quiet logs, and invariant checks
// that stop the run the way a sanitizer does, so that libFuzzer keeps the input that broke one.

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Writes `size` bytes to this process's scratch file and returns its path; the same path every
// call, and the folder is removed when the process exits.
const std::string& WriteScratchFile(const std::uint8_t* data, std::size_t size);

// Routes the host's log lines into nothing (they are still formatted) and creates the plugin's logger.
void QuietPluginLogs();

// Prints what broke and aborts: libFuzzer reports it as a crash and saves the input.
[[noreturn]] void Fail(const char* file, int line, const std::string& what);

}  // namespace fuzz

// Aborts the run with `what` when `condition` is false.
#define FUZZ_CHECK(condition, what)                          \
    do {                                                     \
        if (!(condition)) {                                  \
            ::fuzz::Fail(__FILE__, __LINE__, (what));        \
        }                                                    \
    } while (false)
