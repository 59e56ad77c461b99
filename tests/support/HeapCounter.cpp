#include "support/HeapCounter.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

#include <malloc.h>

namespace {

std::atomic<bool> counting{false};
std::atomic<std::uint64_t> counted{0};
// The allocations still to go before the one that fails (0: none fails), and whether it did.
std::atomic<std::uint64_t> untilFailure{0};
std::atomic<bool> failed{false};
// Signed: a block another module allocated (the stand-in host's, on Windows) may be freed here.
std::atomic<std::int64_t> inUse{0};
std::atomic<std::int64_t> peak{0};

// The size of a block as the C heap has it, asked of the heap rather than kept beside the block:
// every module of the process shares that heap, and one may free what another allocated.
std::int64_t BlockSize(void* block)
{
#if defined(_WIN32)
    return static_cast<std::int64_t>(_msize(block));
#else
    return static_cast<std::int64_t>(malloc_usable_size(block));
#endif
}

}  // namespace

namespace testing_support {

void CountHeapAllocations(bool on)
{
    counting = on;
}

std::uint64_t HeapAllocationsCounted()
{
    return counted;
}

void FailHeapAllocationAt(std::uint64_t n)
{
    if (n != 0) {
        failed = false;
    }
    untilFailure = n;
}

bool HeapAllocationFailed()
{
    return failed;
}

std::uint64_t HeapBytesInUse()
{
    return static_cast<std::uint64_t>(inUse.load());
}

std::uint64_t HeapBytesPeak()
{
    return static_cast<std::uint64_t>(peak.load());
}

void ResetHeapPeak()
{
    peak = inUse.load();
}

}  // namespace testing_support

// Linked only into a binary that uses the counter: this file is its only definition of these.
void* operator new(std::size_t size)
{
    if (counting) {
        ++counted;
    }
    if (untilFailure != 0 && --untilFailure == 0) {
        failed = true;
        throw std::bad_alloc();
    }
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    const std::int64_t now = inUse += BlockSize(block);
    std::int64_t seen = peak;
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
    }
    return block;
}

void operator delete(void* block) noexcept
{
    if (block != nullptr) {
        inUse -= BlockSize(block);
        std::free(block);
    }
}

void operator delete(void* block, std::size_t /*size*/) noexcept
{
    operator delete(block);
}
