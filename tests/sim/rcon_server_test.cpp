// The RCON listener against a real TCP client: authentication, command round trips, several
// clients, and hostile clients that must lose only their own connection.

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "rcon/RconServer.h"
#include "support/RconTestClient.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

using namespace std::chrono_literals;
using sim::RconServer;
using testing_support::RconReply;
using testing_support::RconTestClient;

constexpr const char* kPassword = "hunter2";
constexpr std::int32_t kTypeResponse = 0;
constexpr std::int32_t kTypeCommand = 2;
constexpr std::int32_t kTypeAuth = 3;

struct HandledRequest {
    int connection;
    std::int32_t id;
    std::string body;
};

class RconServerTest : public ::testing::Test {
protected:
    void SetUp() override { StartServer(kPassword); }

    void StartServer(const std::string& password)
    {
        server_ = std::make_unique<RconServer>(password, [this](int connection, std::int32_t id, const std::string& body) {
            handled_.push_back({connection, id, body});
            server_->Send(connection, id, kTypeResponse, "echo " + std::to_string(connection) + ": " + body);
        });
        server_->SetEventHandler([this](int connection, RconServer::Event event) { events_.push_back({connection, event}); });
        std::string error;
        ASSERT_TRUE(server_->Listen(0, error)) << error;
        ASSERT_NE(server_->Port(), 0);
    }

    // The events reported so far, without their connections.
    std::vector<RconServer::Event> Events() const
    {
        std::vector<RconServer::Event> kinds;
        for (const auto& [connection, event] : events_)
            kinds.push_back(event);
        return kinds;
    }

    // Runs `client` on its own thread while this thread polls the server, as the game thread does.
    template <class Client>
    auto WhilePolling(Client client)
    {
        auto done = std::async(std::launch::async, client);
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (done.wait_for(0ms) != std::future_status::ready && std::chrono::steady_clock::now() < deadline)
            server_->Poll(10);
        EXPECT_EQ(done.wait_for(0ms), std::future_status::ready) << "client did not finish";
        return done.get();
    }

    // Polls until the server holds `count` connections; false when that does not happen in time.
    bool PollUntilConnections(std::size_t count, std::chrono::milliseconds limit = 3s)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (server_->ConnectionCount() != count && std::chrono::steady_clock::now() < deadline)
            server_->Poll(10);
        return server_->ConnectionCount() == count;
    }

    // A client that authenticated before the hostile one arrived must still be served afterwards.
    void ExpectStillServed(RconTestClient& client, std::int32_t id)
    {
        const auto reply = WhilePolling([&] {
            client.SendPacket(id, kTypeCommand, "still here");
            return client.ReadPacket();
        });
        ASSERT_TRUE(reply.has_value());
        EXPECT_EQ(reply->id, id);
        EXPECT_EQ(reply->type, kTypeResponse);
        EXPECT_NE(reply->body.find(": still here"), std::string::npos) << reply->body;
    }

    std::unique_ptr<RconServer> server_;
    std::vector<HandledRequest> handled_;
    std::vector<std::pair<int, RconServer::Event>> events_;
};

using Event = RconServer::Event;

// --- Authentication -------------------------------------------------------------------------

TEST_F(RconServerTest, RightPasswordGetsEmptyResponseThenVerdictWithRequestId)
{
    RconTestClient client(server_->Port());
    ASSERT_TRUE(client.Connected());
    const auto replies = WhilePolling([&] {
        client.SendPacket(77, kTypeAuth, kPassword);
        return std::vector<std::optional<RconReply>>{client.ReadPacket(), client.ReadPacket()};
    });
    ASSERT_TRUE(replies[0] && replies[1]);
    EXPECT_EQ(replies[0]->type, kTypeResponse);
    EXPECT_EQ(replies[0]->id, 77);
    EXPECT_EQ(replies[0]->body, "");
    EXPECT_EQ(replies[1]->type, 2);
    EXPECT_EQ(replies[1]->id, 77);
    EXPECT_EQ(server_->ConnectionCount(), 1u);
    EXPECT_EQ(Events(), std::vector<Event>{Event::LoggedIn});
}

