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
    before_.reserve(told > removed ? told - removed : 0);
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
        return touched.Entry && SameValues(*touched.Entry, *touched.After);
    };
    if (mayHaveChangedBack_) {
        const auto kept = std::remove_if(before_.begin(), before_.end(), changedBack);
        ChangedCount -= static_cast<std::int32_t>(before_.end() - kept);
        before_.erase(kept, before_.end());
    }
    // Added and changed entries come in the document's order, which for an object is already
    // the keys' order: they are sorted only when they are not.
    const auto byKey = [](const Before& a, const Before& b) { return *a.Key < *b.Key; };
    if (!std::is_sorted(before_.begin(), before_.end(), byKey)) {
        std::sort(before_.begin(), before_.end(), byKey);
    }
    std::sort(removed_.begin(), removed_.end(), [](const Node& a, const Node& b) { return a.key() < b.key(); });
}

const BalancedDino& TableChanges::BalanceBefore(std::string_view key, const BalancedDino* now) const
{
    const auto found = std::lower_bound(before_.begin(), before_.end(), key, [](const Before& b, std::string_view k) { return *b.Key < k; });
    if (found != before_.end() && *found->Key == key) {
        return found->Entry ? *found->Entry : globalBefore_;
    }
    const auto gone = std::lower_bound(removed_.begin(), removed_.end(), key, [](const Node& n, std::string_view k) { return n.key() < k; });
    if (gone != removed_.end() && gone->key() == key) {
        return gone->mapped();
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
    // The removed entries and the others, merged in the keys' order.
    auto gone = removed_.begin();
    auto other = before_.begin();
    for (std::size_t described = 0; gone != removed_.end() || other != before_.end(); ++described) {
        if (described == kMaxLines) {
            lines.push_back(fmt::format("... and {} more", removed_.size() + before_.size() - described));
            break;
        }
        if (gone != removed_.end() && (other == before_.end() || gone->key() < *other->Key)) {
            lines.push_back(fmt::format("Removed {}", Quoted((gone++)->key())));
            continue;
        }
        const Before& touched = *other++;
        const BalancedDino* after = touched.After;
        if (!touched.Entry) {
            const std::vector<std::string> settings = Settings(*after);
            lines.push_back(fmt::format("Added {}: {}", Quoted(*touched.Key),
                                        settings.empty() ? "all defaults" : fmt::format("{}", fmt::join(settings, ", "))));
        } else {
            lines.push_back(fmt::format("Changed {}: {}", Quoted(*touched.Key), fmt::join(Differences(*touched.Entry, *after), ", ")));
        }
    }
    lines.push_back(fmt::format("Species entries: {} changed, {} added, {} removed", ChangedCount, AddedCount, RemovedCount));
    return lines;
}
