#include "rcon/RconServer.h"

#include <algorithm>
#include <deque>
#include <map>
#include <utility>
#include <vector>

#include "os/Polling.h"
#include "os/Sockets.h"
#include "rcon/RconPacket.h"

namespace sim {
namespace {

using Clock = std::chrono::steady_clock;

// One read gives a client at most this much per Poll, so a busy client cannot starve the others.
constexpr std::size_t kReadChunkBytes = 16 * 1024;
constexpr std::size_t kReadBytesPerPoll = 64 * 1024;

struct Connection {
    os::SocketHandle socket = os::kNoSocket;
    std::string input;                // the start of a packet not yet complete
    std::deque<std::string> outgoing; // encoded packets not yet written, oldest first
    std::size_t frontWritten = 0;     // bytes of the oldest packet already written
    std::size_t outgoingBytes = 0;    // bytes of `outgoing` not yet written
    std::deque<rcon::Packet> pending;
    bool authenticated = false;
    bool closeWhenFlushed = false;  // no more requests: close once the answers are out
    bool broken = false;            // close at the end of this Poll, unsent answers dropped
    Clock::time_point connectedAt;
    Clock::time_point lastInput;
    Clock::time_point lastOutputProgress;
    Clock::time_point nextPacketAt;  // the next packet waits until then

    bool HasOutput() const { return !outgoing.empty(); }
    // The next packet may be written now.
    bool MayWrite(Clock::time_point now) const { return HasOutput() && now >= nextPacketAt; }
};

}  // namespace

struct RconServer::Impl {
    std::string password;
    RequestHandler handler;
    EventHandler events;
    Limits limits;
    os::SocketHandle listener = os::kNoSocket;
    std::uint16_t port = 0;
    int nextConnectionId = 1;  // ids are never reused, so an answer for a gone client goes nowhere
    std::map<int, Connection> connections;

    ~Impl()
    {
        for (auto& entry : connections)
            os::CloseSocket(entry.second.socket);
        os::CloseSocket(listener);
    }

    void Report(int connectionId, Event event) const
    {
        if (events)
            events(connectionId, event);
    }

    void AcceptWaitingClients(Clock::time_point now)
    {
        for (;;) {
            const os::SocketHandle client = os::AcceptConnection(listener);
            if (client == os::kNoSocket)
                return;
            if (connections.size() >= limits.maxConnections) {
                os::CloseSocket(client);
                Report(0, Event::TurnedAway);
                continue;
            }
            Connection& connection = connections[nextConnectionId++];
            connection.socket = client;
            connection.connectedAt = now;
            connection.lastInput = now;
            connection.lastOutputProgress = now;
        }
    }

    // Writes queued packets, each in a write of its own, as far as the socket and the spacing
    // between packets allow.
    void Flush(Connection& connection, Clock::time_point now)
    {
        while (!connection.broken && connection.MayWrite(now)) {
            const std::string& packet = connection.outgoing.front();
            std::size_t moved = 0;
            const os::IoStatus status = os::SendSome(connection.socket, packet.data() + connection.frontWritten,
                                                     packet.size() - connection.frontWritten, moved);
            if (status == os::IoStatus::Failed || status == os::IoStatus::Closed) {
                connection.broken = true;
                return;
            }
            if (status != os::IoStatus::Done || moved == 0)
                return;
            connection.frontWritten += moved;
            connection.outgoingBytes -= moved;
            connection.lastOutputProgress = now;
            if (connection.frontWritten == packet.size()) {
                connection.outgoing.pop_front();
                connection.frontWritten = 0;
                connection.nextPacketAt = now + limits.packetSpacing;
            }
        }
    }

    // Moves every complete packet of the input into the pending requests; false when the input is
    // malformed or floods.
    bool TakeCompletePackets(Connection& connection)
    {
        std::size_t offset = 0;
        bool healthy = true;
        while (healthy) {
            rcon::Packet packet;
            std::size_t consumed = 0;
            std::string problem;
            const auto view = std::string_view(connection.input).substr(offset);
            const rcon::DecodeStatus status = rcon::DecodePacket(view, packet, consumed, problem);
            if (status == rcon::DecodeStatus::NeedMore)
                break;
            if (status == rcon::DecodeStatus::Malformed) {
                healthy = false;
                break;
            }
            offset += consumed;
            connection.pending.push_back(std::move(packet));
            healthy = connection.pending.size() <= limits.maxPendingRequests;
        }
        connection.input.erase(0, offset);
        return healthy;
    }

