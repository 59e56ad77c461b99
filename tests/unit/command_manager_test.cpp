// Registering commands with the host by category, the list in game memory, and the callbacks.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "commands/BaseCommand.h"
#include "frame/CommandManager.h"
#include "logging/Logger.h"
#include "standin/SimHost.h"
#include "support/RecordingSink.h"

namespace {

struct ConsoleCall {
    APlayerController* Player = nullptr;
    FString* Line = nullptr;
    bool Flag = true;
    int Count = 0;
};

class TestConsoleCommand : public BaseConsoleCommand {
public:
    explicit TestConsoleCommand(const char* name) : BaseConsoleCommand(name) {}
    void execute(APlayerController* player, FString* line, bool flag) override
    {
        last.Player = player;
        last.Line = line;
        last.Flag = flag;
        ++last.Count;
    }
    ConsoleCall last;
};

class TestChatCommand : public BasePlayerCommand {
public:
    using BasePlayerCommand::BasePlayerCommand;
    void execute(AShooterPlayerController*, FString*, EChatSendMode::Type mode) override { lastMode = mode; }
    EChatSendMode::Type lastMode = EChatSendMode::MAX;
};

class TestRconCommand : public BaseRConCommand {
public:
    using BaseRConCommand::BaseRConCommand;
    void execute(RCONClientConnection*, RCONPacket* packet, UWorld*) override { lastPacket = packet; }
    RCONPacket* lastPacket = nullptr;
};

// Derives from no category: the manager cannot tell the host what it is.
class UncategorisedCommand : public BaseCommand {
public:
    UncategorisedCommand() : BaseCommand("Nothing") {}
};

class Commands : public ::testing::Test {
protected:
    void SetUp() override
    {
        log = testing_support::RecordHostLog();
        InitLogger(GetLogger(), "DinoTuner");
    }
    std::shared_ptr<testing_support::RecordingSink> log;
    CommandManager manager;
};

TEST_F(Commands, StorageGrowsAt1st5th23rd48thCommandAndKeepsItsContents)
{
    std::vector<TestConsoleCommand*> made;
    std::vector<int> capacities;
    const std::size_t before = sim::LiveAllocations();
    for (int i = 1; i <= 48; ++i) {
        made.push_back(new TestConsoleCommand("Test.Command"));
        manager.registerCommand(made.back());
        if (i == 1 || i == 4 || i == 5 || i == 22 || i == 23 || i == 47 || i == 48) {
            capacities.push_back(manager.Capacity());
        }
    }
    EXPECT_EQ(capacities, (std::vector<int>{4, 4, 22, 22, 47, 47, 82}));
    ASSERT_EQ(manager.Count(), 48);
    for (int i = 0; i < 48; ++i) {
        EXPECT_EQ(manager.Elements()[i], made[static_cast<std::size_t>(i)]);
    }
    // One block of game memory for the list (the commands' names are separate game strings).
    EXPECT_EQ(sim::LiveAllocations(), before + 48 + 1);
}

TEST_F(Commands, EachCategoryGoesToItsOwnRegistry)
{
    TestConsoleCommand console("Same.Name");
    TestRconCommand rcon("Same.Name");
    TestChatCommand chat("/hello");
    manager.registerCommand(&console);
    manager.registerCommand(&rcon);
    manager.registerCommand(&chat);

    EXPECT_EQ(sim::ConsoleCommandNames(), (std::vector<std::string>{"Same.Name"}));
    EXPECT_EQ(sim::RconCommandNames(), (std::vector<std::string>{"Same.Name"}));
    EXPECT_EQ(sim::ChatCommandNames(), (std::vector<std::string>{"/hello"}));
    EXPECT_EQ(manager.Count(), 3);
}

TEST_F(Commands, UncategorisedAndNullCommandsWarnOnceEachAndReachNoHost)
{
    UncategorisedCommand nothing;
    manager.registerCommand(&nothing);
    manager.registerCommand(nullptr);
    manager.unregisterCommand(&nothing);
    manager.unregisterCommand(nullptr);

    EXPECT_TRUE(sim::Requests().empty());
    EXPECT_EQ(manager.Count(), 0);
    EXPECT_EQ(manager.Elements(), nullptr);
    EXPECT_EQ(log->Count("[DinoTuner][warning] Attemped to register an unvalid command!"), 2u);
    EXPECT_EQ(log->Count("[DinoTuner][warning] Attemped to unregister an unvalid command!"), 2u);
}

TEST_F(Commands, SameCommandTwiceIsListedTwiceAndWithdrawnTwice)
{
    TestConsoleCommand command("Twice");
    manager.registerCommand(&command);
    manager.registerCommand(&command);
    ASSERT_EQ(manager.Count(), 2);
    EXPECT_EQ(sim::ConsoleCommandNames().size(), 2u);

    for (int i = 0; i < manager.Count(); ++i) {
        manager.unregisterCommand(manager.Elements()[i]);
    }
    int withdrawals = 0;
    for (const auto& request : sim::Requests()) {
        withdrawals += request.Operation == "RemoveConsoleCommand" && request.Name == "Twice";
    }
    EXPECT_EQ(withdrawals, 2);
    EXPECT_TRUE(sim::ConsoleCommandNames().empty());
    EXPECT_EQ(manager.Count(), 2);
}

TEST_F(Commands, ConsoleCallbackPassesPlayerLinePointerAndFlagUnchanged)
{
    TestConsoleCommand command("Echo.Test");
    manager.registerCommand(&command);
    FString line("echo.test and more words");
    auto* player = reinterpret_cast<APlayerController*>(0x1234);

    ASSERT_TRUE(sim::ExecuteConsoleCommand(player, &line, false));
    EXPECT_EQ(command.last.Count, 1);
    EXPECT_EQ(command.last.Player, player);
    EXPECT_EQ(command.last.Line, &line);
    EXPECT_FALSE(command.last.Flag);

    ASSERT_TRUE(sim::ExecuteConsoleCommand(nullptr, &line, true));
    EXPECT_EQ(command.last.Player, nullptr);
    EXPECT_TRUE(command.last.Flag);
}

TEST_F(Commands, ChatAndRconCallbacksPassTheirArgumentsThrough)
{
    TestChatCommand chat("/balance");
    TestRconCommand rcon("Rcon.Test");
    manager.registerCommand(&chat);
    manager.registerCommand(&rcon);
    FString message("/balance");
    RCONPacket packet;
    packet.Id = 77;
    packet.Body = FString("Rcon.Test");

    ASSERT_TRUE(sim::ExecuteChatCommand(nullptr, &message, EChatSendMode::LocalChat));
    ASSERT_TRUE(sim::ExecuteRconCommand(nullptr, &packet, nullptr));
    EXPECT_EQ(chat.lastMode, EChatSendMode::LocalChat);
    EXPECT_EQ(rcon.lastPacket, &packet);
}

TEST_F(Commands, CommandNameIsCopiedIntoItsOwnGameString)
{
    TestConsoleCommand command("Caf\xC3\xA9.Reload");
    EXPECT_EQ(command.Name.ToString(), "Caf??.Reload");
}

}  // namespace
