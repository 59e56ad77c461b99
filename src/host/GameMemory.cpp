#include "host/GameMemory.h"

#include <cstdint>

#include "host/GameNames.h"

namespace game {

void* Malloc(std::size_t size)
{
    return names::kMalloc(size, std::uint32_t{0});
}

void* Realloc(void* original, std::size_t size)
{
    return names::kRealloc(original, size);
}

void Free(void* pointer)
{
    if (pointer != nullptr) {
        names::kFree(pointer);
    }
}

}  // namespace game
