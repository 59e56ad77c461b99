#include "os/SystemText.h"

#if defined(_WIN32)
#  ifndef WIN32_LEAN_AND_MEAN
#    define WIN32_LEAN_AND_MEAN
#  endif
#  include <windows.h>
#  include <shellapi.h>

#  include <filesystem>
#endif

namespace sim::os {

#if defined(_WIN32)

namespace {

std::string Utf8(const wchar_t* wide, int length)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_UTF8, 0, wide, length, out.data(), size, nullptr, nullptr);
    }
    return out;
}

}  // namespace

std::vector<std::string> ProgramArguments(int /*argc*/, char** /*argv*/)
{
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int index = 1; wide != nullptr && index < count; ++index) {
        arguments.push_back(Utf8(wide[index], static_cast<int>(wcslen(wide[index]))));
    }
    LocalFree(wide);
    return arguments;
}

std::string FullPath(const std::string& path)
{
    const std::wstring wide = std::filesystem::u8path(path).wstring();
    const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0) {
        return path;
    }
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) {
        return path;
    }
    return Utf8(full.data(), static_cast<int>(length));
}

#else

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::string FullPath(const std::string& path)
{
    return path;
}

#endif

}  // namespace sim::os