TEST_F(RconServerTest, WrongPasswordAnswersIdMinusOneAndCloses)
{
    RconTestClient client(server_->Port());
    const auto result = WhilePolling([&] {
        client.SendPacket(5, kTypeAuth, "guess");
        auto empty = client.ReadPacket();
        auto verdict = client.ReadPacket();
        // Even a command sent right after must not get through.
        client.SendPacket(6, kTypeCommand, "DinoTuner.Reload");
        return std::make_tuple(empty, verdict, client.WaitForClose());
    });
    const auto& [empty, verdict, closed] = result;
    ASSERT_TRUE(empty && verdict);
    EXPECT_EQ(empty->id, -1);
    EXPECT_EQ(verdict->type, 2);
    EXPECT_EQ(verdict->id, -1);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(handled_.empty());
    EXPECT_TRUE(PollUntilConnections(0));
    EXPECT_EQ(Events(), std::vector<Event>{Event::WrongPassword});
}

// Clients that decode only the first packet of each read must see the verdict on its own.
TEST_F(RconServerTest, EachAnswerPacketGoesOutInAReadOfItsOwn)
{
    RconServer::Limits limits;
    limits.packetSpacing = 400ms;
    server_->SetLimits(limits);
    RconTestClient client(server_->Port());
    const auto reads = WhilePolling([&] {
        client.SendPacket(8, kTypeAuth, kPassword);
        std::this_thread::sleep_for(200ms);  // long enough for both packets, were they not spaced
        std::string first = client.ReadOnce();
        return std::make_pair(first, client.ReadOnce());
    });
    EXPECT_EQ(reads.first, RconTestClient::Encode(8, kTypeResponse, ""));
    EXPECT_EQ(reads.second, RconTestClient::Encode(8, 2, ""));
}

TEST_F(RconServerTest, EmptyPasswordLetsNobodyIn)
{
    StartServer("");
    RconTestClient client(server_->Port());
    const bool granted = WhilePolling([&] { return client.Authenticate(""); });
    EXPECT_FALSE(granted);
}

TEST_F(RconServerTest, CommandBeforeAuthenticationIsRefusedByClosing)
{
    RconTestClient client(server_->Port());
    const bool closed = WhilePolling([&] {
        client.SendPacket(1, kTypeCommand, "DinoTuner.Reload");
        return client.WaitForClose();
    });
    EXPECT_TRUE(closed);
    EXPECT_TRUE(handled_.empty());
}

// --- Commands -------------------------------------------------------------------------------

TEST_F(RconServerTest, CommandReachesHandlerAndAnswerCarriesItsId)
{
    RconTestClient client(server_->Port());
    const auto reply = WhilePolling([&] {
        EXPECT_TRUE(client.Authenticate(kPassword, 1));
        client.SendPacket(4242, kTypeCommand, "DinoTuner.Reload");
        return client.ReadPacket();
    });
    ASSERT_EQ(handled_.size(), 1u);
    EXPECT_EQ(handled_[0].id, 4242);
    EXPECT_EQ(handled_[0].body, "DinoTuner.Reload");
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->id, 4242);
    EXPECT_EQ(reply->type, kTypeResponse);
    EXPECT_EQ(reply->body, "echo " + std::to_string(handled_[0].connection) + ": DinoTuner.Reload");
}

TEST_F(RconServerTest, AuthAndCommandsInOneWriteAreServedInOrder)
{
    RconTestClient client(server_->Port());
    const auto replies = WhilePolling([&] {
        client.SendRaw(RconTestClient::Encode(1, kTypeAuth, kPassword) + RconTestClient::Encode(2, kTypeCommand, "first") +
                       RconTestClient::Encode(3, kTypeCommand, "second"));
        std::vector<RconReply> received;
        for (int count = 0; count < 4; ++count)
            if (auto reply = client.ReadPacket())
                received.push_back(*reply);
        return received;
    });
    ASSERT_EQ(replies.size(), 4u);
    EXPECT_EQ(replies[1].id, 1);
    EXPECT_EQ(replies[2].id, 2);
    EXPECT_NE(replies[2].body.find(": first"), std::string::npos);
    EXPECT_EQ(replies[3].id, 3);
    EXPECT_NE(replies[3].body.find(": second"), std::string::npos);
}

