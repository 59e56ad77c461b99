#include "os/Polling.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
#include <windows.h>
#include <io.h>
#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#else
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#endif

namespace sim::os {
namespace {

constexpr short kReadEvents = POLLIN;
constexpr short kWriteEvents = POLLOUT;
// Hang-up and errors count as readable: the next receive reports them.
constexpr short kReadResults = POLLIN | POLLHUP | POLLERR | POLLNVAL;

void CopyResults(std::vector<WatchedSocket>& sockets, const short* results)
{
    for (std::size_t index = 0; index < sockets.size(); ++index) {
        sockets[index].readable = (results[index] & kReadResults) != 0;
        sockets[index].writable = (results[index] & POLLOUT) != 0;
    }
}

#ifdef _WIN32

// Standard input may be a console, a pipe or a file, and none of them can be waited for together
// with sockets. Asking each kind in its own way does not hold either: a console is signalled by
// events that are not input (a read then blocks until a line comes), and wine refuses to peek a
// pipe that a Linux program opened. So a thread reads the file ahead; the wait asks its buffer
// and reads take from it, which never blocks.
class ReadAhead {
public:
    explicit ReadAhead(HANDLE handle) : handle_(handle)
    {
        std::thread([this] { Run(); }).detach();
    }

    // True when a read would not block: bytes are waiting or the input has ended.
    bool Ready()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return !buffer_.empty() || ended_;
    }

    // Up to `size` waiting bytes: their count, 0 once the input has ended, -1 when none are waiting yet.
    long Take(char* out, unsigned size)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (buffer_.empty()) {
            return ended_ ? 0 : -1;
        }
        const std::size_t count = std::min<std::size_t>(size, buffer_.size());
        buffer_.copy(out, count);
        buffer_.erase(0, count);
        return static_cast<long>(count);
    }

private:
    void Run()
    {
        char chunk[4096];
        DWORD count = 0;
        while (ReadFile(handle_, chunk, sizeof chunk, &count, nullptr) && count > 0) {
            std::lock_guard<std::mutex> lock(mutex_);
            buffer_.append(chunk, count);
        }
        std::lock_guard<std::mutex> lock(mutex_);
        ended_ = true;
    }

    HANDLE handle_;
    std::mutex mutex_;
    std::string buffer_;
    bool ended_ = false;
};

// The reader of `file`, started on first use; null when the file is not open. Never destroyed:
// its thread may wait in ReadFile until the process ends.
ReadAhead* ReaderOf(int file)
{
    static std::map<int, ReadAhead*> readers;
    const auto found = readers.find(file);
    if (found != readers.end()) {
        return found->second;
    }
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(file));
    ReadAhead* reader = handle == INVALID_HANDLE_VALUE ? nullptr : new ReadAhead(handle);
    readers.emplace(file, reader);
    return reader;
}

// Whether a read of the file would not block; a file that is not open reads as ended.
bool FileReadable(int file)
{
    ReadAhead* reader = ReaderOf(file);
    return reader == nullptr || reader->Ready();
}

// Sockets and the extra file cannot be waited for in one call, so the wait goes in short slices.
constexpr int kSliceMs = 20;

#endif

}  // namespace

bool WaitForActivity(std::vector<WatchedSocket>& sockets, int extraFile, int timeoutMs)
{
#ifdef _WIN32
    std::vector<WSAPOLLFD> entries(sockets.size());
    for (std::size_t index = 0; index < sockets.size(); ++index) {
        entries[index].fd = static_cast<SOCKET>(sockets[index].socket);
        entries[index].events = static_cast<short>((sockets[index].wantRead ? kReadEvents : 0) |
                                                   (sockets[index].wantWrite ? kWriteEvents : 0));
        entries[index].revents = 0;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    std::vector<short> results(sockets.size(), 0);
    for (;;) {
        if (extraFile >= 0 && FileReadable(extraFile)) {
            CopyResults(sockets, results.data());
            return true;
        }
        int wait = timeoutMs;  // without an extra file: one wait
        if (extraFile >= 0) {
            wait = kSliceMs;
            if (timeoutMs >= 0) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now()).count();
                wait = static_cast<int>(std::clamp<long long>(left, 0, kSliceMs));
            }
        }
        int ready = 0;
        if (entries.empty())
            Sleep(wait < 0 ? INFINITE : static_cast<DWORD>(wait));
        else
            ready = WSAPoll(entries.data(), static_cast<ULONG>(entries.size()), wait);
        if (ready != 0) {
            if (ready > 0) {
                for (std::size_t index = 0; index < entries.size(); ++index)
                    results[index] = entries[index].revents;
            }
            CopyResults(sockets, results.data());
            return extraFile >= 0 && FileReadable(extraFile);
        }
        if (extraFile < 0 || (timeoutMs >= 0 && std::chrono::steady_clock::now() >= deadline)) {
            CopyResults(sockets, results.data());
            return false;
        }
    }
#else
    std::vector<pollfd> entries(sockets.size() + (extraFile >= 0 ? 1 : 0));
    for (std::size_t index = 0; index < sockets.size(); ++index) {
        entries[index].fd = sockets[index].socket;
        entries[index].events = static_cast<short>((sockets[index].wantRead ? kReadEvents : 0) |
                                                   (sockets[index].wantWrite ? kWriteEvents : 0));
    }
    if (extraFile >= 0) {
        entries.back().fd = extraFile;
        entries.back().events = POLLIN;
    }
    // An interrupting signal (SIGINT for the console) ends the wait with nothing ready, which is
    // what the caller wants: it checks its stop flag and polls again.
    const int ready = poll(entries.data(), entries.size(), timeoutMs);
    std::vector<short> results(entries.size(), 0);
    if (ready > 0) {
        for (std::size_t index = 0; index < entries.size(); ++index)
            results[index] = entries[index].revents;
    }
    CopyResults(sockets, results.data());
    return extraFile >= 0 && (results.back() & kReadResults) != 0;
#endif
}

long ReadAvailable(int file, char* buffer, unsigned size)
{
#ifdef _WIN32
    ReadAhead* reader = ReaderOf(file);
    return reader == nullptr ? 0 : reader->Take(buffer, size);
#else
    const long count = static_cast<long>(::read(file, buffer, size));
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) {
        return -1;
    }
    return count < 0 ? 0 : count;
#endif
}

}  // namespace sim::os
