#pragma once
// Counts the heap allocations a piece of code makes and the bytes it holds at its peak, or makes
// one allocation fail. A test binary that uses it replaces the global operator new with one that
// keeps these counts and throws std::bad_alloc at the allocation a test chose.

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
// Bytes allocated through operator new and not yet deleted (kept whether counting is on or not).
std::uint64_t HeapBytesInUse();
// The most HeapBytesInUse has been since the last ResetHeapPeak.
std::uint64_t HeapBytesPeak();
// Starts a new peak from what is in use now.
void ResetHeapPeak();

}  // namespace testing_support