TEST_F(RconServerTest, TwoClientsEachGetTheirOwnAnswers)
{
    RconTestClient first(server_->Port());
    RconTestClient second(server_->Port());
    const auto replies = WhilePolling([&] {
        EXPECT_TRUE(first.Authenticate(kPassword, 1));
        EXPECT_TRUE(second.Authenticate(kPassword, 1));
        // Same request id on both connections: only the connection tells the answers apart.
        first.SendPacket(10, kTypeCommand, "from first");
        second.SendPacket(10, kTypeCommand, "from second");
        return std::make_pair(first.ReadPacket(), second.ReadPacket());
    });
    ASSERT_TRUE(replies.first && replies.second);
    ASSERT_EQ(handled_.size(), 2u);
    EXPECT_NE(handled_[0].connection, handled_[1].connection);
    EXPECT_NE(replies.first->body.find(": from first"), std::string::npos) << replies.first->body;
    EXPECT_NE(replies.second->body.find(": from second"), std::string::npos) << replies.second->body;
}

TEST_F(RconServerTest, LongAnswerIsSplitIntoPacketsOfOneIdThatTheClientCanJoin)
{
    const std::string longAnswer(10000, 'x');
    server_ = std::make_unique<RconServer>(kPassword, [this, &longAnswer](int connection, std::int32_t id, const std::string&) {
        server_->Send(connection, id, kTypeResponse, longAnswer);
    });
    std::string error;
    ASSERT_TRUE(server_->Listen(0, error)) << error;
    RconTestClient client(server_->Port());
    const auto parts = WhilePolling([&] {
        EXPECT_TRUE(client.Authenticate(kPassword));
        client.SendPacket(9, kTypeCommand, "big");
        std::vector<RconReply> received;
        for (int count = 0; count < 3; ++count)
            if (auto reply = client.ReadPacket())
                received.push_back(*reply);
        return received;
    });
    ASSERT_EQ(parts.size(), 3u);
    std::string joined;
    for (const RconReply& part : parts) {
        EXPECT_EQ(part.id, 9);
        EXPECT_LE(part.body.size(), 4086u);
        joined += part.body;
    }
    EXPECT_EQ(joined, longAnswer);
}

TEST_F(RconServerTest, LargestPacketIsAcceptedAndAnEmptyResponseValueIsMirrored)
{
    RconTestClient client(server_->Port());
    const std::string largestBody(4086, 'a');  // size field 4096
    const auto replies = WhilePolling([&] {
        EXPECT_TRUE(client.Authenticate(kPassword));
        client.SendPacket(20, kTypeCommand, largestBody);
        client.SendPacket(21, kTypeResponse, "");
        std::vector<RconReply> received;
        while (auto reply = client.ReadPacket()) {
            received.push_back(*reply);
            if (reply->id != 20)
                break;
        }
        return received;
    });
    ASSERT_EQ(handled_.size(), 1u);
    EXPECT_EQ(handled_[0].body, largestBody);
    // The echo is longer than one packet holds: its parts, then the mirrored empty packet.
    ASSERT_EQ(replies.size(), 3u);
    EXPECT_EQ(replies[0].body + replies[1].body, "echo " + std::to_string(handled_[0].connection) + ": " + largestBody);
    EXPECT_EQ(replies[2].id, 21);
    EXPECT_EQ(replies[2].type, kTypeResponse);
    EXPECT_EQ(replies[2].body, "");
}

