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
//
// A reload's sweep looks up every tamed dino of the world, tens of thousands on a crowded server,
// in the order the world lists them, which is mostly the order their records were made in: the
// records lie side by side in that order, and a lookup tries the record after the last one found
// before it searches the index. The sweep then walks the records instead of jumping about.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

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

    // The record of `dino`, or null when the plugin has set nothing on it. A record handed out
    // here or below stays valid until the next Add, Drop or EndPrune.
    Record* Find(const Identity& dino);
    // The record of `dino`, made empty when there is none.
    Record& Add(const Identity& dino);
    // Forgets `dino`.
    void Drop(const Identity& dino);
    // Number of dinos with a record.
    std::size_t Count() const { return entries_.size(); }
    // Grows whenever a record is made or dropped: a caller that holds a record across a call
    // that may change the ledger (a spawn runs the hooks) looks it up again when this moved.
    std::uint64_t Changes() const { return changes_; }
    // True when the records have grown to twice what the last prune left (and past a minimum),
    // so that a server that spawns and destroys tamed dinos all day keeps a bounded record.
    bool WantsPrune() const { return entries_.size() > pruneAbove_; }

    // Dropping what is gone: BeginPrune, then MarkAlive for every dino in the world, then EndPrune
    // drops every record neither marked nor added since BeginPrune.
    // MarkAlive returns the dino's record, or null when it has none.
    void BeginPrune();
    Record* MarkAlive(const Identity& dino);
    void EndPrune();

private:
    struct Entry {
        Identity Dino;
        Record Rates;
        std::uint64_t SeenInPrune = 0;
    };
    // A place in the index: the entry's position plus one (0: free), and the high half of its
    // identity's hash, which chooses the place and spares reading entries that cannot match.
    struct Slot {
        std::uint32_t Position = 0;
        std::uint32_t Tag = 0;
    };

    static constexpr std::size_t kPruneMinimum = 256;
    static constexpr std::size_t kMissing = static_cast<std::size_t>(-1);

    static std::uint32_t TagOf(const Identity& dino);
    std::size_t Home(std::uint32_t tag) const { return tag >> (32 - indexBits_); }
    std::size_t Next(std::size_t slot) const { return (slot + 1) & (slots_.size() - 1); }
    // The index place holding `position`, whose identity has `tag`.
    std::size_t SlotOf(std::size_t position, std::uint32_t tag) const;
    // The entry's position, or kMissing.
    std::size_t PositionOf(const Identity& dino, std::uint32_t tag) const;
    // An empty index with room for twice `capacity` entries.
    static std::vector<Slot> EmptyIndex(std::size_t capacity);
    // Takes `slots` (from EmptyIndex) as the index and fills it with the entries.
    void Reindex(std::vector<Slot> slots);
    void RemoveSlot(std::size_t hole);

    std::vector<Entry> entries_;
    std::vector<Slot> slots_;
    unsigned indexBits_ = 0;
    // Where the next lookup looks first: after the entry last found.
    mutable std::size_t hint_ = 0;
    std::uint64_t prune_ = 0;
    std::uint64_t changes_ = 0;
    std::size_t pruneAbove_ = kPruneMinimum;
};
