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
#else
#include <cerrno>
#include <poll.h>
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

// Whether a read of the file would not block. Standard input may be a pipe, a console or a file,
// and WSAPoll takes sockets only, so each kind is asked in its own way.
bool FileReadable(int file)
{
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(file));
    if (handle == INVALID_HANDLE_VALUE)
        return true;  // not open: the reader finds end of input
    switch (GetFileType(handle)) {
    case FILE_TYPE_PIPE: {
        DWORD available = 0;
        if (!PeekNamedPipe(handle, nullptr, 0, nullptr, &available, nullptr))
            return true;  // the writer is gone: end of input
        return available > 0;
    }
    case FILE_TYPE_CHAR:
        // Signalled by any console input event; the console reader copes with a non-key event.
        return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
    default:
        return true;  // disk files never block
    }
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

}  // namespace sim::os
