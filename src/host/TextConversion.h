#pragma once
// UTF-16 to UTF-8, the one place where the plugin's text handling depends on the platform.

#include <cstddef>
#include <string>

namespace text {

// UTF-8 of `count` UTF-16 units; an unpaired surrogate becomes U+FFFD, as Windows converts it.
std::string Utf16ToUtf8(const char16_t* units, std::size_t count);

}  // namespace text
