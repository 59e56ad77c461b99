#include "host/TextConversion.h"

#include <system_error>

#if defined(_WIN32)
#  ifndef WIN32_LEAN_AND_MEAN
#    define WIN32_LEAN_AND_MEAN
#  endif
#  include <windows.h>
#else
#  include <fcntl.h>
#  include <sys/stat.h>
#  include <unistd.h>

#  include <cerrno>
#endif

namespace text {

#if defined(_WIN32)

namespace {

// Wide text of `narrow` in `codePage`; false when `flags` refuse its bytes.
bool ToWide(UINT codePage, DWORD flags, const std::string& narrow, std::wstring& wide)
{
    wide.clear();
    if (narrow.empty()) {
        return true;
    }
    const int length = static_cast<int>(narrow.size());
    const int size = MultiByteToWideChar(codePage, flags, narrow.data(), length, nullptr, 0);
    if (size <= 0) {
        return false;
    }
    wide.resize(static_cast<std::size_t>(size));
    return MultiByteToWideChar(codePage, flags, narrow.data(), length, wide.data(), size) == size;
}

}  // namespace

std::string Utf16ToUtf8(const char16_t* units, std::size_t count)
{
    if (units == nullptr || count == 0) {
        return {};
    }
    const auto* wide = reinterpret_cast<const wchar_t*>(units);
    const int length = static_cast<int>(count);
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_UTF8, 0, wide, length, out.data(), size, nullptr, nullptr);
    }
    return out;
}

std::u16string Utf8ToUtf16(const std::string& utf8)
{
    std::wstring wide;
    ToWide(CP_UTF8, 0, utf8, wide);
    return std::u16string(wide.begin(), wide.end());
}

std::filesystem::path FilePath(const std::string& narrow)
{
    std::wstring wide;
    if (!ToWide(CP_UTF8, MB_ERR_INVALID_CHARS, narrow, wide)) {
        ToWide(CP_ACP, 0, narrow, wide);
    }
    return std::filesystem::path(wide);
}

namespace {

FileBytes Failed(DWORD error)
{
    FileBytes result;
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        result.Error = FileError::NotFound;
        break;
    case ERROR_ACCESS_DENIED:
        result.Error = FileError::PermissionDenied;
        break;
    default:
        result.Error = FileError::Other;
        result.Reason = std::system_category().message(static_cast<int>(error));
    }
    return result;
}

FileBytes Refused(FileError error)
{
    FileBytes result;
    result.Error = error;
    return result;
}

class HandleCloser {
public:
    explicit HandleCloser(HANDLE handle) : handle_(handle) {}
    ~HandleCloser() { CloseHandle(handle_); }
    HandleCloser(const HandleCloser&) = delete;
    HandleCloser& operator=(const HandleCloser&) = delete;

private:
    HANDLE handle_;
};

}  // namespace

FileBytes ReadRegularFile(const std::string& narrow, std::uint64_t maxBytes)
{
    // Others may go on writing, renaming or deleting the file while it is read, as an editor
    // saving it does. Backup semantics let a folder open, so that it is told apart below
    // rather than refused as "access denied".
    const HANDLE file = CreateFileW(FilePath(narrow).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return Failed(GetLastError());
    }
    const HandleCloser closer(file);
    // Judged on the handle that is read: a pipe or device put at the name after any earlier
    // look would otherwise be read, and could block.
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &information) ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return Refused(FileError::NotRegular);
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) {
        return Failed(GetLastError());
    }
    if (static_cast<std::uint64_t>(size.QuadPart) > maxBytes) {
        return Refused(FileError::TooLarge);
    }
    FileBytes result;
    result.Bytes.reserve(static_cast<std::size_t>(size.QuadPart));
    char buffer[65536];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &read, nullptr)) {
            return Failed(GetLastError());
        }
        if (read == 0) {
            return result;
        }
        // A file that grows while it is read is held to the same bound.
        if (result.Bytes.size() + read > maxBytes) {
            return Refused(FileError::TooLarge);
        }
        result.Bytes.append(buffer, read);
    }
}

#else

