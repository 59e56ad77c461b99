#pragma once
// UTF-16 and UTF-8, and files named by narrow text: the one place where the plugin's text and
// file handling depend on the platform.

#include <cstddef>
#include <cstdint>
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

// Why a file could not be read; None when it was.
enum class FileError { None, NotFound, PermissionDenied, NotRegular, TooLarge, Other };

// A file's bytes, or why they could not be read.
struct FileBytes {
    FileError Error = FileError::None;
    std::string Bytes;
    // For FileError::Other, the system's text for the error.
    std::string Reason;
};

// The bytes of the regular file that narrow text names (as FilePath reads it), or why not: a
// file of another type (a folder, a FIFO, a device), or one larger than `maxBytes`, is refused
// without reading a byte of it, and opening never waits for a writer.
FileBytes ReadRegularFile(const std::string& narrow, std::uint64_t maxBytes);

}  // namespace text
