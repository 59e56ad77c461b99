// Findings of a report: adding, counting, reading order, and the verdict.

#include <algorithm>

#include "CheckReport.h"
#include "config/BalanceKeys.h"

namespace check {

void Report::Add(Severity level, std::string entry, std::string key, std::string message)
{
    Finding finding;
    finding.Level = level;
    finding.Entry = std::move(entry);
    finding.Key = std::move(key);
    finding.Message = std::move(message);
    Findings.push_back(std::move(finding));
}

std::size_t Report::Count(Severity level) const
{
    return static_cast<std::size_t>(
        std::count_if(Findings.begin(), Findings.end(), [&](const Finding& finding) { return finding.Level == level; }));
}

void SortFindings(Report& report)
{
    const auto rank = [](const Finding& finding) {
        return finding.Entry.empty() ? 0 : finding.Entry == kGlobalSection ? 1 : finding.Entry == kSpeciesSection ? 2 : 3;
    };
    std::stable_sort(report.Findings.begin(), report.Findings.end(), [&](const Finding& a, const Finding& b) {
        return rank(a) != rank(b) ? rank(a) < rank(b) : (rank(a) == 3 && a.Entry < b.Entry);
    });
}

int ExitStatus(const Report& report, bool strict)
{
    if (report.Count(Severity::Error) > 0) {
        return kFailed;
    }
    return strict && report.Count(Severity::Warning) > 0 ? kFailed : kClean;
}

}  // namespace check
