#include "support/HeapCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> counting{false};
std::atomic<std::uint64_t> counted{0};
// The allocations still to go before the one that fails (0: none fails), and whether it did.
std::atomic<std::uint64_t> untilFailure{0};
std::atomic<bool> failed{false};

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
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t /*size*/) noexcept
{
    std::free(block);
}
