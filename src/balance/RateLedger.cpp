#include "balance/RateLedger.h"

#include <algorithm>
#include <functional>

std::size_t RateLedger::Hash::operator()(const Identity& dino) const
{
    const std::size_t address = std::hash<const void*>{}(dino.Dino);
    const std::uint64_t name = (std::uint64_t(std::uint32_t(dino.Name.ComparisonIndex)) << 32) | std::uint32_t(dino.Name.Number);
    return address ^ (std::hash<std::uint64_t>{}(name) + 0x9e3779b97f4a7c15ull + (address << 6) + (address >> 2));
}

RateLedger::Record* RateLedger::Find(const Identity& dino)
{
    const auto found = records_.find(dino);
    return found == records_.end() ? nullptr : &found->second.Rates;
}

RateLedger::Record& RateLedger::Add(const Identity& dino)
{
    Entry& entry = records_[dino];
    // Made or touched during a prune, the dino is alive.
    entry.SeenInPrune = prune_;
    return entry.Rates;
}

void RateLedger::Drop(const Identity& dino)
{
    records_.erase(dino);
}

void RateLedger::BeginPrune()
{
    ++prune_;
}

RateLedger::Record* RateLedger::MarkAlive(const Identity& dino)
{
    const auto found = records_.find(dino);
    if (found == records_.end()) {
        return nullptr;
    }
    found->second.SeenInPrune = prune_;
    return &found->second.Rates;
}

void RateLedger::EndPrune()
{
    for (auto it = records_.begin(); it != records_.end();) {
        it = it->second.SeenInPrune == prune_ ? std::next(it) : records_.erase(it);
    }
    pruneAbove_ = std::max(kPruneMinimum, 2 * records_.size());
}