TEST_F(RconServerTest, ClientThatClosesItsSideAfterARequestStillGetsTheAnswer)
{
    RconTestClient client(server_->Port());
    const auto result = WhilePolling([&] {
        EXPECT_TRUE(client.Authenticate(kPassword));
        client.SendPacket(3, kTypeCommand, "last words");
        client.ShutdownSending();
        auto reply = client.ReadPacket();
        return std::make_pair(reply, client.WaitForClose());
    });
    ASSERT_TRUE(result.first.has_value());
    EXPECT_EQ(result.first->id, 3);
    EXPECT_TRUE(result.second);
    EXPECT_TRUE(PollUntilConnections(0));
}

TEST_F(RconServerTest, AnswerForAConnectionThatIsGoneIsDropped)
{
    {
        RconTestClient client(server_->Port());
        WhilePolling([&] { return client.Authenticate(kPassword); });
    }
    ASSERT_TRUE(PollUntilConnections(0));
    server_->Send(1, 1, kTypeResponse, "nobody listens");
    server_->Send(-5, 1, kTypeResponse, "no such connection");
    EXPECT_EQ(server_->ConnectionCount(), 0u);
}

// --- Hostile clients ------------------------------------------------------------------------

class RconServerHostileTest : public RconServerTest {
protected:
    // Sends `bytes` from a fresh client and expects exactly that client to be closed, while a
    // client that authenticated earlier keeps being served.
    void ExpectOnlyHostileClosed(const std::string& bytes)
    {
        RconTestClient bystander(server_->Port());
        ASSERT_TRUE(WhilePolling([&] { return bystander.Authenticate(kPassword); }));
        RconTestClient hostile(server_->Port());
        const bool closed = WhilePolling([&] {
            hostile.SendRaw(bytes);
            return hostile.WaitForClose();
        });
        EXPECT_TRUE(closed);
        EXPECT_TRUE(PollUntilConnections(1));
        ExpectStillServed(bystander, 99);
    }

    static std::string WithSize(std::int32_t size, std::string rest)
    {
        std::string out = RconTestClient::Encode(0, 0, "").substr(0, 4);
        const auto bits = static_cast<std::uint32_t>(size);
        for (int index = 0; index < 4; ++index)
            out[static_cast<std::size_t>(index)] = static_cast<char>((bits >> (8 * index)) & 0xFF);
        return out + rest;
    }
};

TEST_F(RconServerHostileTest, SizeBelowTenClosesOnlyThatConnection)
{
    ExpectOnlyHostileClosed(WithSize(9, std::string(9, '\0')));
}

TEST_F(RconServerHostileTest, NegativeSizeClosesOnlyThatConnection)
{
    ExpectOnlyHostileClosed(WithSize(-1, std::string(16, '\0')));
}

TEST_F(RconServerHostileTest, SizeAbove4096ClosesWithoutWaitingForTheBody)
{
    // Only the header is sent: the server must judge the size alone, not wait for 4097 bytes.
    ExpectOnlyHostileClosed(WithSize(4097, std::string(8, '\0')));
}

TEST_F(RconServerHostileTest, BodyWithoutTerminatingZeroClosesOnlyThatConnection)
{
    std::string packet = RconTestClient::Encode(1, kTypeAuth, kPassword);
    packet[packet.size() - 2] = 'X';
    ExpectOnlyHostileClosed(packet);
}

TEST_F(RconServerHostileTest, ZeroInsideTheBodyClosesOnlyThatConnection)
{
    ExpectOnlyHostileClosed(RconTestClient::Encode(1, kTypeAuth, std::string(kPassword) + std::string(1, '\0') + "x"));
}

TEST_F(RconServerHostileTest, FloodOfRequestsClosesOnlyThatConnection)
{
    std::string flood = RconTestClient::Encode(1, kTypeAuth, kPassword);
    for (int id = 2; id < 2000; ++id)
        flood += RconTestClient::Encode(id, kTypeCommand, "spam");
    ExpectOnlyHostileClosed(flood);
    EXPECT_LT(handled_.size(), 100u);
}

