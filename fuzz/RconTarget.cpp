// Fuzz target: what an RCON client sends to the simulated server. The first byte says how the
// rest is cut into writes (0: all at once, N: N bytes a write); the rest is the byte stream.
// The stream is decoded packet by packet with DecodePacket, which must be exact about where a
// packet ends, and then sent over loopback to a live RconServer, which keeps the half-read packet,
// the pending requests and the login between reads. The listener must answer only in whole
// packets and must let go of the connection once the client resets it.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <sys/socket.h>
#include <unistd.h>

#include "FuzzSupport.h"
#include "os/Sockets.h"
#include "rcon/RconPacket.h"
#include "rcon/RconServer.h"

namespace {

namespace rcon = sim::rcon;
namespace os = sim::os;

constexpr const char* kPassword = "fuzz";
// Polls allowed for one step (an accept, a close) before the listener counts as stuck.
constexpr int kPatience = 200;
// Writes in a row that find the client's buffer full before the client stops sending.
constexpr int kMaxBlockedWrites = 50;

// One listener for the whole run: a new connection per input.
class Listener {
public:
    Listener()
        : server_(kPassword, [this](int connection, std::int32_t id, const std::string& body) {
              // Twice the body: a long request gets an answer of several packets.
              server_.Send(connection, id, rcon::kTypeResponseValue, body + body);
          })
    {
        std::string error;
        FUZZ_CHECK(os::StartSockets(error), error);
        FUZZ_CHECK(server_.Listen(0, error), error);
        sim::RconServer::Limits limits = server_.CurrentLimits();
        limits.packetSpacing = std::chrono::milliseconds(0);  // no waiting between answer packets
        // Wrong passwords from every input would soon make every login wait: the inputs that
        // log in would stop reaching the commands.
        limits.loginWait = std::chrono::milliseconds(0);
        server_.SetLimits(limits);
    }

    sim::RconServer& Server() { return server_; }

private:
    sim::RconServer server_;
};

Listener& TheListener()
{
    static Listener* listener = new Listener();  // never destroyed: the run ends with the process
    return *listener;
}

std::int32_t DeclaredSize(std::string_view data)
{
    std::uint32_t bits = 0;
    for (int index = 3; index >= 0; --index) {
        bits = (bits << 8) | static_cast<unsigned char>(data[static_cast<std::size_t>(index)]);
    }
    return static_cast<std::int32_t>(bits);
}

// Decodes the stream packet by packet: a complete packet encodes back to exactly its bytes, any
// shorter piece of it needs more, and "need more" is only said when the packet is not all there.
void CheckDecoder(std::string_view stream)
{
    std::size_t offset = 0;
    for (;;) {
        const std::string_view rest = stream.substr(offset);
        rcon::Packet packet;
        std::size_t consumed = 0;
        std::string problem;
        const rcon::DecodeStatus status = rcon::DecodePacket(rest, packet, consumed, problem);
        if (status == rcon::DecodeStatus::NeedMore) {
            FUZZ_CHECK(rest.size() < rcon::kSizeFieldBytes ||
                           rest.size() < rcon::kSizeFieldBytes + static_cast<std::size_t>(DeclaredSize(rest)),
                       "need more, with the whole packet there");
            return;
        }
        if (status == rcon::DecodeStatus::Malformed) {
            FUZZ_CHECK(!problem.empty(), "a malformed packet without a reason");
            return;
        }
        FUZZ_CHECK(consumed >= rcon::kSizeFieldBytes + rcon::kMinPacketSize && consumed <= rest.size(), "consumed out of range");
        std::string encoded;
        rcon::AppendPacket(encoded, packet.id, packet.type, packet.body);
        FUZZ_CHECK(encoded == rest.substr(0, consumed), "a decoded packet does not encode back to its bytes");
        rcon::Packet partial;
        std::size_t partialConsumed = 0;
        FUZZ_CHECK(rcon::DecodePacket(rest.substr(0, consumed - 1), partial, partialConsumed, problem) == rcon::DecodeStatus::NeedMore,
                   "a packet short of its last byte does not need more");
        offset += consumed;
    }
}

// Reads what the server sent so far; false once the server closed the connection.
bool Drain(os::SocketHandle client, std::string& received)
{
    char buffer[16 * 1024];
    for (;;) {
        const ssize_t got = recv(client, buffer, sizeof(buffer), MSG_DONTWAIT);
        if (got > 0) {
            received.append(buffer, static_cast<std::size_t>(got));
            continue;
        }
        // libFuzzer's timeout alarm may interrupt any call: that is no close.
        if (got < 0 && errno == EINTR)
            continue;
        return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

// The server's answers: whole packets, perhaps with the start of one more still on its way.
void CheckAnswers(std::string_view received)
{
    std::size_t offset = 0;
    for (;;) {
        rcon::Packet packet;
        std::size_t consumed = 0;
        std::string problem;
        const rcon::DecodeStatus status = rcon::DecodePacket(received.substr(offset), packet, consumed, problem);
        FUZZ_CHECK(status != rcon::DecodeStatus::Malformed, "the server sent a malformed packet: " + problem);
        if (status == rcon::DecodeStatus::NeedMore) {
            return;
        }
        offset += consumed;
    }
}

void DriveListener(std::string_view stream, std::size_t chunk)
{
    sim::RconServer& server = TheListener().Server();
    std::string error;
    const os::SocketHandle client = os::ConnectToLoopback(server.Port(), error);
    FUZZ_CHECK(client != os::kNoSocket, "cannot connect: " + error);
    for (int i = 0; i < kPatience && server.ConnectionCount() == 0; ++i) {
        server.Poll(10);
    }
    FUZZ_CHECK(server.ConnectionCount() == 1, "the listener did not take the connection");

    std::string received;
    bool open = true;
    int blocked = 0;
    for (std::size_t offset = 0; open && offset < stream.size() && blocked < kMaxBlockedWrites;) {
        const std::size_t length = std::min(chunk, stream.size() - offset);
        const ssize_t sent = send(client, stream.data() + offset, length, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            offset += static_cast<std::size_t>(sent);
            blocked = 0;
        } else if (sent < 0 && errno == EINTR) {
            continue;  // interrupted before anything was sent: send it again
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            ++blocked;
        } else {
            open = false;  // the server closed it (a bad packet, a wrong password)
        }
        server.Poll(0);
        open = Drain(client, received) && open;
    }
    for (int i = 0; i < 3 && open; ++i) {
        server.Poll(0);
        open = Drain(client, received);
    }
    CheckAnswers(received);

    // A reset, not an orderly close: no TIME_WAIT is left behind for the next of millions of runs.
    const linger abort{1, 0};
    setsockopt(client, SOL_SOCKET, SO_LINGER, &abort, sizeof(abort));
    os::CloseSocket(client);
    for (int i = 0; i < kPatience && server.ConnectionCount() != 0; ++i) {
        server.Poll(10);
    }
    FUZZ_CHECK(server.ConnectionCount() == 0, "the listener kept a connection the client reset");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const std::size_t chunk = data[0] == 0 ? size : data[0];
    const std::string_view stream(reinterpret_cast<const char*>(data) + 1, size - 1);
    CheckDecoder(stream);
    DriveListener(stream, chunk);
    return 0;
}
