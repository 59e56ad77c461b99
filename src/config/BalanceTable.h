#pragma once
// The working form of the configuration: the global entry and one entry per species key.

#include <memory>
#include <string>
#include <unordered_map>

#include <nlohmann/json_fwd.hpp>

#include "config/BalancedDino.h"
#include "host/GameTypes.h"

class BalanceTable {
public:
    BalanceTable();

    // Refills the table from the plugin's configuration document; see the overload.
    void LoadBalances();
    // Builds a new global entry and species map from `document` aside and swaps them in only when
    // the whole document was read; throws the JSON library's exception and changes nothing otherwise.
    // A failing species entry is logged and skipped.
    void LoadBalances(const nlohmann::json& document);

    // A fresh copy of the entry stored under `key` (exact bytes), or null.
    std::shared_ptr<BalancedDino> Find(std::string key) const;
    // As above, for the UTF-8 form of `key`.
    std::shared_ptr<BalancedDino> Find(FString key) const;

    // Consumption rates (defined with the hook handlers that use them).
    // Applies the entry in effect's consumption rates to `dino` when it is eligible.
    void ApplyDinoBalance(APrimalDinoCharacter* dino);
    // Applies ApplyDinoBalance to every dino in the world whose team is 10000 or more.
    void ApplyToExistingDinos();

    BalancedDino Global;
    std::unordered_map<std::string, BalancedDino> Dinos;
};