TEST_F(RconServerHostileTest, SilenceInTheMiddleOfAPacketTimesOut)
{
    RconServer::Limits limits;
    limits.stallTimeout = 300ms;
    server_->SetLimits(limits);
    RconTestClient bystander(server_->Port());
    ASSERT_TRUE(WhilePolling([&] { return bystander.Authenticate(kPassword); }));
    RconTestClient hostile(server_->Port());
    ASSERT_TRUE(PollUntilConnections(2));
    ASSERT_TRUE(hostile.SendRaw(RconTestClient::Encode(1, kTypeAuth, kPassword).substr(0, 7)));
    // Long Polls: the stall deadline, not the caller's timeout, must end the wait.
    const auto start = std::chrono::steady_clock::now();
    while (server_->ConnectionCount() != 1 && std::chrono::steady_clock::now() - start < 10s)
        server_->Poll(10000);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(server_->ConnectionCount(), 1u);
    EXPECT_GE(took, 250ms);
    EXPECT_LT(took, 3s);
    EXPECT_TRUE(WhilePolling([&] { return hostile.WaitForClose(); }));
    ExpectStillServed(bystander, 7);
}

TEST_F(RconServerHostileTest, IdleConnectionBetweenPacketsIsNotTimedOut)
{
    RconServer::Limits limits;
    limits.stallTimeout = 100ms;
    server_->SetLimits(limits);
    RconTestClient client(server_->Port());
    ASSERT_TRUE(WhilePolling([&] { return client.Authenticate(kPassword); }));
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < 400ms)
        server_->Poll(50);
    ExpectStillServed(client, 8);
}

TEST_F(RconServerHostileTest, CloseInTheMiddleOfAPacketDropsOnlyThatConnection)
{
    RconTestClient bystander(server_->Port());
    ASSERT_TRUE(WhilePolling([&] { return bystander.Authenticate(kPassword); }));
    {
        RconTestClient hostile(server_->Port());
        hostile.SendRaw(RconTestClient::Encode(1, kTypeAuth, kPassword) + RconTestClient::Encode(2, kTypeCommand, "cut off").substr(0, 15));
        ASSERT_TRUE(PollUntilConnections(2));
    }
    EXPECT_TRUE(PollUntilConnections(1));
    EXPECT_TRUE(handled_.empty());
    ExpectStillServed(bystander, 11);
}

TEST_F(RconServerHostileTest, ClientThatNeverReadsItsAnswersIsClosed)
{
    const std::string bigAnswer(64 * 1024, 'y');
    server_ = std::make_unique<RconServer>(kPassword, [this, &bigAnswer](int connection, std::int32_t id, const std::string& body) {
        handled_.push_back({connection, id, body});
        server_->Send(connection, id, kTypeResponse, body == "more" ? bigAnswer : "echo: " + body);
    });
    std::string error;
    ASSERT_TRUE(server_->Listen(0, error)) << error;
    RconServer::Limits limits;
    limits.maxBufferedOutput = 256 * 1024;
    limits.maxPendingRequests = 1000000;  // only the answer backlog may end this client
    limits.stallTimeout = 60s;
    server_->SetLimits(limits);
    RconTestClient bystander(server_->Port());
    ASSERT_TRUE(WhilePolling([&] { return bystander.Authenticate(kPassword); }));
    RconTestClient hostile(server_->Port());
    ASSERT_TRUE(WhilePolling([&] { return hostile.Authenticate(kPassword); }));
    // 64 MiB of answers that are never read: past the kernel's buffers, the server's own buffer
    // must stop growing and the connection go.
    std::string requests;
    for (int id = 0; id < 1000; ++id)
        requests += RconTestClient::Encode(id, kTypeCommand, "more");
    WhilePolling([&] { return hostile.SendRaw(requests); });
    EXPECT_TRUE(PollUntilConnections(1, 10s));
    EXPECT_LT(handled_.size(), 1000u);
    ExpectStillServed(bystander, 13);
}

