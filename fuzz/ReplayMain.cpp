// Replays inputs through one fuzz target's entry point without libFuzzer, so that the normal
// toolchain builds it and CTest runs the regression files and the seed corpus on every build.
//
// usage: fuzz-replay-TARGET [--expect-failure] PATH...
//   Each file (for a folder: each file in it, in name order) runs through the target once; a
//   crash, an abort or a sanitizer report ends the run with that file named.
//   --expect-failure: each file runs in a child process and must fail. A known bug whose fix has
//   not landed stays in the regressions this way; once the file passes, the run says so and
//   fails, so that the file comes off the expected-failure list.

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

std::vector<std::string> InputFiles(const std::vector<std::string>& paths)
{
    std::vector<std::string> files;
    for (const std::string& path : paths) {
        if (!fs::is_directory(path)) {
            files.push_back(path);
            continue;
        }
        std::vector<std::string> inside;
        for (const fs::directory_entry& entry : fs::directory_iterator(path)) {
            if (entry.is_regular_file()) {
                inside.push_back(entry.path().string());
            }
        }
        std::sort(inside.begin(), inside.end());
        files.insert(files.end(), inside.begin(), inside.end());
    }
    return files;
}

void Run(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        std::exit(1);
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// Runs `file` in a child process; true when the child failed in any way.
bool FailsInChild(const std::string& file, std::string& how)
{
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        Run(file);
        std::fflush(nullptr);
        _exit(0);
    }
    int status = 0;
    pid_t waited = child;
    if (child > 0) {
        do {
            waited = waitpid(child, &status, 0);
        } while (waited < 0 && errno == EINTR);
    }
    if (child < 0 || waited != child) {
        how = "could not run a child process";
        return false;
    }
    if (WIFSIGNALED(status)) {
        how = std::string("killed by signal ") + std::to_string(WTERMSIG(status));
        return true;
    }
    how = "exit status " + std::to_string(WEXITSTATUS(status));
    return WEXITSTATUS(status) != 0;
}

}  // namespace

int main(int argc, char** argv)
{
    bool expectFailure = false;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--expect-failure") == 0) {
            expectFailure = true;
        } else {
            paths.emplace_back(argv[i]);
        }
    }
    const std::vector<std::string> files = InputFiles(paths);
    if (files.empty()) {
        std::fprintf(stderr, "usage: %s [--expect-failure] PATH...  (no input files found)\n", argv[0]);
        return 2;
    }
    int unexpected = 0;
    for (const std::string& file : files) {
        if (!expectFailure) {
            Run(file);
            std::printf("ok %s\n", file.c_str());
            continue;
        }
        std::string how;
        if (FailsInChild(file, how)) {
            std::printf("fails as expected (%s): %s\n", how.c_str(), file.c_str());
        } else {
            std::printf("PASSES NOW (%s): %s\n  the bug is fixed: take it off fuzz/regressions/expected-failures.txt\n",
                        how.c_str(), file.c_str());
            ++unexpected;
        }
    }
    std::printf("%zu input(s) replayed\n", files.size());
    return unexpected == 0 ? 0 : 1;
}
