// The RCON listener against a real TCP client: authentication, command round trips, several
// clients, hostile clients that must lose only their own connection, and what the operator hears.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "rcon/NoticeThrottle.h"
#include "rcon/RconServer.h"
#include "support/RconTestClient.h"

#ifndef _WIN32
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
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
        server_->SetNoticeHandler([this](const RconServer::Notice& notice) { notices_.push_back(notice); });
        std::string error;
        ASSERT_TRUE(server_->Listen(0, error)) << error;
        ASSERT_NE(server_->Port(), 0);
    }

    // The kinds of the notices so far.
    std::vector<RconServer::Event> Events() const
    {
        std::vector<RconServer::Event> kinds;
        for (const RconServer::Notice& notice : notices_)
            kinds.push_back(notice.event);
        return kinds;
    }

    // The lines of the notices of one kind so far.
    std::vector<std::string> Lines(RconServer::Event event) const
    {
        std::vector<std::string> lines;
        for (const RconServer::Notice& notice : notices_)
            if (notice.event == event)
                lines.push_back(notice.line);
        return lines;
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
    std::vector<RconServer::Notice> notices_;
};

using Event = RconServer::Event;

// --- Authentication -------------------------------------------------------------------------

// As the game: the verdict alone, so that a client reading the whole buffer at once loses nothing.
TEST_F(RconServerTest, LoginIsAnsweredWithTheVerdictAlone)
{
    RconTestClient client(server_->Port());
    ASSERT_TRUE(client.Connected());
    const auto replies = WhilePolling([&] {
        client.SendPacket(77, kTypeAuth, kPassword);
        auto verdict = client.ReadPacket();
        client.SendPacket(78, kTypeCommand, "next");
        return std::make_pair(verdict, client.ReadPacket());
    });
    ASSERT_TRUE(replies.first && replies.second);
    EXPECT_EQ(replies.first->type, 2);
    EXPECT_EQ(replies.first->id, 77);
    EXPECT_EQ(replies.first->body, "");
    // Nothing came between the verdict and the answer to the next request.
    EXPECT_EQ(replies.second->id, 78);
    EXPECT_EQ(server_->ConnectionCount(), 1u);
    EXPECT_EQ(Lines(Event::LoggedIn), std::vector<std::string>{"rcon: client 1 logged in"});
}

TEST_F(RconServerTest, WrongPasswordAnswersIdMinusOneAndCloses)
{
    RconTestClient client(server_->Port());
    const auto result = WhilePolling([&] {
        client.SendPacket(5, kTypeAuth, "guess");
        auto verdict = client.ReadPacket();
        // Even a command sent right after must not get through.
        client.SendPacket(6, kTypeCommand, "DinoTuner.Reload");
        return std::make_pair(verdict, client.WaitForClose());
    });
    const auto& [verdict, closed] = result;
    ASSERT_TRUE(verdict);
    EXPECT_EQ(verdict->type, 2);
    EXPECT_EQ(verdict->id, -1);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(handled_.empty());
    EXPECT_TRUE(PollUntilConnections(0));
    EXPECT_EQ(Lines(Event::WrongPassword),
              std::vector<std::string>{"rcon: client 1 gave a wrong password; connection closed; logins from 127.0.0.1 now wait 0.1 s"});
}

// Each wrong password makes the next logins from its address wait twice as long, up to a limit;
// the operator hears of the first at once and of the rest in one line with their count.
TEST_F(RconServerTest, WrongPasswordsSlowDownLoginsFromTheirAddress)
{
    RconServer::Limits limits;
    limits.loginWait = 100ms;
    limits.longestLoginWait = 400ms;
    server_->SetLimits(limits);
    std::vector<bool> refused;
    for (int guess = 0; guess < 4; ++guess) {
        RconTestClient client(server_->Port());
        refused.push_back(WhilePolling([&] {
            client.SendPacket(guess, kTypeAuth, "guess");
            const auto verdict = client.ReadPacket();
            return verdict && verdict->id == -1;
        }));
    }
    EXPECT_EQ(refused, std::vector<bool>(4, true));
    // The right password waits as well: a guesser cannot tell it by a quicker answer.
    RconTestClient admin(server_->Port());
    const auto waited = WhilePolling([&] {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(admin.Authenticate(kPassword));
        return std::chrono::steady_clock::now() - start;
    });
    EXPECT_GE(waited, 400ms);
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    std::size_t counted = 0;
    while (counted < 4 && std::chrono::steady_clock::now() < deadline) {
        server_->Poll(50);
        counted = 0;
        for (const RconServer::Notice& notice : notices_)
            counted += notice.event == Event::WrongPassword ? notice.count : 0;
    }
    EXPECT_EQ(counted, 4u);
    const std::vector<std::string> lines = Lines(Event::WrongPassword);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_LT(lines.size(), 4u);  // summarised
    EXPECT_EQ(lines.front(), "rcon: client 1 gave a wrong password; connection closed; logins from 127.0.0.1 now wait 0.1 s");
    EXPECT_NE(lines.back().find("; logins from 127.0.0.1 now wait 0.4 s (and "), std::string::npos) << lines.back();
}

