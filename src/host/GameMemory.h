#pragma once
// The game's allocator. Every buffer that crosses to or from the game (text, arrays, the
// command list) is taken and given back here, never through the C++ heap.

#include <cstddef>

namespace game {

// "FMemory.Malloc" with alignment 0; null when the host has no allocator.
void* Malloc(std::size_t size);
// "FMemory.Realloc"; contents are kept up to the smaller size.
void* Realloc(void* original, std::size_t size);
// "FMemory.Free"; a null pointer is ignored.
void Free(void* pointer);

}  // namespace game
