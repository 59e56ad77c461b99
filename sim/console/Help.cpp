// `help` and `help COMMAND`: the console describes its own commands, from the same table that
// runs them, so the list cannot drift from what the console accepts.

#include "Help.h"

#include <algorithm>
#include <cctype>

#include <fmt/format.h>

#include "ConsoleError.h"

namespace console {

namespace {

constexpr const char* kGroups[] = {kServerGroup, kWorldGroup, kPlayerGroup, kCheckGroup, kHelpGroup};

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Edits (insert, delete or replace one character, swap two neighbours) that turn `a` into `b`.
std::size_t EditDistance(const std::string& a, const std::string& b)
{
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) {
        d[i][0] = i;
    }
    for (std::size_t j = 0; j <= b.size(); ++j) {
        d[0][j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
}

// Lines printed after the command list.
constexpr const char* kFooter[] = {
    "One command per line; words are separated by spaces, \"double quotes\" hold a word with spaces,",
    "and lines starting with # are comments. The full reference is docs/console.md.",
};

void ListCommands(Console& console)
{
    const CommandTable& table = console.Commands();
    for (const char* group : kGroups) {
        console.Print(std::string(group) + ":");
        for (const auto& [name, entry] : table) {
            if (std::string(entry.Group) == group) {
                console.Print(fmt::format("  {:<14} {}", name, entry.Summary));
            }
        }
    }
    console.Print("Type 'help COMMAND' for how to write one command and what it prints.");
    for (const char* line : kFooter) {
        console.Print(line);
    }
}

void DescribeCommand(Console& console, const std::string& name)
{
    const CommandTable& table = console.Commands();
    const auto found = table.find(name);
    if (found == table.end()) {
        std::string message = "no command '" + name + "'";
        if (const std::string close = ClosestCommand(table, name); !close.empty()) {
            message += "; did you mean '" + close + "'?";
        }
        throw ConsoleError(message);
    }
    const CommandEntry& entry = found->second;
    console.Print(std::string("usage: ") + entry.Usage);
    console.Print(std::string("  ") + entry.Summary);
    // Details are lines separated by '\n'.
    std::string details = entry.Details;
    std::size_t start = 0;
    while (start < details.size()) {
        const std::size_t end = std::min(details.find('\n', start), details.size());
        console.Print("  " + details.substr(start, end - start));
        start = end + 1;
    }
}

void Help(Console& console, Arguments& arguments)
{
    const std::optional<std::string> topic = arguments.OptionalWord();
    arguments.End();
    if (topic) {
        DescribeCommand(console, *topic);
    } else {
        ListCommands(console);
    }
}

}  // namespace

std::string ClosestName(const std::vector<std::string>& candidates, const std::string& typed)
{
    const std::string wanted = Lower(typed);
    std::string best;
    std::size_t bestDistance = 0;
    for (const std::string& candidate : candidates) {
        const std::size_t distance = EditDistance(wanted, Lower(candidate));
        if (best.empty() || distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    // Two edits catch most typos; more than a third of the word changed is a different word.
    const std::size_t allowed = std::min<std::size_t>(2, std::max<std::size_t>(1, wanted.size() / 3));
    return !best.empty() && bestDistance <= allowed ? best : std::string();
}

std::string ClosestCommand(const CommandTable& table, const std::string& typed)
{
    std::vector<std::string> names;
    for (const auto& entry : table) {
        names.push_back(entry.first);
    }
    return ClosestName(names, typed);
}

void AddHelpCommands(CommandTable& table)
{
    table["help"] = {&Help, false, kHelpGroup, "help [COMMAND]", "list the commands, or tell how to write one and what it prints", ""};
}

}  // namespace console
