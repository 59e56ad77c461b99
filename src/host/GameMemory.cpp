#include "host/GameMemory.h"

#include <cstdint>

#include "host/GameAccess.h"

namespace game {

void* Malloc(std::size_t size)
{
    return Call<void*>("FMemory.Malloc", size, std::uint32_t{0});
}

void* Realloc(void* original, std::size_t size)
{
    return Call<void*>("FMemory.Realloc", original, size);
}

void Free(void* pointer)
{
    if (pointer != nullptr) {
        Call<void>("FMemory.Free", pointer);
    }
}

}  // namespace game
