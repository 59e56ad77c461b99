#pragma once
// The host's table of game names, shared by its address lookups and its hook service.

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace sim::detail {

struct ChainLink {
    void* Detour = nullptr;
    void** Slot = nullptr;
};

struct FunctionRecord {
    void* Entry = nullptr;
    void** Head = nullptr;
    void* Implementation = nullptr;
    std::vector<ChainLink> Chain;  // oldest detour first
};

struct BitFieldRecord {
    std::ptrdiff_t WordOffset = 0;
    std::uint32_t Position = 0;
    std::uint32_t Bits = 0;
    std::uint32_t Length = 4;
};

struct Registry {
    std::unordered_map<std::string, FunctionRecord> Functions;
    std::unordered_map<std::string, std::ptrdiff_t> Fields;
    std::unordered_map<std::string, BitFieldRecord> BitFields;
    // Names the host answers as unknown, as after a game update; the game still has them.
    std::unordered_set<std::string> Forgotten;
    std::uint64_t Lookups = 0;
};

Registry& GetRegistry();
// Points the entry at the newest detour and every slot at the entry below it.
void Relink(FunctionRecord& function);
// The function `name` as plugins may reach it: null when it is unknown or forgotten.
FunctionRecord* KnownFunction(const std::string& name);

}  // namespace sim::detail
