#pragma once
// UTF-16 and UTF-8, and narrow text as a file path: the one place where the plugin's text
// handling depends on the platform.

#include <cstddef>
#include <filesystem>
#include <string>

namespace text {

// UTF-8 of `count` UTF-16 units; an unpaired surrogate becomes U+FFFD, as Windows converts it.
std::string Utf16ToUtf8(const char16_t* units, std::size_t count);
// UTF-16 of UTF-8 text; a byte that starts no valid sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(const std::string& utf8);
// The file that narrow text names. Windows takes narrow paths in the ANSI code page, which cannot
// name every folder; the host's text is UTF-8, and is read in the ANSI code page only when it is
// not valid UTF-8. Elsewhere the bytes are the path.
std::filesystem::path FilePath(const std::string& narrow);

}  // namespace text
