#include "rcon/RconServer.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "os/Polling.h"
#include "os/Sockets.h"
#include "rcon/LoginPenalty.h"
#include "rcon/NoticeThrottle.h"
#include "rcon/RconPacket.h"

namespace sim {
namespace {

using Clock = std::chrono::steady_clock;

// One read gives a client at most this much per Poll, so a busy client cannot starve the others.
constexpr std::size_t kReadChunkBytes = 16 * 1024;
constexpr std::size_t kReadBytesPerPoll = 64 * 1024;
// New clients taken per Poll: however fast others arrive, the clients already connected are
// served between two batches.
constexpr int kAcceptsPerPoll = 64;

struct Connection {
    os::SocketHandle socket = os::kNoSocket;
    std::uint32_t address = 0;        // the client's IPv4 address, for the login penalty
    std::string input;                // the start of a packet not yet complete
    std::deque<std::string> outgoing; // encoded packets not yet written, oldest first
    std::size_t frontWritten = 0;     // bytes of the oldest packet already written
    std::size_t outgoingBytes = 0;    // bytes of `outgoing` not yet written
    std::deque<rcon::Packet> pending; // requests not yet answered, oldest first
    std::optional<Clock::time_point> loginCheckAt;  // the login at the head of `pending` is checked then
    bool authenticated = false;
    bool closeWhenFlushed = false;  // no more requests read: close once the answers are out
    bool broken = false;            // close at the end of this Poll, unsent answers dropped
    Clock::time_point connectedAt;
    Clock::time_point lastInput;
    Clock::time_point lastOutputProgress;
    Clock::time_point nextPacketAt;  // the next packet waits until then

    bool HasOutput() const { return !outgoing.empty(); }
    // The next packet may be written now.
    bool MayWrite(Clock::time_point now) const { return HasOutput() && now >= nextPacketAt; }
    // On its way out: it no longer holds one of the places.
    bool Closing() const { return broken || closeWhenFlushed; }
    // Has sent a login that waits for its check.
    bool LoginWaiting() const { return !pending.empty() && pending.front().type == rcon::kTypeAuth; }
};

// "5 s", "0.3 s", "10 min": a limit as the operator reads it.
std::string DurationText(std::chrono::milliseconds duration)
{
    const long long ms = duration.count();
    if (ms > 0 && ms % 60000 == 0)
        return std::to_string(ms / 60000) + " min";
    char text[32];
    std::snprintf(text, sizeof(text), "%g s", static_cast<double>(ms) / 1000.0);
    return text;
}

std::string ByteText(std::size_t bytes)
{
    constexpr std::size_t kKiB = 1024;
    if (bytes > 0 && bytes % (kKiB * kKiB) == 0)
        return std::to_string(bytes / (kKiB * kKiB)) + " MiB";
    if (bytes > 0 && bytes % kKiB == 0)
        return std::to_string(bytes / kKiB) + " KiB";
    return std::to_string(bytes) + " bytes";
}

std::string AddressText(std::uint32_t address)
{
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFFu) + "." +
           std::to_string((address >> 8) & 0xFFu) + "." + std::to_string(address & 0xFFu);
}

std::string ClientText(int connection) { return "rcon: client " + std::to_string(connection); }

}  // namespace

struct RconServer::Impl {
    std::string password;
    RequestHandler handler;
    NoticeHandler notices;
    NoticeThrottle throttle;
    LoginPenalty penalty;
    Limits limits;
    os::SocketHandle listener = os::kNoSocket;
    std::uint16_t port = 0;
    int nextConnectionId = 1;  // ids are never reused, so an answer for a gone client goes nowhere
    std::map<int, Connection> connections;  // by id: oldest first

    ~Impl()
    {
        for (auto& entry : connections)
            os::CloseSocket(entry.second.socket);
        os::CloseSocket(listener);
    }

    void Deliver(const Notice& notice) const
    {
        if (notices)
            notices(notice);
    }

    void Report(Event event, int connectionId, std::string line, Clock::time_point now)
    {
        if (auto notice = throttle.Offer({event, connectionId, std::move(line), 1}, now))
            Deliver(*notice);
    }

    // Closes at the end of this Poll, dropping what was not sent, and says why.
    void Drop(int connectionId, Connection& connection, Event event, const std::string& why, Clock::time_point now)
    {
        connection.broken = true;
        Report(event, connectionId, ClientText(connectionId) + " closed: " + why, now);
    }

    // Reads no more from the client and closes once its answers are out, and says why.
    void Retire(int connectionId, Connection& connection, Event event, const std::string& why, Clock::time_point now)
    {
        connection.closeWhenFlushed = true;
        Report(event, connectionId, ClientText(connectionId) + " closed: " + why, now);
    }

