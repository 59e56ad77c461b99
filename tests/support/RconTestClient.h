#pragma once
// A small blocking RCON client for tests: it writes packets (well formed or not) and reads the
// server's answers with a timeout. Run it on its own thread while the test thread polls the server.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "os/Sockets.h"

namespace testing_support {

struct RconReply {
    std::int32_t id = 0;
    std::int32_t type = 0;
    std::string body;
};

class RconTestClient {
public:
    // Connects to 127.0.0.1:port; Connected() tells whether that worked.
    explicit RconTestClient(std::uint16_t port);
    ~RconTestClient();
    RconTestClient(const RconTestClient&) = delete;
    RconTestClient& operator=(const RconTestClient&) = delete;

    // Whether the connection was made and has not failed since.
    bool Connected() const { return socket_ != sim::os::kNoSocket; }
    // The encoding of one well-formed packet.
    static std::string Encode(std::int32_t id, std::int32_t type, std::string_view body);
    // Writes raw bytes; false when the connection refused them.
    bool SendRaw(std::string_view bytes);
    // Writes one well-formed packet; false when the connection refused it.
    bool SendPacket(std::int32_t id, std::int32_t type, std::string_view body);
    // Stops sending (the server reads end of stream) while answers can still be read.
    void ShutdownSending();
    // Reads the next packet; nothing when the server closed, the wait timed out or the bytes were
    // not a packet.
    std::optional<RconReply> ReadPacket(int timeoutMs = 5000);
    // The bytes of the next single read (those already buffered first); empty on close or timeout.
    std::string ReadOnce(int timeoutMs = 5000);
    // Sends an authentication request and reads the verdict. Returns true when it carries `id`.
    bool Authenticate(std::string_view password, std::int32_t id = 1);
    // True when the server closes the connection within timeoutMs; packets before it are skipped.
    bool WaitForClose(int timeoutMs = 5000);

private:
    // Fills `buffer_` up to `size` bytes; false on close, error or timeout.
    bool ReadAtLeast(std::size_t size, int timeoutMs);

    sim::os::SocketHandle socket_ = sim::os::kNoSocket;
    std::string buffer_;
    bool closedByServer_ = false;
};

}  // namespace testing_support
