// The reload commands' replies: who is answered, in which colour, with what text.

#include <atomic>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#endif

#include <gtest/gtest.h>

#include "commands/InfoCommands.h"
#include "standin/SimHost.h"
#include "support/LoadedPlugin.h"

namespace {

using testing_support::LoadedPlugin;

struct ChatLine {
    std::string Player;
    std::string Text;
    FLinearColor Colour;
};

struct RconAnswer {
    std::int32_t Id;
    std::int32_t Type;
    std::string Text;
};

class ReloadCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        plugin.World().SetChatOutput([this](const std::string& player, const std::string& text, const FLinearColor& colour) {
            chat.push_back({player, text, colour});
        });
        connection = plugin.World().NewRconConnection([this](std::int32_t id, std::int32_t type, const std::string& text) {
            answers.push_back({id, type, text});
        });
    }

    void Console(APlayerController* player)
    {
        FString line("DinoTuner.Reload");
        ASSERT_TRUE(sim::ExecuteConsoleCommand(player, &line, false));
    }

    void Rcon(std::int32_t id)
    {
        RCONPacket packet;
        packet.Id = id;
        packet.Type = 2;
        packet.Body = FString("DinoTuner.Reload");
        ASSERT_TRUE(sim::ExecuteRconCommand(connection, &packet, nullptr));
    }

    LoadedPlugin plugin{testing_support::kEmptyConfig};
    std::vector<ChatLine> chat;
    std::vector<RconAnswer> answers;
    RCONClientConnection* connection = nullptr;
};

TEST_F(ReloadCommands, SuccessIsGreenOnTheConsoleAndTypeZeroOverRcon)
{
    Console(plugin.World().AddPlayer("ann", std::nullopt));
    Rcon(41);

    ASSERT_EQ(chat.size(), 1u);
    EXPECT_EQ(chat[0].Player, "ann");
    EXPECT_EQ(chat[0].Text, "Reloaded config");
    EXPECT_EQ(chat[0].Colour.R, 0.0f);
    EXPECT_EQ(chat[0].Colour.G, 1.0f);
    EXPECT_EQ(chat[0].Colour.B, 0.0f);
    EXPECT_EQ(chat[0].Colour.A, 1.0f);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].Id, 41);
    EXPECT_EQ(answers[0].Type, 0);
    EXPECT_EQ(answers[0].Text, "Reloaded Config");
}

TEST_F(ReloadCommands, NoPlayerNoReplyButTheReloadHappens)
{
    plugin.Server().WriteConfig(R"({"GlobalDinoBalance": null, "DinoBalance": {"a": {}, "b": {}}})");
    Console(nullptr);
    EXPECT_TRUE(chat.empty());
    EXPECT_EQ(plugin.Log().Count("Loaded 2 dino balances!"), 1u);
}

TEST_F(ReloadCommands, FailureIsRedWithTheLoggedError)
{
    plugin.Server().DeleteConfig();
    Console(plugin.World().AddPlayer("ann", std::nullopt));
    Rcon(7);

    const std::string error = "Can't open config file: " + plugin.Server().ConfigPath() + " (not found)";
    ASSERT_EQ(chat.size(), 1u);
    EXPECT_EQ(chat[0].Text, "Reload failed: " + error);
    EXPECT_EQ(chat[0].Colour.R, 1.0f);
    EXPECT_EQ(chat[0].Colour.G, 0.0f);
    EXPECT_EQ(chat[0].Colour.A, 1.0f);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].Id, 7);
    EXPECT_EQ(answers[0].Text, "Reload failed: " + error);
    EXPECT_EQ(plugin.Log().Count("[DinoTuner][error] " + error), 2u);
}

