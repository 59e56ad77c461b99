#pragma once
// The working form of the configuration: the global entry and one entry per species key.

#include <memory>
#include <string>
#include <unordered_map>

#include <nlohmann/json_fwd.hpp>

#include "config/BalancedDino.h"

class BalanceTable {
public:
    // An empty table whose global entry is all off and zero; it is filled before any use.
    BalanceTable();

    // Builds a new global entry and species map from `document` aside and swaps them in only when
    // the whole document was read; throws the JSON library's exception and changes nothing otherwise.
    // A failing species entry is logged and skipped.
    void LoadBalances(const nlohmann::json& document);

    // A fresh copy of the entry stored under `key` (exact bytes), or null.
    std::shared_ptr<BalancedDino> Find(std::string key) const;
    // As above, for the UTF-8 form of `key`.
    std::shared_ptr<BalancedDino> Find(FString key) const;

    BalancedDino Global;
    std::unordered_map<std::string, BalancedDino> Dinos;
};
