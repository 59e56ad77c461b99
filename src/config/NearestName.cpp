#include "config/NearestName.h"

#include <algorithm>

#include "host/Ascii.h"

std::size_t EditDistance(const std::string& a, const std::string& b)
{
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::optional<std::string> NearestName(const std::string& unknown, const std::vector<std::string>& known)
{
    const std::string lower = ascii::Lower(unknown);
    std::optional<std::string> best;
    std::size_t bestDistance = 0;
    for (const std::string& name : known) {
        const std::string candidate = ascii::Lower(name);
        const std::size_t allowed = std::max<std::size_t>(3, candidate.size() / 3);
        const bool contains = lower.size() >= 3 && candidate.find(lower) != std::string::npos;
        // The length difference alone bounds the distance: most names of a long list are passed
        // over without the quadratic comparison.
        const std::size_t gap = lower.size() > candidate.size() ? lower.size() - candidate.size() : candidate.size() - lower.size();
        if (!contains && gap > allowed) {
            continue;
        }
        const std::size_t distance = EditDistance(lower, candidate);
        if ((distance <= allowed || contains) && (!best || distance < bestDistance)) {
            best = name;
            bestDistance = distance;
        }
    }
    return best;
}
