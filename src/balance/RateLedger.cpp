#include "balance/RateLedger.h"

#include <algorithm>

std::uint32_t RateLedger::TagOf(const Identity& dino)
{
    // Address and name mixed by splitmix64's finaliser: every bit of both reaches the high half.
    const std::uint64_t name = (std::uint64_t(std::uint32_t(dino.Name.ComparisonIndex)) << 32) | std::uint32_t(dino.Name.Number);
    std::uint64_t mixed = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(dino.Dino)) ^ (name * 0x9E3779B97F4A7C15ull);
    mixed = (mixed ^ (mixed >> 30)) * 0xBF58476D1CE4E5B9ull;
    mixed = (mixed ^ (mixed >> 27)) * 0x94D049BB133111EBull;
    mixed ^= mixed >> 31;
    return static_cast<std::uint32_t>(mixed >> 32);
}

std::size_t RateLedger::PositionOf(const Identity& dino, std::uint32_t tag) const
{
    if (hint_ < entries_.size() && entries_[hint_].Dino == dino) {
        return hint_;
    }
    if (slots_.empty()) {
        return kMissing;
    }
    for (std::size_t slot = Home(tag);; slot = Next(slot)) {
        const Slot& here = slots_[slot];
        if (here.Position == 0) {
            return kMissing;
        }
        if (here.Tag == tag && entries_[here.Position - 1].Dino == dino) {
            return here.Position - 1;
        }
    }
}

std::size_t RateLedger::SlotOf(std::size_t position, std::uint32_t tag) const
{
    std::size_t slot = Home(tag);
    while (slots_[slot].Position != position + 1) {
        slot = Next(slot);
    }
    return slot;
}

std::vector<RateLedger::Slot> RateLedger::EmptyIndex(std::size_t capacity)
{
    std::size_t size = 16;
    while (size < 2 * capacity) {
        size *= 2;
    }
    return std::vector<Slot>(size);
}

void RateLedger::Reindex(std::vector<Slot> slots)
{
    slots_.swap(slots);
    indexBits_ = 0;
    while ((std::size_t(1) << indexBits_) < slots_.size()) {
        ++indexBits_;
    }
    for (std::size_t position = 0; position < entries_.size(); ++position) {
        const std::uint32_t tag = TagOf(entries_[position].Dino);
        std::size_t slot = Home(tag);
        while (slots_[slot].Position != 0) {
            slot = Next(slot);
        }
        slots_[slot] = Slot{static_cast<std::uint32_t>(position + 1), tag};
    }
}

void RateLedger::RemoveSlot(std::size_t hole)
{
    // Linear probing without tombstones: every later slot of the run that its home no longer
    // reaches moves back into the hole.
    for (std::size_t slot = Next(hole); slots_[slot].Position != 0; slot = Next(slot)) {
        const std::size_t home = Home(slots_[slot].Tag);
        const bool reachable = hole <= slot ? (home > hole && home <= slot) : (home > hole || home <= slot);
        if (!reachable) {
            slots_[hole] = slots_[slot];
            hole = slot;
        }
    }
    slots_[hole] = Slot{};
}

RateLedger::Record* RateLedger::Find(const Identity& dino)
{
    const std::size_t position = PositionOf(dino, TagOf(dino));
    if (position == kMissing) {
        return nullptr;
    }
    hint_ = position + 1;
    return &entries_[position].Rates;
}

RateLedger::Record& RateLedger::Add(const Identity& dino)
{
    const std::uint32_t tag = TagOf(dino);
    std::size_t position = PositionOf(dino, tag);
    if (position == kMissing) {
        // Running out of memory here leaves every record where it was, and the index whole.
        if (2 * (entries_.size() + 1) > slots_.size()) {
            Reindex(EmptyIndex(entries_.size() + 1));
        }
        entries_.push_back(Entry{dino, Record{}, 0});
        position = entries_.size() - 1;
        std::size_t slot = Home(tag);
        while (slots_[slot].Position != 0) {
            slot = Next(slot);
        }
        slots_[slot] = Slot{static_cast<std::uint32_t>(position + 1), tag};
        ++changes_;
    }
    hint_ = position + 1;
    // Made or touched during a prune, the dino is alive.
    entries_[position].SeenInPrune = prune_;
    return entries_[position].Rates;
}

void RateLedger::Drop(const Identity& dino)
{
    const std::uint32_t tag = TagOf(dino);
    const std::size_t position = PositionOf(dino, tag);
    if (position == kMissing) {
        return;
    }
    RemoveSlot(SlotOf(position, tag));
    // The last entry fills the gap, and its slot follows it.
    const std::size_t last = entries_.size() - 1;
    if (position != last) {
        slots_[SlotOf(last, TagOf(entries_[last].Dino))].Position = static_cast<std::uint32_t>(position + 1);
        entries_[position] = entries_[last];
    }
    entries_.pop_back();
    ++changes_;
}

void RateLedger::BeginPrune()
{
    ++prune_;
    hint_ = 0;
}

RateLedger::Record* RateLedger::MarkAlive(const Identity& dino)
{
    const std::size_t position = PositionOf(dino, TagOf(dino));
    if (position == kMissing) {
        return nullptr;
    }
    hint_ = position + 1;
    entries_[position].SeenInPrune = prune_;
    return &entries_[position].Rates;
}

void RateLedger::EndPrune()
{
    const auto gone = [this](const Entry& entry) { return entry.SeenInPrune != prune_; };
    const std::size_t kept = entries_.size() - static_cast<std::size_t>(std::count_if(entries_.begin(), entries_.end(), gone));
    if (kept != entries_.size()) {
        // The index is made first, so that running out of memory changes nothing; the survivors
        // keep their order, which is the order the next sweep meets them in.
        std::vector<Slot> slots = EmptyIndex(kept);
        entries_.erase(std::remove_if(entries_.begin(), entries_.end(), gone), entries_.end());
        Reindex(std::move(slots));
        ++changes_;
        if (entries_.capacity() > 4 * entries_.size() + kPruneMinimum) {
            try {
                entries_.shrink_to_fit();
            } catch (...) {
                // Only memory kept longer than needed.
            }
        }
    }
    pruneAbove_ = std::max(kPruneMinimum, 2 * entries_.size());
}