    std::size_t OpenPlaces() const
    {
        return static_cast<std::size_t>(std::count_if(connections.begin(), connections.end(),
                                                      [](const auto& entry) { return !entry.second.Closing(); }));
    }

    // The client whose place a newcomer takes when all are held: the oldest that has neither
    // logged in nor sent a login, once Limits::loginGrace has passed since it connected (time
    // enough for a login on its way). A login that was sent keeps its place until it is checked,
    // which is never later than Limits::longestLoginWait. Null when no client may give up its
    // place now; `placeFreeAt` then tells when one may (nothing when all are logged in).
    Connection* Displaceable(Clock::time_point now, int& id, std::optional<Clock::time_point>& placeFreeAt)
    {
        placeFreeAt.reset();
        for (auto& [candidateId, connection] : connections) {
            if (connection.Closing() || connection.authenticated)
                continue;
            Clock::time_point mayGo = connection.connectedAt + limits.loginGrace;
            if (connection.LoginWaiting())
                mayGo = connection.loginCheckAt.value_or(now);
            else if (now >= mayGo) {
                id = candidateId;
                return &connection;
            }
            placeFreeAt = placeFreeAt ? std::min(*placeFreeAt, mayGo) : mayGo;
        }
        return nullptr;
    }

    // Until when newcomers are left waiting in the listen queue: every place is held and no
    // client may give up its own yet. A crowd that connects and says nothing must never keep an
    // admin out, and an admin's login must not lose a race against the crowd: while the admin
    // waits in the queue its login arrives, and it is read as soon as the admin is let in.
    std::optional<Clock::time_point> NewcomersWaitUntil(Clock::time_point now)
    {
        if (OpenPlaces() < limits.maxConnections)
            return std::nullopt;
        int id = 0;
        std::optional<Clock::time_point> placeFreeAt;
        if (Displaceable(now, id, placeFreeAt) != nullptr)
            return std::nullopt;
        return placeFreeAt;  // nothing when all are logged in: a newcomer is turned away at once
    }

    void AcceptWaitingClients(Clock::time_point now)
    {
        for (int taken = 0; taken < kAcceptsPerPoll && !NewcomersWaitUntil(now); ++taken) {
            std::uint32_t address = 0;
            const os::SocketHandle client = os::AcceptConnection(listener, address);
            if (client == os::kNoSocket)
                return;
            if (OpenPlaces() >= limits.maxConnections) {
                int id = 0;
                std::optional<Clock::time_point> placeFreeAt;
                Connection* displaced = Displaceable(now, id, placeFreeAt);
                if (displaced == nullptr) {
                    os::CloseSocket(client);
                    Report(Event::TurnedAway, 0,
                           "rcon: a client was turned away: " + std::to_string(limits.maxConnections) + " clients are logged in", now);
                    continue;
                }
                Drop(id, *displaced, Event::MadeRoom, "not logged in, its place taken by a new client", now);
            }
            const int id = nextConnectionId++;
            Connection& connection = connections[id];
            connection.socket = client;
            connection.address = address;
            connection.connectedAt = now;
            connection.lastInput = now;
            connection.lastOutputProgress = now;
            // A login sent right after connecting is usually here already: taken now, it makes
            // the client a logged-in one before anyone arriving later could take its place.
            ReadFrom(id, connection, now);
            Dispatch(id, now);
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

    // Moves every complete packet of the input into the pending requests; closes the connection
    // and returns false when the input is malformed or more requests wait than the queue holds.
    bool TakeCompletePackets(int connectionId, Connection& connection, Clock::time_point now)
    {
        std::size_t offset = 0;
        for (;;) {
            rcon::Packet packet;
            std::size_t consumed = 0;
            std::string problem;
            const auto view = std::string_view(connection.input).substr(offset);
            const rcon::DecodeStatus status = rcon::DecodePacket(view, packet, consumed, problem);
            if (status == rcon::DecodeStatus::NeedMore)
                break;
            if (status == rcon::DecodeStatus::Malformed) {
                Drop(connectionId, connection, Event::Malformed, "malformed packet: " + problem, now);
                return false;
            }
            offset += consumed;
            if (connection.pending.size() >= limits.maxPendingRequests) {
                Drop(connectionId, connection, Event::TooManyRequests,
                     "more than " + std::to_string(limits.maxPendingRequests) + " requests waiting", now);
                return false;
            }
            connection.pending.push_back(std::move(packet));
        }
        connection.input.erase(0, offset);
        return true;
    }

    void ReadFrom(int connectionId, Connection& connection, Clock::time_point now)
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
                // A client may send its last requests and close its sending side: it still gets
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
            if (!TakeCompletePackets(connectionId, connection, now))
                return;
        }
    }

