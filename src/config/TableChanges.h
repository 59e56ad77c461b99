#pragma once
// What a fill of the balance table changed: the entries before it, for the log lines that tell
// the admin what a reload did, and for a reader comparing the two tables (the checker's --diff,
// the fuzz target).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/BalanceTable.h"

// Told by BalanceTable::LoadBalances what it changes; valid while the table has not been filled again.
class TableChanges final : public FillListener {
public:
    // The entry that was in effect for species `key` before the fill: its own, or the global one.
    // `now` is the table's entry for `key` after the fill, or null when it has none.
    const BalancedDino& BalanceBefore(std::string_view key, const BalancedDino* now) const;
    // One line per added, removed or changed species entry (at most kMaxLines; the global entry
    // first when it changed), then a summary line.
    std::vector<std::string> Describe() const;

    static constexpr std::size_t kMaxLines = 200;

    std::int32_t AddedCount = 0;
    std::int32_t RemovedCount = 0;
    std::int32_t ChangedCount = 0;
    bool GlobalChanged = false;

private:
    // What the fill tells, reached only through FillListener.
    void Reserve(std::size_t removed, std::size_t told) override;
    void Start(const BalancedDino& before, const BalancedDino& after) override;
    void Removed(BalanceTable::SpeciesMap::node_type node) override;
    void Added(const std::string& key, const BalancedDino& entry) override;
    void Changed(const std::string& key, const BalancedDino& before, const BalancedDino& after) override;
    void Finish() override;

    using Node = BalanceTable::SpeciesMap::node_type;

    // One added or changed species: its key (in the table), its entry before the fill (none when
    // it was added) and its place in the table after it, kept sorted in a vector reserved for the
    // fill, so that telling the fill never allocates.
    struct Before {
        const std::string* Key = nullptr;
        std::optional<BalancedDino> Entry;
        const BalancedDino* After = nullptr;
    };

    BalancedDino globalBefore_;
    BalancedDino globalAfter_;
    std::vector<Before> before_;
    // True once two keys cut to one were met: the second may have put the first one's change back.
    bool mayHaveChangedBack_ = false;
    // The removed entries, key and entry as they were, sorted by key once the fill is complete.
    std::vector<Node> removed_;
};
