#pragma once
// An RCON listener (Source RCON protocol over TCP) on 127.0.0.1 for the simulated server.
// Requests are handed to the caller one at a time, on the thread that calls Poll: the game thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace sim {

class RconServer {
public:
    // Called for each authenticated command request: the connection, the request id and body.
    using RequestHandler = std::function<void(int connection, std::int32_t requestId, const std::string& body)>;

    RconServer(std::string password, RequestHandler handler);
    ~RconServer();
    RconServer(const RconServer&) = delete;
    RconServer& operator=(const RconServer&) = delete;

    // Listens on 127.0.0.1:port; false with `error` filled when that fails. Port 0 picks a free port.
    bool Listen(std::uint16_t port, std::string& error);
    // The port actually listened on.
    std::uint16_t Port() const;
    // Waits up to timeoutMs for network activity or for `extraReadable` (a file descriptor such as
    // standard input, or -1) to become readable; accepts, reads and dispatches complete requests.
    // Returns true when `extraReadable` is readable.
    bool Poll(int timeoutMs, int extraReadable = -1);
    // Queues a response packet to `connection` (ignored when the connection is gone).
    void Send(int connection, std::int32_t requestId, std::int32_t type, const std::string& body);
    // Number of open client connections.
    std::size_t ConnectionCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace sim
