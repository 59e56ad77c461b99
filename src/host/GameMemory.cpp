#include "host/GameMemory.h"

#include <cstdint>

#include "host/GameAccess.h"

namespace game {

namespace {

const Function<void*(std::size_t, std::uint32_t)> kMalloc("FMemory.Malloc");
const Function<void*(void*, std::size_t)> kRealloc("FMemory.Realloc");
const Function<void(void*)> kFree("FMemory.Free");

}  // namespace

void* Malloc(std::size_t size)
{
    return kMalloc(size, std::uint32_t{0});
}

void* Realloc(void* original, std::size_t size)
{
    return kRealloc(original, size);
}

void Free(void* pointer)
{
    if (pointer != nullptr) {
        kFree(pointer);
    }
}

}  // namespace game