    void ReadFrom(Connection& connection, Clock::time_point now)
    {
        char chunk[kReadChunkBytes];
        std::size_t readThisPoll = 0;
        while (readThisPoll < kReadBytesPerPoll) {
            std::size_t moved = 0;
            const os::IoStatus status = os::ReceiveSome(connection.socket, chunk, sizeof(chunk), moved);
            if (status == os::IoStatus::WouldBlock)
                return;
            if (status == os::IoStatus::Failed) {
                connection.broken = true;
                return;
            }
            if (status == os::IoStatus::Closed) {
                // A client may send its last request and close its sending side: it still gets
                // its answers. One that stops inside a packet gets nothing more.
                if (connection.input.empty())
                    connection.closeWhenFlushed = true;
                else
                    connection.broken = true;
                return;
            }
            readThisPoll += moved;
            connection.input.append(chunk, moved);
            connection.lastInput = now;
            if (!TakeCompletePackets(connection)) {
                connection.broken = true;
                return;
            }
        }
    }

    void SendPacket(Connection& connection, std::int32_t id, std::int32_t type, const std::string& body)
    {
        if (connection.broken)
            return;
        std::vector<std::string> packets;
        std::size_t bytes = 0;
        std::size_t offset = 0;
        do {
            const std::size_t length = std::min(rcon::kMaxBodyBytes, body.size() - offset);
            packets.emplace_back();
            rcon::AppendPacket(packets.back(), id, type, std::string_view(body).substr(offset, length));
            bytes += packets.back().size();
            offset += length;
        } while (offset < body.size());
        if (connection.outgoingBytes + bytes > limits.maxBufferedOutput) {
            connection.broken = true;  // the client does not read its answers
            return;
        }
        const Clock::time_point now = Clock::now();
        if (!connection.HasOutput())
            connection.lastOutputProgress = now;
        for (std::string& packet : packets)
            connection.outgoing.push_back(std::move(packet));
        connection.outgoingBytes += bytes;
        Flush(connection, now);
    }

    // Answers an authentication request. The empty response before the verdict is what game
    // servers send and what many clients wait for; on a wrong password it carries id -1 as well,
    // since some clients take the first packet that arrives as the verdict.
    void Authenticate(int connectionId, Connection& connection, const rcon::Packet& request)
    {
        const bool granted = !password.empty() && request.body == password;
        const std::int32_t answerId = granted ? request.id : -1;
        SendPacket(connection, answerId, rcon::kTypeResponseValue, std::string());
        SendPacket(connection, answerId, rcon::kTypeAuthResponse, std::string());
        connection.authenticated = granted;
        if (!granted) {
            connection.pending.clear();
            connection.closeWhenFlushed = true;
        }
        Report(connectionId, granted ? Event::LoggedIn : Event::WrongPassword);
    }

    void Dispatch(int connectionId)
    {
        // The handler may Send to any connection; it cannot add or remove one, so the reference
        // into the map stays valid.
        Connection& connection = connections.at(connectionId);
        while (!connection.broken && !connection.pending.empty()) {
            rcon::Packet request = std::move(connection.pending.front());
            connection.pending.pop_front();
            if (request.type == rcon::kTypeAuth) {
                Authenticate(connectionId, connection, request);
            } else if (!connection.authenticated) {
                connection.broken = true;  // nothing but authentication before authentication
            } else if (request.type == rcon::kTypeExecCommand) {
                if (handler)
                    handler(connectionId, request.id, request.body);
            } else if (request.type == rcon::kTypeResponseValue) {
                // Clients send an empty response value after a command to learn where a
                // multi-packet answer ends; mirroring it back tells them.
                SendPacket(connection, request.id, rcon::kTypeResponseValue, std::string());
            }
            // Other types mean nothing to this server and are ignored.
        }
    }

    // When a logged-in client with nothing in flight counts as idle from.
    static Clock::time_point IdleSince(const Connection& connection)
    {
        return std::max(connection.lastInput, connection.lastOutputProgress);
    }

    static bool IsQuiet(const Connection& connection)
    {
        return connection.authenticated && connection.input.empty() && connection.pending.empty() && !connection.HasOutput();
    }

    void CloseStalled(Clock::time_point now)
    {
        for (auto& [id, connection] : connections) {
            if (connection.broken)
                continue;
            if (connection.HasOutput() && now - connection.lastOutputProgress >= limits.stallTimeout)
                connection.broken = true;
            else if (connection.closeWhenFlushed)
                continue;  // already on its way out
            else if (!connection.input.empty() && now - connection.lastInput >= limits.stallTimeout)
                connection.broken = true;
            else if (!connection.authenticated && now - connection.connectedAt >= limits.loginTimeout) {
                connection.closeWhenFlushed = true;
                Report(id, Event::LoginTimedOut);
            } else if (IsQuiet(connection) && now - IdleSince(connection) >= limits.idleTimeout) {
                connection.closeWhenFlushed = true;
                Report(id, Event::IdleTimedOut);
            }
        }
    }

