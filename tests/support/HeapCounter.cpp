#include "support/HeapCounter.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> counting{false};
std::atomic<std::uint64_t> counted{0};
std::atomic<std::uint64_t> inUse{0};
std::atomic<std::uint64_t> peak{0};

// Each block carries its size in front of it, so that delete knows what it gives back.
constexpr std::size_t kHeader = alignof(std::max_align_t);

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

std::uint64_t HeapBytesInUse()
{
    return inUse;
}

std::uint64_t HeapBytesPeak()
{
    return peak;
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
    auto* block = static_cast<char*>(std::malloc(size + kHeader));
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    *reinterpret_cast<std::size_t*>(block) = size;
    const std::uint64_t now = inUse += size;
    std::uint64_t seen = peak;
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
    }
    return block + kHeader;
}

void operator delete(void* pointer) noexcept
{
    if (pointer != nullptr) {
        char* block = static_cast<char*>(pointer) - kHeader;
        inUse -= *reinterpret_cast<std::size_t*>(block);
        std::free(block);
    }
}

void operator delete(void* pointer, std::size_t /*size*/) noexcept
{
    operator delete(pointer);
}
