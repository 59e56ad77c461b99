#include "config/TableChanges.h"

#include <algorithm>

#include <fmt/format.h>

#include "config/BalanceKeys.h"
#include "logging/LogText.h"

namespace {

std::string ValueText(const EntrySetting& setting, const BalancedDino& entry)
{
    const float value = ValueOf(setting, entry);
    return setting.Key->IsSwitch() ? (value != 0.0f ? "true" : "false") : fmt::format("{}", value);
}

// "Key old -> new" for every setting whose value differs ("Wild.AttackDamageMultiplier 0 -> 3").
std::vector<std::string> Differences(const BalancedDino& before, const BalancedDino& after)
{
    std::vector<std::string> parts;
    for (const EntrySetting& setting : kEntrySettings) {
        if (ValueOf(setting, before) != ValueOf(setting, after)) {
            parts.push_back(fmt::format("{} {} -> {}", NameOf(setting), ValueText(setting, before), ValueText(setting, after)));
        }
    }
    return parts;
}

// "Key value" for every setting not at its default.
std::vector<std::string> Settings(const BalancedDino& entry)
{
    std::vector<std::string> parts;
    const BalancedDino defaults;
    for (const EntrySetting& setting : kEntrySettings) {
        if (ValueOf(setting, entry) != ValueOf(setting, defaults)) {
            parts.push_back(fmt::format("{} {}", NameOf(setting), ValueText(setting, entry)));
        }
    }
    return parts;
}

}  // namespace

void TableChanges::Reserve(std::size_t removed, std::size_t told)
{
    // One fill at a time: what a previous fill recorded here is forgotten.
    *this = TableChanges();
    before_.reserve(told);
    removed_.reserve(removed);
}

void TableChanges::Start(const BalancedDino& before, const BalancedDino& after)
{
    globalBefore_ = before;
    globalAfter_ = after;
    GlobalChanged = !SameValues(before, after);
}

void TableChanges::Removed(BalanceTable::SpeciesMap::node_type node)
{
    ++RemovedCount;
    removed_.push_back(std::move(node));
    before_.push_back(Before{&removed_.back().key(), removed_.back().mapped(), nullptr});
}

void TableChanges::Added(const std::string& key, const BalancedDino& entry)
{
    ++AddedCount;
    before_.push_back(Before{&key, std::nullopt, &entry});
}

void TableChanges::Changed(const std::string& key, const BalancedDino& before, const BalancedDino& after)
{
    // Two document keys cut to one at a zero come one after the other: the first was recorded,
    // and its place in the table now holds the second one's values.
    if (!before_.empty() && *before_.back().Key == key) {
        mayHaveChangedBack_ = true;
        return;
    }
    ++ChangedCount;
    before_.push_back(Before{&key, before, &after});
}

void TableChanges::Finish()
{
    // Keys cut to one at a zero character can change an entry and then change it back: only an
    // entry that differs after the fill from before it has changed.
    const auto changedBack = [](const Before& touched) {
        return touched.Entry && touched.After != nullptr && SameValues(*touched.Entry, *touched.After);
    };
    if (mayHaveChangedBack_) {
        const auto kept = std::remove_if(before_.begin(), before_.end(), changedBack);
        ChangedCount -= static_cast<std::int32_t>(before_.end() - kept);
        before_.erase(kept, before_.end());
    }
    std::sort(before_.begin(), before_.end(), [](const Before& a, const Before& b) { return *a.Key < *b.Key; });
}

const BalancedDino& TableChanges::BalanceBefore(std::string_view key, const BalancedDino* now) const
{
    const auto found = std::lower_bound(before_.begin(), before_.end(), key, [](const Before& b, std::string_view k) { return *b.Key < k; });
    if (found != before_.end() && *found->Key == key) {
        return found->Entry ? *found->Entry : globalBefore_;
    }
    // Untouched by the fill: as it is now, or absent then as now.
    return now != nullptr ? *now : globalBefore_;
}

std::vector<std::string> TableChanges::Describe() const
{
    std::vector<std::string> lines;
    if (GlobalChanged) {
        lines.push_back(fmt::format("Changed {}: {}", Quoted(kGlobalSection), fmt::join(Differences(globalBefore_, globalAfter_), ", ")));
    }
    std::size_t described = 0;
    for (const Before& touched : before_) {
        if (described == kMaxLines) {
            lines.push_back(fmt::format("... and {} more", before_.size() - described));
            break;
        }
        ++described;
        const BalancedDino* after = touched.After;
        if (!touched.Entry) {
            const std::vector<std::string> settings = after != nullptr ? Settings(*after) : std::vector<std::string>{};
            lines.push_back(fmt::format("Added {}: {}", Quoted(*touched.Key),
                                        settings.empty() ? "all defaults" : fmt::format("{}", fmt::join(settings, ", "))));
        } else if (after == nullptr) {
            lines.push_back(fmt::format("Removed {}", Quoted(*touched.Key)));
        } else {
            lines.push_back(fmt::format("Changed {}: {}", Quoted(*touched.Key), fmt::join(Differences(*touched.Entry, *after), ", ")));
        }
    }
    lines.push_back(fmt::format("Species entries: {} changed, {} added, {} removed", ChangedCount, AddedCount, RemovedCount));
    return lines;
}
