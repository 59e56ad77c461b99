#include "host/TextConversion.h"

#if defined(_WIN32)
#  ifndef WIN32_LEAN_AND_MEAN
#    define WIN32_LEAN_AND_MEAN
#  endif
#  include <windows.h>
#endif

namespace text {

#if defined(_WIN32)

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

std::u16string Utf8ToUtf16(const char* bytes, std::size_t count)
{
    if (bytes == nullptr || count == 0) {
        return {};
    }
    const int length = static_cast<int>(count);
    const int size = MultiByteToWideChar(CP_UTF8, 0, bytes, length, nullptr, 0);
    std::u16string out(static_cast<std::size_t>(size > 0 ? size : 0), u'\0');
    if (size > 0) {
        MultiByteToWideChar(CP_UTF8, 0, bytes, length, reinterpret_cast<wchar_t*>(out.data()), size);
    }
    return out;
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

void AppendUnits(std::u16string& out, char32_t cp)
{
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

// The code point of the well-formed UTF-8 sequence at bytes[i], advancing i past it; U+FFFD
// for a malformed one (overlong, surrogate, beyond U+10FFFF, cut short), advancing one byte.
char32_t NextCodePoint(const unsigned char* bytes, std::size_t count, std::size_t& i)
{
    const unsigned char lead = bytes[i];
    int extra = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        ++i;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, cp = lead & 0x07, minimum = 0x10000;
    } else {
        ++i;
        return 0xFFFD;
    }
    if (i + static_cast<std::size_t>(extra) >= count) {
        ++i;
        return 0xFFFD;
    }
    for (int k = 1; k <= extra; ++k) {
        const unsigned char next = bytes[i + static_cast<std::size_t>(k)];
        if ((next & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return 0xFFFD;
    }
    i += static_cast<std::size_t>(extra) + 1;
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

std::u16string Utf8ToUtf16(const char* bytes, std::size_t count)
{
    std::u16string out;
    if (bytes == nullptr) {
        return out;
    }
    out.reserve(count);
    const auto* data = reinterpret_cast<const unsigned char*>(bytes);
    for (std::size_t i = 0; i < count;) {
        AppendUnits(out, NextCodePoint(data, count, i));
    }
    return out;
}

#endif

}  // namespace text
