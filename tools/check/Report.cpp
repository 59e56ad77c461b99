// Verdict and reading order of a report.

#include <algorithm>

#include "CheckReport.h"
#include "config/BalanceKeys.h"

namespace check {

void SortWarnings(Report& report)
{
    const auto rank = [](const Warning& warning) {
        return warning.Section == kGlobalSection ? 0 : warning.Section == kSpeciesSection ? 1 : 2;
    };
    std::stable_sort(report.Warnings.begin(), report.Warnings.end(), [&](const Warning& a, const Warning& b) {
        return rank(a) != rank(b) ? rank(a) < rank(b) : (rank(a) == 2 && a.Section < b.Section);
    });
}

int ExitStatus(const Report& report)
{
    if (!report.Loaded || !report.Errors.empty()) {
        return 1;
    }
    return report.Warnings.empty() ? 0 : 3;
}

}  // namespace check