// Clients that decode only the first packet of each read must get each part of a long answer
// on its own.
TEST_F(RconServerTest, EachAnswerPacketGoesOutInAReadOfItsOwn)
{
    RconServer::Limits limits;
    limits.packetSpacing = 400ms;
    server_->SetLimits(limits);
    RconTestClient client(server_->Port());
    const std::string body(4086, 'b');
    const auto reads = WhilePolling([&] {
        EXPECT_TRUE(client.Authenticate(kPassword));
        std::this_thread::sleep_for(400ms);  // the spacing after the verdict
        client.SendPacket(8, kTypeCommand, body);
        std::this_thread::sleep_for(200ms);  // long enough for both parts, were they not spaced
        std::string first = client.ReadOnce();
        return std::make_pair(first, client.ReadOnce());
    });
    const std::string echo = "echo 1: " + body;
    EXPECT_EQ(reads.first, RconTestClient::Encode(8, kTypeResponse, echo.substr(0, 4086)));
    EXPECT_EQ(reads.second, RconTestClient::Encode(8, kTypeResponse, echo.substr(4086)));
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
        for (int count = 0; count < 3; ++count)
            if (auto reply = client.ReadPacket())
                received.push_back(*reply);
        return received;
    });
    ASSERT_EQ(replies.size(), 3u);
    EXPECT_EQ(replies[0].id, 1);
    EXPECT_EQ(replies[1].id, 2);
    EXPECT_NE(replies[1].body.find(": first"), std::string::npos);
    EXPECT_EQ(replies[2].id, 3);
    EXPECT_NE(replies[2].body.find(": second"), std::string::npos);
}

