#pragma once
// SHA-256 of a byte string, from the operating system's implementation (BCrypt on Windows) or
// the distribution's libcrypto elsewhere: an admin compares the plugin's revision of a file with
// `sha256sum` or PowerShell's Get-FileHash, so it must be the standard digest, not one of ours.

#include <string>
#include <string_view>

namespace text {

// The SHA-256 of `bytes` as 64 lower-case hex digits; throws std::runtime_error if the system cannot compute it.
std::string Sha256Hex(std::string_view bytes);

}  // namespace text
