// The report for a reader: the plugin's log lines as it writes them, the warnings, and a table
// of every species entry with its effective values. Colours only when writing to a terminal.

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "CheckReport.h"
#include "config/EffectiveView.h"

namespace check {

namespace {

struct Style {
    bool Colour;
    std::string operator()(const char* code, const std::string& text) const
    {
        return Colour ? fmt::format("\033[{}m{}\033[0m", code, text) : text;
    }
};

// Keys may hold any byte, a zero among them: written by length, never as C strings.
void Write(std::FILE* out, const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), out);
}

constexpr const char* kBold = "1";
constexpr const char* kRed = "1;31";
constexpr const char* kYellow = "33";
constexpr const char* kGreen = "32";

std::vector<std::string> Row(const std::string& key, const BalancedDino& entry)
{
    std::vector<std::string> row{key};
    for (const BalanceKey& balanceKey : kBalanceKeys) {
        row.push_back(EffectiveCell(balanceKey, entry));
    }
    return row;
}

// Below an entry that sets "Tamed" or "Wild": the damage its tamed or wild dinos take and cause.
std::vector<std::string> SideRow(const DamageSide& side, const BalancedDino& entry)
{
    std::vector<std::string> row{fmt::format("  {} dinos", side.Name)};
    for (const BalanceKey& key : kBalanceKeys) {
        const bool divides = key.Multiplier == &BalancedDino::DamageResistanceMultiplier;
        row.push_back(key.SideMultiplier != nullptr ? FactorText(Factor(key, entry, side), divides ? "/" : "x") : "");
    }
    return row;
}

std::vector<std::string> Header()
{
    std::vector<std::string> header{"Species"};
    for (const BalanceKey& key : kBalanceKeys) {
        header.push_back(key.Label);
    }
    return header;
}

void PrintTable(const Report& report, const Style& style, std::FILE* out)
{
    std::map<std::string, const BalancedDino*> sorted;
    for (const auto& [key, entry] : report.Table.Dinos) {
        sorted.emplace(key, &entry);
    }
    std::vector<std::vector<std::string>> rows{Header()};
    for (const auto& [key, entry] : sorted) {
        rows.push_back(Row(key, *entry));
        if (SplitsDamage(*entry)) {
            for (const DamageSide& side : kDamageSides) {
                rows.push_back(SideRow(side, *entry));
            }
        }
    }
    std::vector<std::size_t> widths(rows[0].size(), 0);
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            widths[i] = std::max(widths[i], row[i].size());
        }
    }

    const std::string onMap = report.Map ? fmt::format(" on map {} (its section of \"Maps\" over the base)", *report.Map) : "";
    Write(out, style(kBold, fmt::format("Species entries{}: {}", onMap, sorted.size())));
    std::fputc('\n', out);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        std::string line = " ";
        for (std::size_t i = 0; i < rows[r].size(); ++i) {
            line += " " + rows[r][i] + std::string(widths[i] - rows[r][i].size(), ' ');
        }
        line.erase(line.find_last_not_of(' ') + 1);
        Write(out, (r == 0 ? style(kBold, line) : line));
        std::fputc('\n', out);
    }

    std::vector<std::string> globalFactors;
    for (const BalanceKey& key : kBalanceKeys) {
        if (key.Group == KeyGroup::Consumption) {
            globalFactors.push_back(fmt::format("{} {}", key.Label, FactorText(::Factor(key, report.Table.Global), "x")));
        }
    }
    Write(out, fmt::format("Species without an entry ({}): {}\n", kGlobalSection, fmt::join(globalFactors, ", ")));
    Write(out, "  (- = unchanged. Resistance divides the damage the species takes, Attack multiplies the damage it causes,\n"
               "  Turret multiplies the damage it takes from every hit that has a causer. \"Tamed dinos\" and \"Wild dinos\" rows\n"
               "  show the damage of an entry that sets them apart; a structure takes the entry's row.)\n");
}

std::string Plural(std::size_t count, const char* noun)
{
    return fmt::format("{} {}{}", count, noun, count == 1 ? "" : "s");
}

std::string Verdict(const Report& report, bool strict, const Style& style)
{
    const std::size_t errors = report.Count(Severity::Error);
    const std::size_t warnings = report.Count(Severity::Warning);
    if (errors > 0) {
        const char* what = report.Loaded ? "the plugin skips part of this file" : "the plugin would not use this file";
        return style(kRed, fmt::format("{}: {}", Plural(errors, "error"), what)) +
               (warnings > 0 ? ", " + style(kYellow, Plural(warnings, "warning")) : "");
    }
    if (warnings > 0) {
        return style(kYellow, Plural(warnings, "warning") + (strict ? " (failing, --strict)" : ""));
    }
    return style(kGreen, "clean");
}

// Where a finding is: its entry, and its line and column when known.
std::string Where(const Finding& finding)
{
    std::string where = finding.Entry.empty() ? "file" : finding.Entry;
    if (finding.Line) {
        where += fmt::format(" (line {}, column {})", *finding.Line, finding.Column.value_or(0));
    }
    return where;
}

}  // namespace

void PrintText(const Report& report, bool colour, bool strict, std::FILE* out)
{
    const Style style{colour};
    Write(out, fmt::format("{}: {}\n", style(kBold, report.File), Verdict(report, strict, style)));

    if (!report.LogLines.empty()) {
        Write(out, "\n" + style(kBold, "The plugin's log:") + "\n");
        for (const std::string& line : report.LogLines) {
            const bool error = line.find("][error] ") != std::string::npos;
            Write(out, (error ? style(kRed, line) : line) + "\n");
        }
    }

    if (!report.Findings.empty()) {
        Write(out, "\n" + style(kBold, "Findings:") + "\n");
        for (const Finding& finding : report.Findings) {
            const bool error = finding.Level == Severity::Error;
            Write(out, fmt::format("{} {}: {}\n", error ? style(kRed, "error:") : style(kYellow, "warning:"), Where(finding), finding.Message));
        }
    }

    if (report.Loaded) {
        Write(out, "\n");
        PrintTable(report, style, out);
    }
}

}  // namespace check
