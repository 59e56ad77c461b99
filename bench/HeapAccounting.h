#pragma once
// The heap in use and its peak, kept by this binary's own operator new and delete.

#include <cstddef>

// Bytes allocated through operator new and not yet deleted.
std::size_t HeapInUse();
// The most HeapInUse has been since the last ResetHeapPeak.
std::size_t HeapPeak();
// Starts a new peak from what is in use now.
void ResetHeapPeak();
