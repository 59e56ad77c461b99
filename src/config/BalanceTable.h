#pragma once
// The working form of the configuration: the global entry and one entry per species key.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "config/BalancedDino.h"

class TableChanges;

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

class BalanceTable {
public:
    using SpeciesMap = std::unordered_map<std::string, BalancedDino>;

    // A table with no species and the defaults as its global entry: it changes nothing until filled.
    BalanceTable() = default;
    // The table is referred to by the hooks and by lookups that remember its entries: never copied.
    BalanceTable(const BalanceTable&) = delete;
    BalanceTable& operator=(const BalanceTable&) = delete;

    // Reads the whole of `document` first, and only then brings the table up to date in place:
    // a document that fails (it throws the JSON library's error, or a ConfigError that names the
    // section and key) changes nothing. A failing
    // species entry is logged and skipped. `changes`, when given, learns what the fill changed.
    LoadReport LoadBalances(const nlohmann::json& document, TableChanges* changes = nullptr);

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
