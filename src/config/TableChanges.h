#pragma once
// What a fill of the balance table changed: the entries before it, for the log lines that tell
// the admin what a reload did, and for the consumption sweep that gives back the game's own
// rates for groups the new entries no longer set.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/BalanceTable.h"

// Filled by BalanceTable::LoadBalances; valid while the table has not been filled again.
class TableChanges {
public:
    // The entry that was in effect for species `key` before the fill: its own, or the global one.
    const BalancedDino& EntryBefore(std::string_view key) const;
    // One line per added, removed or changed species entry (at most kMaxLines; the global entry
    // first when it changed), then a summary line.
    std::vector<std::string> Describe() const;

    static constexpr std::size_t kMaxLines = 200;

    std::int32_t AddedCount = 0;
    std::int32_t RemovedCount = 0;
    std::int32_t ChangedCount = 0;
    bool GlobalChanged = false;

private:
    friend class BalanceTable;

    // The table's fill tells what it does, in this order: Start, then Removed for every entry
    // that goes, then Added or Changed as the document is read in key order, then Finish.
    void Start(const BalanceTable& table, const BalancedDino& newGlobal);
    void Removed(BalanceTable::SpeciesMap::node_type node);
    void Added(std::string_view key);
    void Changed(std::string_view key, const BalancedDino& before);
    void Finish();

    // One touched species key and its entry before the fill (none when it was added), kept sorted
    // in a deque: a reload that changes every entry should neither need a map's worth of nodes
    // nor a vector's doubling.
    struct Before {
        std::string_view Key;
        std::optional<BalancedDino> Entry;
    };

    const BalanceTable* table_ = nullptr;
    BalancedDino globalBefore_;
    std::deque<Before> before_;
    // True once two keys cut to one were met: the second may have put the first one's change back.
    bool mayHaveChangedBack_ = false;
    // Removed entries stay here, so that their keys in before_ stay valid.
    std::vector<BalanceTable::SpeciesMap::node_type> removed_;
};
