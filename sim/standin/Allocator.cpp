// The game allocator: hands out ordinary heap blocks and counts the live ones, so that a
// scenario can tell whether the plugin gave back everything it took.

#include <cstdlib>
#include <mutex>
#include <unordered_set>

#include "standin/SimHost.h"

namespace {

struct AllocatorState {
    std::mutex Lock;
    std::unordered_set<void*> Live;
    std::size_t UnknownFrees = 0;
    std::uint64_t Made = 0;
};

AllocatorState& State()
{
    static AllocatorState state;
    return state;
}

void* GameMalloc(std::size_t size, std::uint32_t /*alignment*/)
{
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block != nullptr) {
        std::lock_guard<std::mutex> guard(State().Lock);
        State().Live.insert(block);
        ++State().Made;
    }
    return block;
}

void* GameRealloc(void* original, std::size_t size)
{
    if (original == nullptr) {
        return GameMalloc(size, 0);
    }
    AllocatorState& state = State();
    std::lock_guard<std::mutex> guard(state.Lock);
    if (state.Live.count(original) == 0) {
        ++state.UnknownFrees;
        return nullptr;
    }
    void* block = std::realloc(original, size == 0 ? 1 : size);
    if (block != nullptr) {
        state.Live.erase(original);
        state.Live.insert(block);
        ++state.Made;
    }
    return block;
}

void GameFree(void* pointer)
{
    if (pointer == nullptr) {
        return;
    }
    AllocatorState& state = State();
    std::lock_guard<std::mutex> guard(state.Lock);
    if (state.Live.erase(pointer) == 0) {
        ++state.UnknownFrees;  // never ours, or freed twice: ignoring it keeps the server alive
        return;
    }
    std::free(pointer);
}

const bool registered = [] {
    sim::RegisterFunction<&GameMalloc>("FMemory.Malloc");
    sim::RegisterFunction<&GameRealloc>("FMemory.Realloc");
    sim::RegisterFunction<&GameFree>("FMemory.Free");
    return true;
}();

}  // namespace

namespace sim {

std::size_t LiveAllocations()
{
    std::lock_guard<std::mutex> guard(State().Lock);
    return State().Live.size();
}

std::uint64_t GameAllocationsMade()
{
    std::lock_guard<std::mutex> guard(State().Lock);
    return State().Made;
}

std::size_t UnknownPointerFrees()
{
    std::lock_guard<std::mutex> guard(State().Lock);
    return State().UnknownFrees;
}

}  // namespace sim