// Fifty requests sent at once (as rcon-srcds does) are all answered, in order, one packet a read.
TEST_F(RconServerTest, FiftyRequestsInOneWriteAreAnsweredInOrder)
{
    RconServer::Limits limits;
    limits.packetSpacing = 1ms;
    server_->SetLimits(limits);
    RconTestClient client(server_->Port());
    const auto replies = WhilePolling([&] {
        EXPECT_TRUE(client.Authenticate(kPassword));
        std::string burst;
        for (int id = 100; id < 150; ++id)
            burst += RconTestClient::Encode(id, kTypeCommand, "request " + std::to_string(id));
        client.SendRaw(burst);
        std::vector<RconReply> received;
        while (received.size() < 50)
            if (auto reply = client.ReadPacket())
                received.push_back(*reply);
            else
                break;
        return received;
    });
    ASSERT_EQ(replies.size(), 50u);
    for (int index = 0; index < 50; ++index) {
        EXPECT_EQ(replies[index].id, 100 + index);
        EXPECT_EQ(replies[index].body, "echo 1: request " + std::to_string(100 + index));
    }
    EXPECT_TRUE(Lines(Event::TooManyRequests).empty());
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
    EXPECT_EQ(Lines(Event::Malformed), std::vector<std::string>{"rcon: client 2 closed: malformed packet: packet size 9 outside 10..4096"});
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

TEST_F(RconServerHostileTest, BurstBeyondTheQueueClosesOnlyThatConnectionAndSaysWhy)
{
    std::string flood = RconTestClient::Encode(1, kTypeAuth, kPassword);
    for (int id = 2; id < 2000; ++id)
        flood += RconTestClient::Encode(id, kTypeCommand, "spam");
    ExpectOnlyHostileClosed(flood);
    EXPECT_LT(handled_.size(), 257u);
    EXPECT_EQ(Lines(Event::TooManyRequests), std::vector<std::string>{"rcon: client 2 closed: more than 256 requests waiting"});
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
    server_->SetNoticeHandler([this](const RconServer::Notice& notice) { notices_.push_back(notice); });
    std::string error;
    ASSERT_TRUE(server_->Listen(0, error)) << error;
    RconServer::Limits limits;
    limits.maxPendingRequests = 1000000;  // only the unread answers may end this client
    limits.stallTimeout = 500ms;
    limits.packetSpacing = 0ms;  // fill the kernel's buffers at once
    server_->SetLimits(limits);
    RconTestClient bystander(server_->Port());
    ASSERT_TRUE(WhilePolling([&] { return bystander.Authenticate(kPassword); }));
    RconTestClient hostile(server_->Port());
    ASSERT_TRUE(WhilePolling([&] { return hostile.Authenticate(kPassword); }));
    // 64 MiB of answers that are never read: past the kernel's buffers, no further request is
    // run, and the connection goes once its answers have not moved for the stall timeout.
    std::string requests;
    for (int id = 0; id < 1000; ++id)
        requests += RconTestClient::Encode(id, kTypeCommand, "more");
    WhilePolling([&] { return hostile.SendRaw(requests); });
    EXPECT_TRUE(PollUntilConnections(1, 10s));
    EXPECT_LT(handled_.size(), 1000u);
    EXPECT_EQ(Lines(Event::UnreadAnswers), std::vector<std::string>{"rcon: client 2 closed: answers not read for 0.5 s"});
    ExpectStillServed(bystander, 13);
}

// Clients that have not logged in never keep a newcomer out: the oldest of them gives up its place.
TEST_F(RconServerHostileTest, NewcomerTakesThePlaceOfTheOldestClientNotLoggedIn)
{
    RconServer::Limits limits;
    limits.maxConnections = 3;
    server_->SetLimits(limits);
    RconTestClient admin(server_->Port());
    ASSERT_TRUE(WhilePolling([&] { return admin.Authenticate(kPassword); }));
    RconTestClient oldest(server_->Port());
    ASSERT_TRUE(PollUntilConnections(2));
    RconTestClient younger(server_->Port());
    ASSERT_TRUE(PollUntilConnections(3));
    RconTestClient newcomer(server_->Port());
    ASSERT_TRUE(WhilePolling([&] { return newcomer.Authenticate(kPassword); }));
    EXPECT_TRUE(WhilePolling([&] { return oldest.WaitForClose(); }));
    EXPECT_EQ(Lines(Event::MadeRoom), std::vector<std::string>{"rcon: client 2 closed: not logged in, its place taken by a new client"});
    EXPECT_EQ(server_->ConnectionCount(), 3u);
    ExpectStillServed(newcomer, 12);
    ExpectStillServed(admin, 13);
}

TEST_F(RconServerHostileTest, ClientBeyondTheLimitIsTurnedAwayOnlyWhenAllAreLoggedIn)
{
    RconServer::Limits limits;
    limits.maxConnections = 2;
    server_->SetLimits(limits);
    RconTestClient first(server_->Port());
    RconTestClient second(server_->Port());
    ASSERT_TRUE(WhilePolling([&] { return first.Authenticate(kPassword) && second.Authenticate(kPassword); }));
    RconTestClient third(server_->Port());
    const bool closed = WhilePolling([&] { return third.WaitForClose(); });
    EXPECT_TRUE(closed);
    EXPECT_EQ(server_->ConnectionCount(), 2u);
    EXPECT_EQ(Lines(Event::TurnedAway), std::vector<std::string>{"rcon: a client was turned away: 2 clients are logged in"});
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
    EXPECT_EQ(Lines(Event::LoginTimedOut), std::vector<std::string>{"rcon: client 2 closed: no login within 0.3 s"});
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

// --- What the operator hears ----------------------------------------------------------------

TEST(NoticeThrottle, AKindGoesOutAtMostOnceASecondWithTheCountOfWhatItHeld)
{
    using Clock = std::chrono::steady_clock;
    sim::NoticeThrottle throttle;
    const Clock::time_point start{};
    const auto notice = [](int connection, sim::RconEvent event) {
        return sim::RconNotice{event, connection, "rcon: client " + std::to_string(connection) + " x", 1};
    };
    std::vector<sim::RconNotice> out;
    // A thousand clients turned away in the first 900 ms, and one wrong password among them.
    for (int client = 1; client <= 1000; ++client)
        if (auto passed = throttle.Offer(notice(client, sim::RconEvent::MadeRoom), start + std::chrono::microseconds(900 * (client - 1))))
            out.push_back(*passed);
    if (auto passed = throttle.Offer(notice(5000, sim::RconEvent::WrongPassword), start + 500ms))
        out.push_back(*passed);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].line, "rcon: client 1 x");
    EXPECT_EQ(out[1].event, sim::RconEvent::WrongPassword);
    EXPECT_TRUE(throttle.TakeDue(start + 999ms).empty());
    ASSERT_EQ(throttle.NextDue(), start + 1s);
    const std::vector<sim::RconNotice> due = throttle.TakeDue(start + 1s);
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0].count, 999u);
    EXPECT_EQ(due[0].connection, 1000);
    EXPECT_EQ(due[0].line, "rcon: client 1000 x (and 998 more like it in the last second)");
    EXPECT_FALSE(throttle.NextDue().has_value());
    // Once quiet for a second, the next one goes out at once again.
    EXPECT_TRUE(throttle.Offer(notice(1001, sim::RconEvent::MadeRoom), start + 2s).has_value());
}

