#pragma once
// Counts the heap allocations a piece of code makes, or makes one of them fail. A test binary that
// uses it replaces the global operator new with one that counts while counting is on, and throws
// std::bad_alloc at the allocation a test chose.

#include <cstdint>

namespace testing_support {

// Turns counting on or off.
void CountHeapAllocations(bool on);
// Allocations made through operator new while counting was on.
std::uint64_t HeapAllocationsCounted();
// From now on, the `n`th allocation (counting from 1) throws std::bad_alloc, once. 0 disarms,
// and HeapAllocationFailed still tells whether the one armed before failed.
void FailHeapAllocationAt(std::uint64_t n);
// True when the allocation chosen by the last FailHeapAllocationAt has failed.
bool HeapAllocationFailed();

}  // namespace testing_support