#if !defined(_WIN32)
// A FIFO put at the path between any look at it and the open would block the game thread until
// someone wrote to it. While a FIFO and a file keep taking turns at the path, every reload answers.
TEST_F(ReloadCommands, EveryReloadAnswersWhileAFifoAndAFileSwapPlaces)
{
    const std::string path = plugin.Server().ConfigPath();
    const std::string fifo = path + ".fifo";
    const std::string file = path + ".file";
    std::ofstream(file) << testing_support::kEmptyConfig;
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::atomic<bool> done{false};
    // Each is linked under a spare name and renamed onto the path, so both stay for the next turn.
    std::thread swapper([&] {
        while (!done) {
            for (const std::string* source : {&fifo, &file}) {
                const std::string spare = *source + ".spare";
                if (link(source->c_str(), spare.c_str()) == 0) {
                    rename(spare.c_str(), path.c_str());
                }
            }
        }
    });
    // A reload that blocks would hang the test: the alarm ends it as a failure instead.
    alarm(120);
    const std::string refused = "Reload failed: Can't open config file: " + path + " (not a regular file)";
    std::size_t read = 0;
    std::size_t refusals = 0;
    for (std::int32_t id = 0; id < 20000 && (read < 50 || refusals < 50); ++id) {
        Rcon(id);
        if (answers.size() != static_cast<std::size_t>(id) + 1) {
            ADD_FAILURE() << "reload " << id << " did not answer";
            break;
        }
        const std::string& text = answers.back().Text;
        read += text == "Reloaded Config" ? 1 : 0;
        refusals += text == refused ? 1 : 0;
        if (text != "Reloaded Config" && text != refused) {
            ADD_FAILURE() << text;
            break;
        }
    }
    alarm(0);
    done = true;
    swapper.join();
    EXPECT_GE(read, 50u);
    EXPECT_GE(refusals, 50u);
}
#endif

TEST_F(ReloadCommands, AHugeTokenIsQuotedOnlyInPartInTheLogAndTheReplies)
{
    // The parser quotes the unterminated string it stopped at: 100,000 characters of it.
    plugin.Server().WriteConfig(R"({"GlobalDinoBalance": ")" + std::string(100000, 'x'));
    Console(plugin.World().AddPlayer("ann", std::nullopt));
    Rcon(9);

    ASSERT_EQ(chat.size(), 1u);
    ASSERT_EQ(answers.size(), 1u);
    const std::vector<std::string> errors = plugin.Log().Messages("error");
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].rfind("Error parsing config file: ", 0), 0u);
    EXPECT_LT(errors[0].size(), 400u);
    EXPECT_EQ(errors[0].substr(errors[0].size() - 3), "...");
    EXPECT_EQ(chat[0].Text, "Reload failed: " + errors[0]);
    EXPECT_EQ(answers[0].Text, chat[0].Text);
}

TEST_F(ReloadCommands, SkippedEntriesAreCountedAndTheFirstIsNamedInYellow)
{
    plugin.Server().WriteConfig(R"({"GlobalDinoBalance": null, "DinoBalance": {"a": {}, "b": {"AllowTame": 1}, "c": 7}})");
    Console(plugin.World().AddPlayer("ann", std::nullopt));
    Rcon(12);

    const std::string expected =
        R"(Reloaded, but skipped 2 of 3 entries, with 3 warnings. First: [json.exception.type_error.302] type must be boolean, but is number (key "AllowTame") in "b")";
    ASSERT_EQ(chat.size(), 1u);
    EXPECT_EQ(chat[0].Text, expected);
    EXPECT_EQ(chat[0].Colour.R, 1.0f);
    EXPECT_EQ(chat[0].Colour.G, 1.0f);
    EXPECT_EQ(chat[0].Colour.B, 0.0f);
    EXPECT_EQ(chat[0].Colour.A, 1.0f);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].Text, expected);
    EXPECT_EQ(answers[0].Type, 0);
}

// Characters (code points) of UTF-8 text.
std::size_t Characters(const std::string& text)
{
    std::size_t count = 0;
    for (const char c : text) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

TEST_F(ReloadCommands, ALongYellowReplyIsCutWholeAtACharacterAndAnEscape)
{
    // The skipped entry's key is quoted with an escape for every control character: its error
    // runs far past the cap, and where the cut falls moves with the padding in front.
    std::string key;
    for (int i = 0; i < 100; ++i) {
        key += "\\u00e9\\u0001";
    }
    for (int padding = 0; padding < 7; ++padding) {
        chat.clear();
        answers.clear();
        plugin.Server().WriteConfig(R"({"GlobalDinoBalance": null, "DinoBalance": {"a": {}, ")" + std::string(padding, 'x') + key +
                                    R"(": {"AllowTame": 1}}})");
        Console(plugin.World().AddPlayer("ann" + std::to_string(padding), std::nullopt));
        Rcon(padding);

        ASSERT_EQ(chat.size(), 1u);
        const std::string& reply = chat[0].Text;
        EXPECT_EQ(chat[0].Colour.G, 1.0f);
        EXPECT_EQ(reply.rfind("Reloaded, but skipped 1 of 2 entries, with 2 warnings. First: ", 0), 0u) << reply;
        EXPECT_LE(Characters(reply), 400u) << reply;
        ASSERT_GE(reply.size(), 3u);
        EXPECT_EQ(reply.substr(reply.size() - 3), "...");
        const std::string kept = reply.substr(0, reply.size() - 3);
        EXPECT_EQ(kept.find("\xEF\xBF\xBD"), std::string::npos) << "a character was cut in half: " << reply;
        const std::size_t escape = kept.rfind('\\');
        ASSERT_NE(escape, std::string::npos);
        EXPECT_EQ(kept.substr(escape, 6), "\\u0001") << "the reply ends inside an escape: " << reply;
        ASSERT_EQ(answers.size(), 1u);
        EXPECT_EQ(answers[0].Text, reply);
    }
}

