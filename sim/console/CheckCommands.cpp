// Checks inside a script: what the previous command printed (its results and the log lines
// written while it ran) must or must not contain a text, or it must have failed with one.

#include <algorithm>

#include "Console.h"
#include "ConsoleError.h"

namespace console {

namespace {

std::string RequireText(Arguments& arguments, const char* check)
{
    std::string text = arguments.Rest();
    if (text.empty()) {
        throw ConsoleError(std::string(check) + " needs the text to look for");
    }
    return text;
}

std::size_t LinesContaining(const Console& console, const std::string& text)
{
    const std::vector<std::string>& output = console.PreviousOutput();
    return static_cast<std::size_t>(
        std::count_if(output.begin(), output.end(), [&](const std::string& line) { return line.find(text) != std::string::npos; }));
}

void Expect(Console& console, Arguments& arguments)
{
    const std::string text = RequireText(arguments, "expect");
    console.RecordCheck(LinesContaining(console, text) > 0, text);
}

void ExpectNot(Console& console, Arguments& arguments)
{
    const std::string text = RequireText(arguments, "expect-not");
    console.RecordCheck(LinesContaining(console, text) == 0, text);
}

// "expect-count N TEXT": exactly N lines contain TEXT, so a line written twice (two loggers,
// a hook installed twice) shows.
void ExpectCount(Console& console, Arguments& arguments)
{
    const int expected = arguments.Int("number of lines");
    const std::string text = RequireText(arguments, "expect-count");
    console.RecordCheck(expected >= 0 && LinesContaining(console, text) == static_cast<std::size_t>(expected),
                        std::to_string(expected) + " " + text);
}

// A script that shows an error on purpose says so: the error then passes as a check instead of
// failing the run.
void ExpectError(Console& console, Arguments& arguments)
{
    const std::string text = RequireText(arguments, "expect-error");
    const auto& error = console.PreviousError();
    const bool matches = error.has_value() && error->find(text) != std::string::npos;
    console.RecordCheck(matches && console.ExcusePreviousError(), text);
}

}  // namespace

void AddCheckCommands(CommandTable& table)
{
    const char* group = kCheckGroup;
    table["expect"] = {&Expect, true, group, "expect TEXT...", "the previous command's output must contain TEXT",
                       "Its output is its result lines and every log line written while it ran.\n"
                       "A failed check prints: expect failed (line <n>): <text>"};
    table["expect-not"] = {&ExpectNot, true, group, "expect-not TEXT...", "the previous command's output must not contain TEXT", ""};
    table["expect-count"] = {&ExpectCount, true, group, "expect-count N TEXT...", "exactly N lines of the previous command's output contain TEXT", ""};
    table["expect-error"] = {&ExpectError, true, group, "expect-error TEXT...", "the previous command must have failed with an error containing TEXT",
                             "The error then counts as a passed check instead of failing the run."};
}

}  // namespace console
