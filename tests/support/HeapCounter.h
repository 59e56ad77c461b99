#pragma once
// Counts the heap allocations a piece of code makes, and the bytes it holds at its peak. A test
// binary that uses it replaces the global operator new with one that keeps these counts.

#include <cstdint>

namespace testing_support {

// Turns counting on or off.
void CountHeapAllocations(bool on);
// Allocations made through operator new while counting was on.
std::uint64_t HeapAllocationsCounted();
// Bytes allocated through operator new and not yet deleted (kept whether counting is on or not).
std::uint64_t HeapBytesInUse();
// The most HeapBytesInUse has been since the last ResetHeapPeak.
std::uint64_t HeapBytesPeak();
// Starts a new peak from what is in use now.
void ResetHeapPeak();

}  // namespace testing_support