TEST_F(ReloadCommands, DinosLeftAtAnotherRateAndSkippedEntriesShareOneYellowReply)
{
    const std::string raptor = "Blueprint'/Game/PrimalEarth/Dinos/Raptor/Raptor_Character_BP.Raptor_Character_BP'";
    plugin.Server().WriteConfig(R"({"GlobalDinoBalance": null, "DinoBalance": {")" + raptor +
                                R"(": {"ReducedFoodConsumptionSpeedMultiplier": 0.5}}})");
    Console(nullptr);
    std::string error;
    for (const char* id : {"r1", "r2"}) {
        ASSERT_TRUE(plugin.World().Spawn("Raptor", std::string(id), 20000, 1, 1, error)) << error;
    }
    plugin.World().SetFault("Raptor", sim::SpawnFault::NoSpawn);
    plugin.Server().WriteConfig(R"({"GlobalDinoBalance": null, "DinoBalance": {"b": {"AllowTame": 1}}})");
    Console(plugin.World().AddPlayer("ann", std::nullopt));
    Rcon(5);

    const std::string expected =
        R"(Reloaded, but skipped 1 of 1 entries and 2 dinos keep another rate (no reference dino could be spawned), with 1 warning. First: )"
        R"([json.exception.type_error.302] type must be boolean, but is number (key "AllowTame") in "b")";
    ASSERT_EQ(chat.size(), 1u);
    EXPECT_EQ(chat[0].Text, expected);
    EXPECT_EQ(chat[0].Colour.R, 1.0f);
    EXPECT_EQ(chat[0].Colour.G, 1.0f);
    EXPECT_EQ(chat[0].Colour.B, 0.0f);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].Text, expected);
    EXPECT_EQ(plugin.Log().Count("[warning] 2 dinos of \"" + raptor + "\" keep another rate than the file gives"), 2u)
        << "once for each reload";
}

TEST_F(ReloadCommands, ANullConnectionReloadsWithoutAnswering)
{
    RCONPacket packet;
    packet.Id = 3;
    packet.Body = FString("DinoTuner.Reload");
    ASSERT_TRUE(sim::ExecuteRconCommand(nullptr, &packet, nullptr));
    EXPECT_TRUE(answers.empty());
    EXPECT_EQ(plugin.Log().Count("Loaded 0 dino balances!"), 2u) << "one at load, one for the reload";
}

// The replies of Status, Show and Species must fit one RCON packet that every tool reads whole,
// and chat: ASCII, never empty, under 1,000 characters, a cut line ending in "...".
TEST(InfoReply, IsAsciiNeverEmptyAndCutWholeUnderOneThousandCharacters)
{
    EXPECT_EQ(FitReply({}).size(), 1u);
    EXPECT_FALSE(FitReply({}).front().Text.empty());

    const Reply accents = FitReply({{"Gr\xC3\xB6\xC3\x9F" "e\tBP"}});
    EXPECT_EQ(accents.front().Text, "Gr????e?BP");

    Reply many;
    for (int i = 0; i < 30; ++i) {
        many.push_back({std::string(40, static_cast<char>('a' + i % 26))});
    }
    many.push_back({std::string(2000, 'z') + "\\u0001"});
    const Reply fitted = FitReply(many);
    std::size_t total = 0;
    for (const ReplyLine& line : fitted) {
        total += line.Text.size() + 1;
    }
    EXPECT_LT(total - 1, 1000u) << "the lines with their line breaks";
    ASSERT_EQ(fitted.size(), 25u) << "24 whole lines, then the cut one";
    EXPECT_EQ(fitted[23].Text, std::string(40, 'x'));
    EXPECT_EQ(fitted.back().Text.substr(fitted.back().Text.size() - 3), "...");
}

}  // namespace
