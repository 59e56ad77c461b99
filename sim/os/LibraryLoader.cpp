#include "os/LibraryLoader.h"

#include <filesystem>
#include <vector>

#include "os/SystemText.h"

#if defined(_WIN32)
#  ifndef WIN32_LEAN_AND_MEAN
#    define WIN32_LEAN_AND_MEAN
#  endif
#  include <windows.h>
#else
#  include <dlfcn.h>
#  include <unistd.h>
#endif

namespace sim {

namespace {

#if !defined(_WIN32)
// The plugin's entry point, as the Windows loader would call DllMain.
using EntryPoint = int (*)(void* module, unsigned long reason, void* reserved);
constexpr unsigned long kProcessDetach = 0;
constexpr unsigned long kProcessAttach = 1;

std::string LastLoaderError(const std::string& fallback)
{
    const char* text = dlerror();
    return text != nullptr ? std::string(text) : fallback;
}

// dlopen searches the library path for a bare file name; a plugin path is always a file path.
std::string AsFilePath(const std::string& path)
{
    return path.find('/') == std::string::npos ? "./" + path : path;
}
#else
// True when `module` is still one of the process's modules.
bool IsMapped(HMODULE module)
{
    HMODULE found = nullptr;
    return module != nullptr &&
           GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(module), &found) &&
           found == module;
}

// Whether the image names an entry point (a DLL linked without one is never told of attach).
bool HasEntryPoint(HMODULE module)
{
    const auto* base = reinterpret_cast<const unsigned char*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return headers->OptionalHeader.AddressOfEntryPoint != 0;
}

std::string SystemMessage(DWORD code)
{
    char* buffer = nullptr;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
    std::string text = length > 0 && buffer != nullptr ? std::string(buffer, length) : "error " + std::to_string(code);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}
#endif

}  // namespace

LibraryLoader::~LibraryLoader()
{
    Unload();
}

bool LibraryLoader::CanKeepMapped()
{
#if defined(_WIN32)
    return false;
#else
    return true;
#endif
}

#if !defined(_WIN32)

bool LibraryLoader::Load(const std::string& path, std::string& error)
{
    if (handle_ != nullptr) {
        error = "a plugin library is already loaded: " + path_;
        return false;
    }
    const std::string filePath = AsFilePath(path);
    dlerror();
    // Local symbols: nothing of the plugin can bind another module's lookups and pin it in memory.
    void* handle = dlopen(filePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        error = LastLoaderError("cannot load " + path);
        return false;
    }
    void* symbol = dlsym(handle, "DllMain");
    if (symbol == nullptr) {
        dlclose(handle);
        error = path + ": the library has no entry point DllMain";
        return false;
    }
    // dlopen has run the library's static initialisation; attach comes after it, as on Windows.
    const auto entry = reinterpret_cast<EntryPoint>(symbol);
    if (entry(handle, kProcessAttach, nullptr) == 0) {
        // Windows answers a refused attach with detach and unloads the library; so do we.
        entry(handle, kProcessDetach, nullptr);
        dlclose(handle);
        error = path + ": the entry point refused process attach";
        return false;
    }
    handle_ = handle;
    entryPoint_ = symbol;
    path_ = filePath;
    return true;
}

std::string LibraryLoader::Unload(const std::function<bool()>& mayUnmap)
{
    if (handle_ == nullptr) {
        return {};
    }
    reinterpret_cast<EntryPoint>(entryPoint_)(handle_, kProcessDetach, nullptr);
    std::string note;
    dlerror();
    if (mayUnmap && !mayUnmap()) {
        keptMapped_.push_back(handle_);
        note = path_ + " stays in memory: the host still holds parts of it";
    } else if (dlclose(handle_) != 0) {
        note = LastLoaderError("the system refused to unload " + path_);
    } else if (void* still = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD)) {
        // A unique or global symbol keeps the library mapped; its statics would carry over.
        dlclose(still);
        note = path_ + " stayed in memory after unload: its static state carries over to the next load";
    }
    handle_ = nullptr;
    entryPoint_ = nullptr;
    path_.clear();
    return note;
}

std::string FileNextToExecutable(const std::string& fileName, const std::string& fallbackArgv0)
{
    std::vector<char> buffer(4096);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    const std::filesystem::path executable =
        length > 0 ? std::filesystem::path(std::string(buffer.data(), static_cast<std::size_t>(length))) : std::filesystem::path(fallbackArgv0);
    return (executable.parent_path() / fileName).string();
}

#else

bool LibraryLoader::Load(const std::string& path, std::string& error)
{
    if (handle_ != nullptr) {
        error = "a plugin library is already loaded: " + path_;
        return false;
    }
    const std::wstring widePath = std::filesystem::u8path(os::FullPath(path)).wstring();
    // A module the process already has (the host's own version.dll, say) is only counted up by
    // LoadLibrary: nothing would tell it of a process attach.
    if (GetModuleHandleW(widePath.c_str()) != nullptr) {
        error = path + ": the library is already loaded in the server, so no entry point DllMain would see a process attach";
        return false;
    }
    // The system runs static initialisation, then delivers process attach to DllMain itself.
    HMODULE module = LoadLibraryW(widePath.c_str());
    if (module == nullptr) {
        error = path + ": " + SystemMessage(GetLastError());
        return false;
    }
    if (!HasEntryPoint(module)) {
        FreeLibrary(module);
        error = path + ": the library has no entry point DllMain";
        return false;
    }
    handle_ = module;
    path_ = path;
    return true;
}

std::string LibraryLoader::Unload(const std::function<bool()>& mayUnmap)
{
    if (handle_ == nullptr) {
        return {};
    }
    // FreeLibrary delivers process detach, runs the static destructors and unmaps the library in
    // one step: whether the host still holds parts of it can only be asked afterwards.
    const auto module = static_cast<HMODULE>(handle_);
    std::string note;
    if (!FreeLibrary(module)) {
        note = path_ + ": " + SystemMessage(GetLastError());
    } else if (mayUnmap && !mayUnmap()) {
        note = path_ + " was unmapped all the same: on Windows detach and unmapping are one step, so a call into what the host still holds would crash the server";
    } else if (IsMapped(module)) {
        note = path_ + " stayed in memory after unload: its static state carries over to the next load";
    }
    handle_ = nullptr;
    entryPoint_ = nullptr;
    path_.clear();
    return note;
}

std::string FileNextToExecutable(const std::string& fileName, const std::string& fallbackArgv0)
{
    std::vector<wchar_t> buffer(32768);
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    const std::filesystem::path executable = length > 0 && length < buffer.size()
                                                 ? std::filesystem::path(std::wstring(buffer.data(), length))
                                                 : std::filesystem::u8path(fallbackArgv0);
    return (executable.parent_path() / std::filesystem::u8path(fileName)).u8string();
}

#endif

}  // namespace sim