namespace {

void AppendCodePoint(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// The code point of the well-formed sequence at `text[i]`, with its length in `length`; length 0
// when no well-formed sequence starts there (overlong forms and surrogates are not well formed).
char32_t DecodeAt(const std::string& text, std::size_t i, std::size_t& length)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    const unsigned char lead = byte(0);
    length = 0;
    if (lead < 0x80) {
        length = 1;
        return lead;
    }
    std::size_t trailing = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        trailing = 1;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trailing = 2;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trailing = 3;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + trailing >= text.size()) {
        return 0;
    }
    char32_t cp = lead & (0x3Fu >> trailing);
    for (std::size_t k = 1; k <= trailing; ++k) {
        if ((byte(k) & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (byte(k) & 0x3Fu);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    length = trailing + 1;
    return cp;
}

}  // namespace

std::string Utf16ToUtf8(const char16_t* units, std::size_t count)
{
    std::string out;
    if (units == nullptr) {
        return out;
    }
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const char16_t unit = units[i];
        if (IsHighSurrogate(unit) && i + 1 < count && IsLowSurrogate(units[i + 1])) {
            const char32_t cp = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(units[i + 1]) - 0xDC00);
            AppendCodePoint(out, cp);
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            AppendCodePoint(out, 0xFFFD);
        } else {
            AppendCodePoint(out, unit);
        }
    }
    return out;
}

std::u16string Utf8ToUtf16(const std::string& utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t length = 0;
        const char32_t cp = DecodeAt(utf8, i, length);
        if (length == 0) {
            out += u'\xFFFD';
            ++i;
        } else if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
            i += length;
        } else {
            out += static_cast<char16_t>(cp);
            i += length;
        }
    }
    return out;
}

std::filesystem::path FilePath(const std::string& narrow)
{
    return std::filesystem::path(narrow);
}

namespace {

FileBytes Failed(int error)
{
    FileBytes result;
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        result.Error = FileError::NotFound;
        break;
    case EACCES:
        result.Error = FileError::PermissionDenied;
        break;
    case ENXIO:  // a socket, or a device without its driver
        result.Error = FileError::NotRegular;
        break;
    default:
        result.Error = FileError::Other;
        result.Reason = std::generic_category().message(error);
    }
    return result;
}

FileBytes Refused(FileError error)
{
    FileBytes result;
    result.Error = error;
    return result;
}

class DescriptorCloser {
public:
    explicit DescriptorCloser(int descriptor) : descriptor_(descriptor) {}
    ~DescriptorCloser() { close(descriptor_); }
    DescriptorCloser(const DescriptorCloser&) = delete;
    DescriptorCloser& operator=(const DescriptorCloser&) = delete;

private:
    int descriptor_;
};

}  // namespace

FileBytes ReadRegularFile(const std::string& narrow, std::uint64_t maxBytes)
{
    // Opening a FIFO for reading waits for a writer, and a device may wait too; with O_NONBLOCK
    // the open returns at once. The type is then judged on the descriptor that is read, so a
    // FIFO renamed onto the name after any earlier look cannot slip through.
    int descriptor = -1;
    do {
        descriptor = open(narrow.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) {
        return Failed(errno);
    }
    const DescriptorCloser closer(descriptor);
    struct stat status {};
    if (fstat(descriptor, &status) != 0) {
        return Failed(errno);
    }
    if (!S_ISREG(status.st_mode)) {
        return Refused(FileError::NotRegular);
    }
    if (static_cast<std::uint64_t>(status.st_size) > maxBytes) {
        return Refused(FileError::TooLarge);
    }
    // A regular file is read as usual.
    const int flags = fcntl(descriptor, F_GETFL);
    if (flags >= 0) {
        fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK);
    }
    FileBytes result;
    result.Bytes.reserve(static_cast<std::size_t>(status.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t count = read(descriptor, buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Failed(errno);
        }
        if (count == 0) {
            return result;
        }
        // A file that grows while it is read is held to the same bound.
        if (result.Bytes.size() + static_cast<std::size_t>(count) > maxBytes) {
            return Refused(FileError::TooLarge);
        }
        result.Bytes.append(buffer, static_cast<std::size_t>(count));
    }
}

#endif

}  // namespace text