#ifndef _WIN32
// A signal every 2 ms, caught by a handler installed without SA_RESTART (as libFuzzer's timeout
// alarm is): interrupted system calls must be carried on, not taken for failures.
class RconServerSignalTest : public RconServerTest {
protected:
    void SetUp() override
    {
        RconServerTest::SetUp();
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        ASSERT_EQ(sigaction(SIGALRM, &action, &previous_), 0);
        // The alarm must land in the clients' calls, not in this thread's polling.
        sigset_t alarm;
        sigemptyset(&alarm);
        sigaddset(&alarm, SIGALRM);
        ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &alarm, &previousMask_), 0);
        const itimerval every2ms{{0, 2000}, {0, 2000}};
        ASSERT_EQ(setitimer(ITIMER_REAL, &every2ms, nullptr), 0);
    }

    void TearDown() override
    {
        const itimerval off{};
        setitimer(ITIMER_REAL, &off, nullptr);
        // An alarm still pending goes to the no-op handler before the previous one is back.
        pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
        sigaction(SIGALRM, &previous_, nullptr);
    }

    // Lets the calling thread (a client's) take the alarm.
    static void TakeAlarms()
    {
        sigset_t alarm;
        sigemptyset(&alarm);
        sigaddset(&alarm, SIGALRM);
        pthread_sigmask(SIG_UNBLOCK, &alarm, nullptr);
    }

    struct sigaction previous_ {};
    sigset_t previousMask_{};
};

TEST_F(RconServerSignalTest, ConnectsAndRequestsSucceedUnderASignalEveryFewMilliseconds)
{
    const int answered = WhilePolling([&] {
        TakeAlarms();
        int count = 0;
        for (int round = 0; round < 40; ++round) {
            RconTestClient client(server_->Port());
            if (!client.Connected() || !client.Authenticate(kPassword))
                continue;
            client.SendPacket(round, kTypeCommand, "ping");
            const auto reply = client.ReadPacket();
            count += reply && reply->id == round ? 1 : 0;
        }
        return count;
    });
    EXPECT_EQ(answered, 40);

    // A connect that has to wait: the listener's queue is full, so the connection is made only
    // when the client tries again after room was made, a second later, through ~500 signals.
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(listen(listener, 0), 0);
    ASSERT_EQ(fcntl(listener, F_SETFL, O_NONBLOCK), 0);
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const std::uint16_t port = ntohs(address.sin_port);
    auto connects = std::async(std::launch::async, [port] {
        TakeAlarms();
        std::vector<std::chrono::steady_clock::duration> took;
        for (int attempt = 0; attempt < 3; ++attempt) {
            const auto start = std::chrono::steady_clock::now();
            std::string error;
            const sim::os::SocketHandle client = sim::os::ConnectToLoopback(port, error);
            EXPECT_NE(client, sim::os::kNoSocket) << error;
            took.push_back(std::chrono::steady_clock::now() - start);
            sim::os::CloseSocket(client);
        }
        return took;
    });
    // Room is made only every 300 ms, so some connect waits for its retry.
    while (connects.wait_for(300ms) != std::future_status::ready) {
        const int accepted = accept(listener, nullptr, nullptr);
        if (accepted >= 0)
            close(accepted);
    }
    const auto took = connects.get();
    close(listener);
    EXPECT_GE(*std::max_element(took.begin(), took.end()), 500ms) << "no connect had to wait: the test proves nothing";
}
#endif

}  // namespace
