#pragma once
// What the plugin wrote into each dino's consumption rates: which groups it set and the values
// it wrote. Only what is recorded here is ever given back, and only while the dino still
// carries those values, so that a rate another plugin or the game set is left alone, and a give-
// back that could not be done at one reload is still known at the next.
//
// A dino is known by its address and its object name: an actor made later at a freed one's
// address has another name (the game numbers the names of the actors it spawns), so it cannot
// inherit a record. Records of dinos that are gone are dropped by Prune, which the sweep runs
// against the world's actors at every reload, and the hooks whenever the record has grown to
// twice what the last prune left.

#include <array>
#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "host/GameTypes.h"

// The number of rate fields a record holds, one per row of ConsumptionRates.cpp's table.
inline constexpr std::size_t kRateFieldCount = 14;

class RateLedger {
public:
    // A live dino as the ledger tells it from another: its address and its object name.
    struct Identity {
        const void* Dino = nullptr;
        FName Name;
        bool operator==(const Identity& other) const
        {
            return Dino == other.Dino && Name.ComparisonIndex == other.Name.ComparisonIndex && Name.Number == other.Name.Number;
        }
    };
    // The groups the plugin set on one dino (bits chosen by the caller) and the values it wrote.
    struct Record {
        std::uint32_t Groups = 0;
        std::array<float, kRateFieldCount> Written{};
    };

    // The record of `dino`, or null when the plugin has set nothing on it.
    Record* Find(const Identity& dino);
    // The record of `dino`, made empty when there is none.
    Record& Add(const Identity& dino);
    // Forgets `dino`.
    void Drop(const Identity& dino);
    // Number of dinos with a record.
    std::size_t Count() const { return records_.size(); }
    // True when the records have grown to twice what the last prune left (and past a minimum),
    // so that a server that spawns and destroys tamed dinos all day keeps a bounded record.
    bool WantsPrune() const { return records_.size() > pruneAbove_; }

    // Dropping what is gone: BeginPrune, then MarkAlive for every dino in the world, then EndPrune
    // drops every record neither marked nor added since BeginPrune. Nothing is allocated.
    // MarkAlive returns the dino's record (valid until it is dropped), or null when it has none.
    void BeginPrune();
    Record* MarkAlive(const Identity& dino);
    void EndPrune();

private:
    struct Hash {
        std::size_t operator()(const Identity& dino) const;
    };
    struct Entry {
        Record Rates;
        std::uint64_t SeenInPrune = 0;
    };

    static constexpr std::size_t kPruneMinimum = 256;

    std::unordered_map<Identity, Entry, Hash> records_;
    std::uint64_t prune_ = 0;
    std::size_t pruneAbove_ = kPruneMinimum;
};
