#pragma once
// The working form of the configuration: the global entry and one entry per species key.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include <nlohmann/json_fwd.hpp>

#include "config/BalancedDino.h"

// What one fill of the table did with the species entries.
struct LoadReport {
    // Entries stored, the number in "Loaded {} dino balances!" (an entry written twice counts twice).
    std::int32_t Stored = 0;
    // Species entries in the file, and how many of them were skipped for an error.
    std::int32_t Entries = 0;
    std::int32_t Skipped = 0;
    // The error of the first skipped entry, naming the entry and the key.
    std::string FirstSkipped;
};

class BalanceTable {
public:
    // A table with no species and the defaults as its global entry: it changes nothing until filled.
    BalanceTable();

    // Builds a new global entry and species map from `document` aside and swaps them in only when
    // the whole document was read; throws and changes nothing otherwise (an error names its key).
    // A failing species entry is logged and skipped.
    LoadReport LoadBalances(const nlohmann::json& document);

    // A fresh copy of the entry stored under `key` (exact bytes), or null.
    std::shared_ptr<BalancedDino> Find(std::string key) const;
    // As above, for the UTF-8 form of `key`.
    std::shared_ptr<BalancedDino> Find(FString key) const;

    BalancedDino Global;
    std::unordered_map<std::string, BalancedDino> Dinos;
};
