#pragma once
// Counts the heap allocations a piece of code makes. A test binary that uses it replaces the
// global operator new with one that counts while counting is on.

#include <cstdint>

namespace testing_support {

// Turns counting on or off.
void CountHeapAllocations(bool on);
// Allocations made through operator new while counting was on.
std::uint64_t HeapAllocationsCounted();

}  // namespace testing_support
