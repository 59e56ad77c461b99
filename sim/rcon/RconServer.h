#pragma once
// An RCON listener (Source RCON protocol over TCP) on 127.0.0.1 for the simulated server.
// Requests are handed to the caller one at a time, on the thread that calls Poll: the game thread.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace sim {

class RconServer {
public:
    // Called for each authenticated command request: the connection, the request id and body.
    using RequestHandler = std::function<void(int connection, std::int32_t requestId, const std::string& body)>;

    // What one client may cost the server before its connection is closed; the others go on.
    struct Limits {
        // Silence allowed in the middle of a packet, or while answers wait to be written.
        std::chrono::milliseconds stallTimeout{5000};
        // Complete requests one read may deliver at once; more is a flood.
        std::size_t maxPendingRequests = 32;
        // Answer bytes waiting for a client that does not read them.
        std::size_t maxBufferedOutput = 1024 * 1024;
        // Open connections; a client beyond that is closed on arrival.
        std::size_t maxConnections = 16;
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
    // The port actually listened on (0 before Listen).
    std::uint16_t Port() const;
    // Waits up to timeoutMs for network activity or for `extraReadable` (a file descriptor such as
    // standard input, or -1) to become readable; accepts, reads and dispatches complete requests.
    // Returns true when `extraReadable` is readable.
    bool Poll(int timeoutMs, int extraReadable = -1);
    // Queues a response packet to `connection` (ignored when the connection is gone); a body too
    // long for one packet goes out as several packets with the same id and type. Writing starts at
    // once without blocking; what does not fit is written by the following Polls.
    void Send(int connection, std::int32_t requestId, std::int32_t type, const std::string& body);
    // Number of open client connections.
    std::size_t ConnectionCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace sim
