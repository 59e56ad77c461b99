#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <unistd.h>

#include "logging/Logger.h"
#include "standin/SimHost.h"

namespace fuzz {

namespace {

namespace fs = std::filesystem;

// A folder of this process's own, so that two fuzzers (or a fuzzer and a replay) never share a file.
// Where scratch folders go: TMPDIR when set, else shared memory. On a disk, rewriting a file
// truncated to nothing makes the file system flush it at close (ext4 does), which would have
// every input wait for the disk.
fs::path ScratchRoot()
{
    std::error_code error;
    if (std::getenv("TMPDIR") == nullptr && fs::is_directory("/dev/shm", error)) {
        return "/dev/shm";
    }
    return fs::temp_directory_path();
}

// Never destroyed, so that the exit handler that removes it can still name it.
const fs::path& ScratchFolder()
{
    static const fs::path* folder = [] {
        auto* made = new fs::path(ScratchRoot() / ("dinotuner-fuzz-" + std::to_string(getpid())));
        fs::create_directories(*made);
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(ScratchFolder(), ignored);
        });
        return made;
    }();
    return *folder;
}

}  // namespace

const std::string& WriteScratchFile(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = (ScratchFolder() / "config.json").string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (!out) {
        Fail(__FILE__, __LINE__, "cannot write the scratch file " + path);
    }
    return path;
}

void QuietPluginLogs()
{
    sim::SetLogOutput([](const std::string&) {});
    InitLogger(GetLogger(), "DinoTuner");
}

void Fail(const char* file, int line, const std::string& what)
{
    std::fprintf(stderr, "%s:%d: fuzz invariant broken: %s\n", file, line, what.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace fuzz
