#pragma once
// Waiting for several sockets and one more file (the console's standard input) at once, and
// reading that file: the only place that makes readiness calls (poll on POSIX; WSAPoll and a
// reader thread on Windows).

#include <vector>

#include "os/Sockets.h"

namespace sim::os {

// One socket to watch; the caller fills `socket` and `wantWrite`, the wait fills the rest.
struct WatchedSocket {
    SocketHandle socket = kNoSocket;
    bool wantRead = true;
    bool wantWrite = false;
    bool readable = false;  // data, end of stream or an error is waiting: the next receive tells
    bool writable = false;
};

// Waits up to timeoutMs (negative: without limit) until one of `sockets` is ready or the file
// descriptor `extraFile` (-1: none) is readable; a signal may end the wait early with nothing
// ready. Returns true when `extraFile` is readable, which includes end of input and errors, so
// that its reader finds out.
bool WaitForActivity(std::vector<WatchedSocket>& sockets, int extraFile, int timeoutMs);

// Reads what the file descriptor `file` holds now, after WaitForActivity reported it readable:
// returns the count of bytes, 0 at the end of input, -1 when interrupted (wait and try again).
long ReadAvailable(int file, char* buffer, unsigned size);

}  // namespace sim::os
