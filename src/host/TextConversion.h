#pragma once
// UTF-16 to UTF-8 and back, the one place where the plugin's text handling depends on the platform.

#include <cstddef>
#include <string>

namespace text {

// UTF-8 of `count` UTF-16 units; an unpaired surrogate becomes U+FFFD, as Windows converts it.
std::string Utf16ToUtf8(const char16_t* units, std::size_t count);
// UTF-16 of `count` bytes of UTF-8; a malformed sequence becomes U+FFFD, as Windows converts it.
std::u16string Utf8ToUtf16(const char* bytes, std::size_t count);

}  // namespace text
