// How a console line is cut into words, and what "the rest of the line" keeps: scripts hold
// JSON and chat text whose quotes and spacing must reach the command untouched.

#include <gtest/gtest.h>

#include "Arguments.h"
#include "ConsoleError.h"
#include "LineReader.h"
#include "Numbers.h"

namespace {

using console::Arguments;
using console::ConsoleError;
using console::LineReader;

std::vector<std::string> Words(const std::string& line)
{
    LineReader reader(line);
    std::vector<std::string> words;
    while (auto word = reader.Next()) {
        words.push_back(*word);
    }
    return words;
}

TEST(LineWords, SpacesAndTabsSeparateAndRunsOfThemCountOnce)
{
    EXPECT_EQ(Words("  spawn\traptor   name  r1 "), (std::vector<std::string>{"spawn", "raptor", "name", "r1"}));
    EXPECT_TRUE(Words("   ").empty());
}

TEST(LineWords, QuotesGroupWordsAndAreDropped)
{
    EXPECT_EQ(Words(R"(class Wyvern "/Game/My Mods/W_C" like Rex)"),
              (std::vector<std::string>{"class", "Wyvern", "/Game/My Mods/W_C", "like", "Rex"}));
    EXPECT_EQ(Words(R"(a "" b)"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(Words(R"(pre"fix suf"fix)"), (std::vector<std::string>{"prefix suffix"}));
}

TEST(LineWords, AnUnclosedQuoteIsAnError)
{
    LineReader reader(R"(spawn "raptor)");
    EXPECT_EQ(reader.Next(), "spawn");
    EXPECT_THROW(reader.Next(), ConsoleError);
}

TEST(LineRest, KeepsQuotesAndSpacingAfterOneSeparatingSpace)
{
    LineReader reader(R"(config-text {"DinoBalance":  {"a b": 1}}  )");
    ASSERT_EQ(reader.Next(), "config-text");
    EXPECT_EQ(reader.Rest(), R"({"DinoBalance":  {"a b": 1}}  )");

    LineReader twoSpaces("expect  two");
    reader = twoSpaces;
    ASSERT_EQ(reader.Next(), "expect");
    EXPECT_EQ(reader.Rest(), " two") << "only one separating space is dropped";

    LineReader alone("config-text");
    ASSERT_EQ(alone.Next(), "config-text");
    EXPECT_EQ(alone.Rest(), "");
}

TEST(LineRest, AnUnclosedQuoteInTheRestIsNoError)
{
    LineReader reader(R"(console as bob say "hi)");
    ASSERT_EQ(reader.Next(), "console");
    EXPECT_TRUE(reader.Skip("as"));
    EXPECT_EQ(reader.Next(), "bob");
    EXPECT_EQ(reader.Rest(), R"(say "hi)");
}

TEST(LineRest, SkipTakesOnlyTheWholeBareWord)
{
    LineReader reader("console ask");
    ASSERT_EQ(reader.Next(), "console");
    EXPECT_FALSE(reader.Skip("as")) << "'ask' is not 'as'";
    EXPECT_EQ(reader.Rest(), "ask");
    LineReader quoted(R"(console "as" x)");
    ASSERT_EQ(quoted.Next(), "console");
    EXPECT_FALSE(quoted.Skip("as"));
}

TEST(SkippedLines, BlankAndCommentLines)
{
    EXPECT_TRUE(console::IsSkippedLine(""));
    EXPECT_TRUE(console::IsSkippedLine(" \t "));
    EXPECT_TRUE(console::IsSkippedLine("  # spawn raptor"));
    EXPECT_FALSE(console::IsSkippedLine("spawn raptor # not a comment"));
}

TEST(Numbers, WholeWordsOnly)
{
    EXPECT_EQ(console::ParseInt("-100"), -100);
    EXPECT_EQ(console::ParseInt("+7"), 7);
    EXPECT_EQ(console::ParseInt("7x"), std::nullopt);
    EXPECT_EQ(console::ParseInt(""), std::nullopt);
    EXPECT_EQ(console::ParseInt("+-1"), std::nullopt);
    EXPECT_EQ(console::ParseInt("99999999999"), std::nullopt) << "out of range is not a number";
    EXPECT_EQ(console::ParseFloat("0.5"), 0.5f);
    EXPECT_EQ(console::ParseFloat("-1e3"), -1000.0f);
    EXPECT_EQ(console::ParseFloat("1.5.2"), std::nullopt);
    EXPECT_EQ(console::ParseFloat("nan"), std::nullopt);
    EXPECT_EQ(console::ParseFloat("inf"), std::nullopt);
    EXPECT_EQ(console::ParseFloat("1e39"), std::nullopt) << "too large for a 32-bit float";
}

TEST(KeywordOptions, AnyOrderButEachOnceAndKnown)
{
    LineReader reader("raptor level 5 name r team 2");
    Arguments arguments(reader);
    ASSERT_EQ(arguments.Word("species"), "raptor");
    const auto options = arguments.KeywordOptions({"name", "team", "level", "base"});
    EXPECT_EQ(options, (std::map<std::string, std::string>{{"level", "5"}, {"name", "r"}, {"team", "2"}}));

    LineReader twice("team 1 team 2");
    Arguments repeated(twice);
    EXPECT_THROW(repeated.KeywordOptions({"team"}), ConsoleError);

    LineReader unknown("colour red");
    Arguments stray(unknown);
    EXPECT_THROW(stray.KeywordOptions({"team"}), ConsoleError);

    LineReader dangling("team");
    Arguments missing(dangling);
    EXPECT_THROW(missing.KeywordOptions({"team"}), ConsoleError);
}

TEST(RequiredArguments, MissingWordsNumbersAndLeftovers)
{
    LineReader reader("abc");
    Arguments arguments(reader);
    EXPECT_THROW(arguments.Int("team"), ConsoleError);
    EXPECT_THROW(arguments.Word("id"), ConsoleError);

    LineReader extra("raptor1 extra");
    Arguments leftovers(extra);
    leftovers.Word("id");
    EXPECT_THROW(leftovers.End(), ConsoleError);
}

}  // namespace
