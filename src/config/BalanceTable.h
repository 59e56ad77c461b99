#pragma once
// The working form of the configuration: the global entry and one entry per species key.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "config/BalancedDino.h"

class FillListener;

// A species entry skipped for an error: which entry, which setting (if one), the logged error.
struct EntryFailure {
    std::string Entry;
    std::string Key;
    std::string Message;
};

// What one fill of the table did with the species entries.
struct LoadReport {
    // Entries stored, the number in "Loaded {} dino balances!" (an entry written twice counts twice).
    std::int32_t Stored = 0;
    // Species entries in the file.
    std::int32_t Entries = 0;
    // The entries skipped for an error, in the order they were found.
    std::vector<EntryFailure> Failures;
};

// Reads one entry over the defaults, as a fill does: a species entry with its "Tamed" and "Wild"
// objects, a global section (`species` false) without them; throws the error a fill would log for
// it (the JSON library's, or a ConfigError naming the key).
BalancedDino ReadBalance(const nlohmann::json& value, bool species = true);

class BalanceTable {
public:
    using SpeciesMap = std::unordered_map<std::string, BalancedDino>;

    // A table with no species and the defaults as its global entry: it changes nothing until filled.
    BalanceTable() = default;
    // The table is referred to by the hooks and by lookups that remember its entries: never copied.
    BalanceTable(const BalanceTable&) = delete;
    BalanceTable& operator=(const BalanceTable&) = delete;

    // Reads the whole of `document` and makes every allocation first, and only then brings the
    // table up to date in place: a document that fails (it throws the JSON library's error, or a
    // ConfigError that names the section and key), or a fill that runs out of memory (it throws
    // std::bad_alloc), changes nothing. A failing species entry is logged and skipped.
    // `listener`, when given, is told every change the update makes.
    LoadReport LoadBalances(const nlohmann::json& document, FillListener* listener = nullptr);

    // The entry stored under `key` (exact bytes), or null; valid until the next fill.
    const BalancedDino* Find(std::string_view key) const;
    // Unique to each fill of any table in the process (0 before the first): an entry remembered
    // with another generation may be gone, even in a table made anew at the same address.
    std::uint64_t Generation() const { return generation_; }

    BalancedDino Global;
    SpeciesMap Dinos;

private:
    std::uint64_t generation_ = 0;
};

// Told by LoadBalances what it changes in the table, once the document has been read whole, in
// this order: Reserve, then (once nothing can fail any more) Start, Removed for every species
// entry that goes, Added or Changed as the document is read in key order (a key cut short at a
// zero byte may come twice), then Finish. The keys and entries handed over by reference live in
// the table and stay valid until its next fill.
class FillListener {
public:
    // Before any change: makes room for `removed` Removed and at most `told` calls of Removed,
    // Added and Changed together, so that none of the calls after it allocates or throws. A
    // failure here (std::bad_alloc) fails the fill, which then changes nothing.
    virtual void Reserve(std::size_t removed, std::size_t told) = 0;
    // The global entry is replaced: `before` was in effect until now, `after` is from now on.
    // This and the calls below must not throw.
    virtual void Start(const BalancedDino& before, const BalancedDino& after) = 0;
    // A species entry is gone from the table; `node` holds its key and its entry, now the listener's.
    virtual void Removed(BalanceTable::SpeciesMap::node_type node) = 0;
    // A species entry is new: `entry` is its place in the table.
    virtual void Added(const std::string& key, const BalancedDino& entry) = 0;
    // A species entry has new values: `before` is a copy of the old ones, `after` its place in the table.
    virtual void Changed(const std::string& key, const BalancedDino& before, const BalancedDino& after) = 0;
    // The fill is complete.
    virtual void Finish() = 0;

protected:
    FillListener() = default;
    FillListener(const FillListener&) = default;
    FillListener& operator=(const FillListener&) = default;
    // Never destroyed through this interface.
    ~FillListener() = default;
};