    void RemoveClosed()
    {
        for (auto it = connections.begin(); it != connections.end();) {
            Connection& connection = it->second;
            const bool done = connection.broken || (connection.closeWhenFlushed && !connection.HasOutput());
            if (!done) {
                ++it;
                continue;
            }
            if (!connection.broken)
                os::ShutdownSending(connection.socket);
            os::CloseSocket(connection.socket);
            it = connections.erase(it);
        }
    }

    // The wait may not outlast the first deadline (a stall, a login or idle timeout, the next
    // paced packet), or a client would hold its connection for as long as the caller's timeout.
    int WaitLimit(int timeoutMs, Clock::time_point now) const
    {
        auto limit = timeoutMs < 0 ? Clock::duration::max() : Clock::duration(std::chrono::milliseconds(timeoutMs));
        for (const auto& entry : connections) {
            const Connection& connection = entry.second;
            if (connection.HasOutput()) {
                limit = std::min(limit, connection.lastOutputProgress + limits.stallTimeout - now);
                // Only a spacing still to come bounds the wait: once it has run out, the socket's
                // room does, and counting it again would make the wait 0 and spin.
                if (connection.nextPacketAt > now)
                    limit = std::min(limit, connection.nextPacketAt - now);
            }
            if (connection.closeWhenFlushed)
                continue;
            if (!connection.input.empty())
                limit = std::min(limit, connection.lastInput + limits.stallTimeout - now);
            if (!connection.authenticated)
                limit = std::min(limit, connection.connectedAt + limits.loginTimeout - now);
            else if (IsQuiet(connection))
                limit = std::min(limit, IdleSince(connection) + limits.idleTimeout - now);
        }
        if (limit == Clock::duration::max())
            return -1;
        if (limit <= Clock::duration::zero())
            return 0;
        // Round up, so the wait does not end a hair before the deadline and spin.
        return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(limit).count());
    }
};

RconServer::RconServer(std::string password, RequestHandler handler) : impl_(std::make_unique<Impl>())
{
    impl_->password = std::move(password);
    impl_->handler = std::move(handler);
}

RconServer::~RconServer() = default;

bool RconServer::Listen(std::uint16_t port, std::string& error)
{
    if (impl_->listener != os::kNoSocket) {
        error = "already listening on port " + std::to_string(impl_->port);
        return false;
    }
    const os::SocketHandle listener = os::ListenOnLoopback(port, error);
    if (listener == os::kNoSocket)
        return false;
    impl_->listener = listener;
    impl_->port = os::LocalPort(listener);
    return true;
}

void RconServer::SetLimits(const Limits& limits) { impl_->limits = limits; }

const RconServer::Limits& RconServer::CurrentLimits() const { return impl_->limits; }

void RconServer::SetEventHandler(EventHandler handler) { impl_->events = std::move(handler); }

std::uint16_t RconServer::Port() const { return impl_->port; }

bool RconServer::Poll(int timeoutMs, int extraReadable)
{
    Impl& server = *impl_;
    std::vector<os::WatchedSocket> watched;
    std::vector<int> watchedIds;
    if (server.listener != os::kNoSocket)
        watched.push_back({server.listener, true, false});
    const Clock::time_point before = Clock::now();
    for (const auto& [id, connection] : server.connections) {
        // A refused client is not read from any more; its socket still reports a hang-up. Room to
        // write is asked for only once the next packet's spacing has passed.
        watched.push_back({connection.socket, !connection.closeWhenFlushed, connection.MayWrite(before)});
        watchedIds.push_back(id);
    }

    const bool extraReady =
        os::WaitForActivity(watched, extraReadable, server.WaitLimit(timeoutMs, before));
    const Clock::time_point now = Clock::now();

    std::size_t index = 0;
    if (server.listener != os::kNoSocket) {
        if (watched[0].readable)
            server.AcceptWaitingClients(now);
        index = 1;
    }
    for (const int id : watchedIds) {
        const os::WatchedSocket& result = watched[index++];
        Connection& connection = server.connections.at(id);
        // A packet whose spacing ran out during the wait goes now; the write says if there is room.
        if (result.writable || connection.MayWrite(now))
            server.Flush(connection, now);
        if (result.readable && !connection.closeWhenFlushed && !connection.broken)
            server.ReadFrom(connection, now);
    }
    for (const int id : watchedIds)
        server.Dispatch(id);
    server.CloseStalled(now);
    server.RemoveClosed();
    return extraReady;
}

void RconServer::Send(int connection, std::int32_t requestId, std::int32_t type, const std::string& body)
{
    const auto found = impl_->connections.find(connection);
    if (found != impl_->connections.end())
        impl_->SendPacket(found->second, requestId, type, body);
}

std::size_t RconServer::ConnectionCount() const { return impl_->connections.size(); }

}  // namespace sim