    void SendPacket(int connectionId, Connection& connection, std::int32_t id, std::int32_t type, const std::string& body)
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
        const Clock::time_point now = Clock::now();
        if (connection.outgoingBytes + bytes > limits.maxBufferedOutput) {
            Drop(connectionId, connection, Event::UnreadAnswers,
                 "more than " + ByteText(limits.maxBufferedOutput) + " of answers not read", now);
            return;
        }
        if (!connection.HasOutput())
            connection.lastOutputProgress = now;
        for (std::string& packet : packets)
            connection.outgoing.push_back(std::move(packet));
        connection.outgoingBytes += bytes;
        Flush(connection, now);
    }

    // Answers a login with the verdict alone, as the game does: clients that read a whole
    // buffer at once would lose a second packet that arrived with it. A wrong password is
    // answered with id -1 and closes the connection; logins from its address wait longer.
    void Authenticate(int connectionId, Connection& connection, const rcon::Packet& request, Clock::time_point now)
    {
        const bool granted = !password.empty() && request.body == password;
        SendPacket(connectionId, connection, granted ? request.id : -1, rcon::kTypeAuthResponse, std::string());
        connection.authenticated = granted;
        if (granted) {
            Report(Event::LoggedIn, connectionId, ClientText(connectionId) + " logged in", now);
            return;
        }
        connection.pending.clear();
        connection.closeWhenFlushed = true;
        const auto wait = penalty.RecordFailure(connection.address, now);
        std::string line = ClientText(connectionId) + " gave a wrong password; connection closed";
        if (wait.count() > 0)
            line += "; logins from " + AddressText(connection.address) + " now wait " + DurationText(wait);
        Report(Event::WrongPassword, connectionId, std::move(line), now);
    }

    // Answers the client's requests in order, the next only once the answer before is out, so
    // that a client that sends many at once costs the game thread no more than one that waits.
    void Dispatch(int connectionId, Clock::time_point now)
    {
        // The handler may Send to any connection; it cannot add or remove one, so the reference
        // into the map stays valid.
        Connection& connection = connections.at(connectionId);
        while (!connection.broken && !connection.pending.empty() && !connection.HasOutput()) {
            if (connection.LoginWaiting()) {
                if (!connection.loginCheckAt)
                    connection.loginCheckAt = now + penalty.WaitFor(connection.address, now);
                if (now < *connection.loginCheckAt)
                    return;
                connection.loginCheckAt.reset();
            }
            const rcon::Packet request = std::move(connection.pending.front());
            connection.pending.pop_front();
            if (request.type == rcon::kTypeAuth) {
                Authenticate(connectionId, connection, request, now);
            } else if (!connection.authenticated) {
                Drop(connectionId, connection, Event::CommandBeforeLogin, "a request before logging in", now);
            } else if (request.type == rcon::kTypeExecCommand) {
                if (handler)
                    handler(connectionId, request.id, request.body);
            } else if (request.type == rcon::kTypeResponseValue) {
                // Clients send an empty response value after a command to learn where a
                // multi-packet answer ends; mirroring it back tells them.
                SendPacket(connectionId, connection, request.id, rcon::kTypeResponseValue, std::string());
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

    // A client that has sent no login yet: the login timeout runs.
    static bool AwaitsLogin(const Connection& connection)
    {
        return !connection.authenticated && connection.pending.empty();
    }

    void CloseStalled(Clock::time_point now)
    {
        for (auto& [id, connection] : connections) {
            if (connection.broken)
                continue;
            if (connection.HasOutput() && now - connection.lastOutputProgress >= limits.stallTimeout)
                Drop(id, connection, Event::UnreadAnswers, "answers not read for " + DurationText(limits.stallTimeout), now);
            else if (connection.closeWhenFlushed)
                continue;  // already on its way out
            else if (!connection.input.empty() && now - connection.lastInput >= limits.stallTimeout)
                Drop(id, connection, Event::StalledInput,
                     "silent for " + DurationText(limits.stallTimeout) + " in the middle of a packet", now);
            else if (AwaitsLogin(connection) && now - connection.connectedAt >= limits.loginTimeout)
                Retire(id, connection, Event::LoginTimedOut, "no login within " + DurationText(limits.loginTimeout), now);
            else if (IsQuiet(connection) && now - IdleSince(connection) >= limits.idleTimeout)
                Retire(id, connection, Event::IdleTimedOut, "idle for " + DurationText(limits.idleTimeout), now);
        }
    }

    void ReleaseDueNotices(Clock::time_point now)
    {
        for (const Notice& notice : throttle.TakeDue(now))
            Deliver(notice);
    }

    void RemoveClosed()
    {
        for (auto it = connections.begin(); it != connections.end();) {
            Connection& connection = it->second;
            const bool done = connection.broken ||
                              (connection.closeWhenFlushed && !connection.HasOutput() && connection.pending.empty());
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

    // The wait may not outlast the first deadline (a stall, a login or idle timeout, a login's
    // check, the next paced packet, a held notice), or a client would hold its connection, and a
    // notice stay unsaid, for as long as the caller's timeout.
    int WaitLimit(int timeoutMs, Clock::time_point now) const
    {
        auto limit = timeoutMs < 0 ? Clock::duration::max() : Clock::duration(std::chrono::milliseconds(timeoutMs));
        if (const auto due = throttle.NextDue())
            limit = std::min(limit, *due - now);
        for (const auto& entry : connections) {
            const Connection& connection = entry.second;
            if (connection.HasOutput()) {
                limit = std::min(limit, connection.lastOutputProgress + limits.stallTimeout - now);
                // Only a spacing still to come bounds the wait: once it has run out, the socket's
                // room does, and counting it again would make the wait 0 and spin.
                if (connection.nextPacketAt > now)
                    limit = std::min(limit, connection.nextPacketAt - now);
            }
            if (connection.loginCheckAt)
                limit = std::min(limit, *connection.loginCheckAt - now);
            if (connection.closeWhenFlushed)
                continue;
            if (!connection.input.empty())
                limit = std::min(limit, connection.lastInput + limits.stallTimeout - now);
            if (AwaitsLogin(connection))
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
    SetLimits(impl_->limits);
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

void RconServer::SetLimits(const Limits& limits)
{
    impl_->limits = limits;
    LoginPenalty::Settings penalty;
    penalty.firstWait = limits.loginWait;
    penalty.longestWait = limits.longestLoginWait;
    impl_->penalty.Configure(penalty);
}

const RconServer::Limits& RconServer::CurrentLimits() const { return impl_->limits; }

void RconServer::SetNoticeHandler(NoticeHandler handler) { impl_->notices = std::move(handler); }

std::uint16_t RconServer::Port() const { return impl_->port; }

bool RconServer::Poll(int timeoutMs, int extraReadable)
{
    Impl& server = *impl_;
    std::vector<os::WatchedSocket> watched;
    std::vector<int> watchedIds;
    const Clock::time_point before = Clock::now();
    // Newcomers left in the listen queue for now: the wait ends when one may be let in.
    const std::optional<Clock::time_point> newcomersWait = server.NewcomersWaitUntil(before);
    if (server.listener != os::kNoSocket)
        watched.push_back({server.listener, !newcomersWait, false});
    for (const auto& [id, connection] : server.connections) {
        // A refused client is not read from any more; its socket still reports a hang-up. Room to
        // write is asked for only once the next packet's spacing has passed.
        watched.push_back({connection.socket, !connection.closeWhenFlushed, connection.MayWrite(before)});
        watchedIds.push_back(id);
    }

    int waitMs = server.WaitLimit(timeoutMs, before);
    if (newcomersWait) {
        const auto untilLetIn = std::chrono::ceil<std::chrono::milliseconds>(*newcomersWait - before).count();
        waitMs = waitMs < 0 ? static_cast<int>(untilLetIn) : std::min(waitMs, static_cast<int>(std::max<long long>(untilLetIn, 0)));
    }
    const bool extraReady = os::WaitForActivity(watched, extraReadable, waitMs);
    const Clock::time_point now = Clock::now();

    std::size_t index = server.listener != os::kNoSocket ? 1 : 0;
    for (const int id : watchedIds) {
        const os::WatchedSocket& result = watched[index++];
        Connection& connection = server.connections.at(id);
        // A packet whose spacing ran out during the wait goes now; the write says if there is room.
        if (result.writable || connection.MayWrite(now))
            server.Flush(connection, now);
        if (result.readable && !connection.closeWhenFlushed && !connection.broken)
            server.ReadFrom(id, connection, now);
    }
    for (const int id : watchedIds)
        server.Dispatch(id, now);
    // The clients already connected are read first: a login that has arrived counts before a
    // newcomer could take its place.
    if (server.listener != os::kNoSocket && (watched[0].readable || newcomersWait))
        server.AcceptWaitingClients(now);
    server.CloseStalled(now);
    server.ReleaseDueNotices(now);
    server.RemoveClosed();
    return extraReady;
}

void RconServer::Send(int connection, std::int32_t requestId, std::int32_t type, const std::string& body)
{
    const auto found = impl_->connections.find(connection);
    if (found != impl_->connections.end())
        impl_->SendPacket(connection, found->second, requestId, type, body);
}

std::size_t RconServer::ConnectionCount() const { return impl_->connections.size(); }

}  // namespace sim
