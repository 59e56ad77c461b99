#pragma once
// An RCON listener (Source RCON protocol over TCP) on 127.0.0.1 for the simulated server.
// Requests are handed to the caller one at a time, on the thread that calls Poll: the game thread.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "rcon/RconNotice.h"

namespace sim {

class RconServer {
public:
    // Called for each authenticated command request: the connection, the request id and body.
    using RequestHandler = std::function<void(int connection, std::int32_t requestId, const std::string& body)>;

    using Event = RconEvent;
    // What the server's operator should hear about a client, at most one line a second per kind.
    using Notice = RconNotice;
    using NoticeHandler = std::function<void(const Notice& notice)>;

    // What one client may cost the server before its connection is closed; the others go on.
    struct Limits {
        // Silence allowed in the middle of a packet, or while answers wait to be written.
        std::chrono::milliseconds stallTimeout{5000};
        // Time from connecting to sending a login; a client that has not sent one by then is closed.
        std::chrono::milliseconds loginTimeout{5000};
        // Silence allowed from a logged-in client with nothing left to answer.
        std::chrono::milliseconds idleTimeout{std::chrono::minutes(10)};
        // Pause between two packets to one client. Many clients decode only the first packet of
        // each read; back-to-back packets (the parts of a long answer) would reach them in one read.
        std::chrono::milliseconds packetSpacing{20};
        // The wait of a login after one wrong password from its address; it doubles with each
        // further one, up to longestLoginWait. 0: logins never wait.
        std::chrono::milliseconds loginWait{100};
        std::chrono::milliseconds longestLoginWait{2000};
        // Requests of one client waiting to be answered, in order; one more closes the connection.
        std::size_t maxPendingRequests = 256;
        // Answer bytes waiting for a client that does not read them.
        std::size_t maxBufferedOutput = 1024 * 1024;
        // Open connections. A client that arrives when all are taken takes the place of the oldest
        // client that has not logged in; only when all are logged in is it turned away.
        std::size_t maxConnections = 16;
        // Time a client that has not logged in keeps its place after connecting, for its login to
        // arrive; a newcomer waits in the listen queue meanwhile.
        std::chrono::milliseconds loginGrace{50};
    };

    // An empty password lets nobody in.
    RconServer(std::string password, RequestHandler handler);
    ~RconServer();
    RconServer(const RconServer&) = delete;
    RconServer& operator=(const RconServer&) = delete;

    // Listens on 127.0.0.1:port; false with `error` filled when that fails. Port 0 picks a free port.
    bool Listen(std::uint16_t port, std::string& error);
    // Replaces the limits (takes effect from the next Poll).
    void SetLimits(const Limits& limits);
    // The limits in force.
    const Limits& CurrentLimits() const;
    // Where notices go (none by default); called from Poll, on the polling thread.
    void SetNoticeHandler(NoticeHandler handler);
    // The port actually listened on (0 before Listen).
    std::uint16_t Port() const;
    // Waits up to timeoutMs for network activity or for `extraReadable` (a file descriptor such as
    // standard input, or -1) to become readable; accepts, reads and answers requests. Returns true
    // when `extraReadable` is readable.
    bool Poll(int timeoutMs, int extraReadable = -1);
    // Queues a response packet to `connection` (ignored when the connection is gone); a body too
    // long for one packet goes out as several packets with the same id and type. Each packet goes
    // out in a write of its own, Limits::packetSpacing after the one before; the first starts at
    // once without blocking and the rest are written by the following Polls.
    void Send(int connection, std::int32_t requestId, std::int32_t type, const std::string& body);
    // Number of open client connections.
    std::size_t ConnectionCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace sim
