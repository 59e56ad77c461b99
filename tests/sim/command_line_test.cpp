// The server's command line: what it accepts and the bad uses it refuses before starting.

#include <gtest/gtest.h>

#include "CommandLine.h"

namespace {

using console::Options;

struct Parsed {
    bool ok = false;
    Options options;
    std::string error;
};

Parsed Parse(const std::vector<std::string>& arguments)
{
    Parsed parsed;
    parsed.ok = console::ParseCommandLine(arguments, parsed.options, parsed.error);
    return parsed;
}

TEST(CommandLine, DefaultsLoadAtStartInTheCurrentDirectoryWhileStarting)
{
    const Parsed parsed = Parse({});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.options.Dir, ".");
    EXPECT_FALSE(parsed.options.PluginPath.has_value());
    EXPECT_EQ(parsed.options.ServerState, 0);
    EXPECT_TRUE(parsed.options.LoadAtStart);
    EXPECT_FALSE(parsed.options.Serve);
    EXPECT_FALSE(parsed.options.RconPort.has_value());
}

TEST(CommandLine, EveryOptionAndScriptsInOrder)
{
    const Parsed parsed = Parse({"--dir", "/srv/ark", "--plugin", "x/DinoTuner.so", "--state", "up", "--no-load", "--script", "b.txt",
                                 "--script", "a.txt", "--narrate", "--serve", "--rcon-port", "27020", "--rcon-password", "pw"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.options.Dir, "/srv/ark");
    EXPECT_EQ(parsed.options.PluginPath, "x/DinoTuner.so");
    EXPECT_EQ(parsed.options.ServerState, 1);
    EXPECT_FALSE(parsed.options.LoadAtStart);
    EXPECT_EQ(parsed.options.Scripts, (std::vector<std::string>{"b.txt", "a.txt"}));
    EXPECT_TRUE(parsed.options.Narrate);
    EXPECT_TRUE(parsed.options.Serve);
    EXPECT_EQ(parsed.options.RconPort, 27020);
    EXPECT_EQ(parsed.options.RconPassword, "pw");
}

TEST(CommandLine, BadUseIsRefusedWithOneLineSaying)
{
    const std::vector<std::vector<std::string>> bad{
        {"--dir"},                                                  // value missing
        {"--state", "ready"},                                       // not a state
        {"--bogus"},                                                // unknown option
        {"stray"},                                                  // not an option
        {"--dir", "a", "--dir", "b"},                               // given twice
        {"--serve", "--rcon-port", "1"},                            // port without password
        {"--serve", "--rcon-password", "pw"},                       // password without port
        {"--serve", "--rcon-port", "1", "--rcon-password", ""},     // a password that lets anyone in
        {"--serve", "--rcon-port", "65536", "--rcon-password", "x"},  // not a port
        {"--serve", "--rcon-port", "-1", "--rcon-password", "x"},
        {"--script", "s.txt", "--rcon-port", "1", "--rcon-password", "x"},  // RCON never served
    };
    for (const auto& arguments : bad) {
        const Parsed parsed = Parse(arguments);
        EXPECT_FALSE(parsed.ok) << arguments.front();
        EXPECT_FALSE(parsed.error.empty());
        EXPECT_EQ(parsed.error.find('\n'), std::string::npos);
    }
}

// --help is where an admin learns the flags: each has a line of its own that says what it does.
TEST(CommandLine, HelpExplainsEveryOption)
{
    const std::string usage = console::UsageText();
    for (const char* option : {"--dir DIR", "--plugin LIB", "--state starting|up", "--no-load", "--script FILE", "--narrate", "--serve",
                               "--rcon-port N", "--rcon-password PW", "-h, --help"}) {
        const std::size_t at = usage.find(std::string("\n  ") + option + "  ");
        ASSERT_NE(at, std::string::npos) << option;
        const std::size_t lineEnd = usage.find('\n', at + 1);
        EXPECT_GT(lineEnd - at, 40u) << option << " has no explanation";
    }
    EXPECT_TRUE(Parse({"--help"}).options.Help);
}

TEST(CommandLine, RconWithoutScriptsServesTheStandardInputConsole)
{
    const Parsed parsed = Parse({"--rcon-port", "0", "--rcon-password", "pw"});
    EXPECT_TRUE(parsed.ok) << parsed.error;
}

}  // namespace
