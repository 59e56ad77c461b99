// The plugin's log lines as they reach the host's sinks. Built twice: against the stand-in host
// (spdlog 1.x) and, where the host's SDK is at hand, against the host's own spdlog (tests/hostlog).

#include <regex>

#include <gtest/gtest.h>

#include "logging/LogLine.h"
#include "logging/LogText.h"
#include "logging/Logger.h"
#include "support/RecordedLog.h"

namespace {

TEST(PluginLogger, LineReadsDateTimeNameLevelMessage)
{
    auto sink = testing_support::RecordHostLines();
    InitLogger(GetLogger(), "DinoTuner");
    GetLogger()->info("Config Loaded!");

    ASSERT_EQ(sink->Lines().size(), 1u);
    // 03/05/25 14:07 [DinoTuner][info] Config Loaded!  (no seconds)
    EXPECT_TRUE(std::regex_match(sink->Lines()[0], std::regex(R"(\d\d/\d\d/\d\d \d\d:\d\d \[DinoTuner\]\[info\] Config Loaded!)")))
        << sink->Lines()[0];

    // The tools read lines back through the same layout.
    const std::optional<LogLine> parsed = ParseLogLine(sink->Lines()[0]);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->Logger, "DinoTuner");
    EXPECT_EQ(parsed->Level, "info");
    EXPECT_EQ(parsed->Message, "Config Loaded!");
    EXPECT_FALSE(ParseLogLine("[DinoTuner][info] Config Loaded!")) << "no date and time";
    EXPECT_FALSE(ParseLogLine("03/05/25 14:07 DinoTuner info Config Loaded!"));
}

TEST(PluginLogger, LevelNamesAndPlaceholders)
{
    auto sink = testing_support::RecordHostLines();
    InitLogger(GetLogger(), "DinoTuner");
    GetLogger()->warn("Attemped to register an unvalid command!");
    GetLogger()->error("Error loading dino: {}", "boom");
    GetLogger()->info("Loaded {} dino balances!", 0);
    GetLogger()->debug("dropped at the default level");

    EXPECT_EQ(sink->Messages(), (std::vector<std::string>{"Attemped to register an unvalid command!", "Error loading dino: boom",
                                                          "Loaded 0 dino balances!"}));
    EXPECT_EQ(sink->Count("[DinoTuner][warning] "), 1u);
    EXPECT_EQ(sink->Count("[DinoTuner][error] "), 1u);
}

TEST(PluginLogger, FlushesEveryLineAtInfoAndCopiesTheSinkList)
{
    auto sink = testing_support::RecordHostLines();
    InitLogger(GetLogger(), "DinoTuner");
    GetLogger()->info("first");
    GetLogger()->warn("second");
    EXPECT_EQ(sink->Flushes(), 2u) << "a line at info or above reaches the file at once, before a crash can lose it";

    // A sink the host adds later is not picked up: the logger copied the list at creation.
    auto late = testing_support::RecordHostLines();
    GetLogger()->info("after");
    EXPECT_EQ(sink->Count("after"), 1u);
    EXPECT_EQ(late->Count("after"), 0u);
}

TEST(PluginLogger, SecondInitReplacesTheLogger)
{
    auto sink = testing_support::RecordHostLines();
    InitLogger(GetLogger(), "DinoTuner");
    const auto first = GetLogger();
    InitLogger(GetLogger(), "Renamed");
    EXPECT_NE(GetLogger(), first);
    GetLogger()->info("hello");
    EXPECT_EQ(sink->Count("[Renamed][info] hello"), 1u);
}

// With spdlog 1.x a sink holds the pattern, so the plugin's logger gave the host's shared sinks a
// formatter of its own making, and it stays there when the logger is gone (the library unloaded):
// the host's next line is formatted by the plugin's code. With the host's spdlog the pattern is
// the logger's, and nothing of the plugin stays in the sinks.
TEST(PluginLogger, WhatFormatsTheHostsLinesOnceThePluginsLoggerIsGone)
{
    auto sink = testing_support::RecordHostLines();
    InitLogger(GetLogger(), "DinoTuner");
    GetLogger()->info("loaded");
    GetLogger().reset();
    testing_support::LogAsTheHost("after the plugin");

    ASSERT_EQ(sink->Lines().size(), 2u);
    const std::optional<LogLine> hostLine = ParseLogLine(sink->Lines()[1]);
#if defined(DINOTUNER_HOST_SPDLOG)
    EXPECT_FALSE(hostLine) << "the host's own pattern: " << sink->Lines()[1];
    EXPECT_NE(sink->Lines()[1].find("after the plugin"), std::string::npos);
#else
    ASSERT_TRUE(hostLine) << "the plugin's pattern, from the formatter it left: " << sink->Lines()[1];
    EXPECT_EQ(hostLine->Logger, "host");
#endif
}

TEST(LogText, CapsByCharacterAndQuotesOnOneLine)
{
    EXPECT_EQ(Capped("abcdef", 3), "abc...");
    EXPECT_EQ(Capped("abc", 3), "abc");
    EXPECT_EQ(Capped("\xC3\xA9\xC3\xA9\xC3\xA9", 2), "\xC3\xA9\xC3\xA9...") << "a character is never cut in half";
    EXPECT_EQ(Quoted("a\"b\\c\nd\x7F"), R"("a\"b\\c\u000ad\u007f")");
    EXPECT_EQ(Quoted(std::string(300, 'k')), "\"" + std::string(200, 'k') + "...\"");
}

}  // namespace
