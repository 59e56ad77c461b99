#pragma once
// Loads and unloads a plugin library the way the plugin host does: map the library, deliver
// process attach; later deliver process detach and unmap it. The only place that makes the
// system's library-loading calls.

#include <functional>
#include <string>
#include <vector>

namespace sim {

class LibraryLoader {
public:
    LibraryLoader() = default;
    // Unloads a library that is still loaded (detach first), so no plugin outlives its loader.
    ~LibraryLoader();
    LibraryLoader(const LibraryLoader&) = delete;
    LibraryLoader& operator=(const LibraryLoader&) = delete;

    // Maps the library at `path` (UTF-8) and delivers process attach; returns false with `error`
    // filled (the library left unmapped) when it cannot be loaded, has no entry point, or is a
    // module the process already has (no attach would reach it).
    bool Load(const std::string& path, std::string& error);
    // Delivers process detach and unmaps the library. `mayUnmap` is asked after detach: where
    // detach and unmapping are separate steps it is asked in between, and when it answers false
    // the library stays mapped for good, so that anything of it the host still holds never
    // points into freed code. On Windows FreeLibrary does both in one step, so it is asked after
    // the unmapping and a false answer can only be reported. Returns an empty text, or a note
    // when the library stayed mapped, or was unmapped although `mayUnmap` answered false. Does
    // nothing and returns an empty text when no library is loaded.
    std::string Unload(const std::function<bool()>& mayUnmap = nullptr);
    // Whether a library the host still holds parts of can be kept mapped (false on Windows).
    static bool CanKeepMapped();
    // True between a successful Load and the next Unload.
    bool IsLoaded() const { return handle_ != nullptr; }
    // Path of the loaded library, empty when none is loaded.
    const std::string& Path() const { return path_; }

private:
    void* handle_ = nullptr;
    void* entryPoint_ = nullptr;
    std::string path_;
    std::vector<void*> keptMapped_;  // detached libraries that must never be unmapped
};

// Full path of `fileName` in the folder of the running executable (or of `fallbackArgv0`
// when the system cannot tell where the executable is).
std::string FileNextToExecutable(const std::string& fileName, const std::string& fallbackArgv0);

}  // namespace sim