TEST_F(RconServerHostileTest, ClientsBeyondTheLimitAreClosedOnArrival)
{
    RconServer::Limits limits;
    limits.maxConnections = 2;
    server_->SetLimits(limits);
    RconTestClient first(server_->Port());
    RconTestClient second(server_->Port());
    ASSERT_TRUE(PollUntilConnections(2));
    RconTestClient third(server_->Port());
    const bool closed = WhilePolling([&] { return third.WaitForClose(); });
    EXPECT_TRUE(closed);
    EXPECT_EQ(server_->ConnectionCount(), 2u);
    EXPECT_EQ(Events(), std::vector<Event>{Event::TurnedAway});
    ASSERT_TRUE(WhilePolling([&] { return first.Authenticate(kPassword); }));
    ExpectStillServed(first, 12);
}

// Idle sockets must not hold the connection slots: silent clients go, first those that never
// logged in, later those that did.
TEST_F(RconServerHostileTest, ClientThatNeverLogsInIsClosedAfterTheLoginTimeout)
{
    RconServer::Limits limits;
    limits.loginTimeout = 300ms;
    server_->SetLimits(limits);
    RconTestClient bystander(server_->Port());
    ASSERT_TRUE(WhilePolling([&] { return bystander.Authenticate(kPassword); }));
    RconTestClient silent(server_->Port());
    ASSERT_TRUE(PollUntilConnections(2));
    const auto start = std::chrono::steady_clock::now();
    while (server_->ConnectionCount() != 1 && std::chrono::steady_clock::now() - start < 10s)
        server_->Poll(10000);  // the login deadline, not this timeout, must end the wait
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, 3s);
    EXPECT_TRUE(WhilePolling([&] { return silent.WaitForClose(); }));
    EXPECT_EQ(Events(), (std::vector<Event>{Event::LoggedIn, Event::LoginTimedOut}));
    ExpectStillServed(bystander, 14);
}

TEST_F(RconServerHostileTest, LoggedInClientIsClosedAfterTheIdleTimeoutOnly)
{
    RconServer::Limits limits;
    limits.loginTimeout = 100ms;
    limits.idleTimeout = 600ms;
    server_->SetLimits(limits);
    RconTestClient client(server_->Port());
    ASSERT_TRUE(WhilePolling([&] { return client.Authenticate(kPassword); }));
    // Past the login timeout, a logged-in client stays; each request restarts its idle time.
    for (int round = 0; round < 3; ++round) {
        const auto until = std::chrono::steady_clock::now() + 300ms;
        while (std::chrono::steady_clock::now() < until)
            server_->Poll(20);
        ExpectStillServed(client, 20 + round);
    }
    EXPECT_TRUE(WhilePolling([&] { return client.WaitForClose(3000); }));
    EXPECT_EQ(Events(), (std::vector<Event>{Event::LoggedIn, Event::IdleTimedOut}));
}

// --- Listening and polling ------------------------------------------------------------------

TEST(RconServerListen, SecondListenAndTakenPortFail)
{
    RconServer server(kPassword, nullptr);
    std::string error;
    ASSERT_TRUE(server.Listen(0, error)) << error;
    EXPECT_FALSE(server.Listen(0, error));
    EXPECT_NE(error.find("already listening"), std::string::npos) << error;

    RconServer rival(kPassword, nullptr);
    std::string rivalError;
    EXPECT_FALSE(rival.Listen(server.Port(), rivalError));
    EXPECT_FALSE(rivalError.empty());
    EXPECT_EQ(rival.Port(), 0);
}

#ifndef _WIN32
TEST(RconServerPoll, ReportsTheExtraFileOnlyWhenReadable)
{
    RconServer server(kPassword, nullptr);
    std::string error;
    ASSERT_TRUE(server.Listen(0, error)) << error;
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    EXPECT_FALSE(server.Poll(0, pipeEnds[0]));
    ASSERT_EQ(write(pipeEnds[1], "q\n", 2), 2);
    EXPECT_TRUE(server.Poll(1000, pipeEnds[0]));
    char line[2];
    ASSERT_EQ(read(pipeEnds[0], line, sizeof(line)), 2);
    // The writer's close is end of input, which the reader must hear about too.
    close(pipeEnds[1]);
    EXPECT_TRUE(server.Poll(1000, pipeEnds[0]));
    close(pipeEnds[0]);
}
#endif

}  // namespace
