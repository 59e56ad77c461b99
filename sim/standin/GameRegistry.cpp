#include "standin/GameRegistry.h"

#include "standin/HostReset.h"
#include "standin/SimHost.h"

namespace sim::detail {

namespace {

// Stands for the game module's image, whose base address is the host's answer for a function
// name it does not know. Data, not code: a plugin that calls it crashes at once, as it would on
// a server, instead of running on.
alignas(16) const unsigned char kModuleImage[64] = {'M', 'Z'};

template <typename Map>
auto FindKnown(Map& map, const std::string& name) -> decltype(map.find(name))
{
    return GetRegistry().Forgotten.count(name) != 0 ? map.end() : map.find(name);
}

}  // namespace

Registry& GetRegistry()
{
    static Registry registry;
    return registry;
}

void Relink(FunctionRecord& function)
{
    void* below = function.Implementation;
    for (ChainLink& link : function.Chain) {
        *link.Slot = below;
        below = link.Detour;
    }
    *function.Head = below;
}

FunctionRecord* KnownFunction(const std::string& name)
{
    Registry& registry = GetRegistry();
    const auto found = FindKnown(registry.Functions, name);
    return found == registry.Functions.end() ? nullptr : &found->second;
}

void ResetNames()
{
    GetRegistry().Forgotten.clear();
}

}  // namespace sim::detail

namespace sim {

void RegisterFunctionEntry(const std::string& name, void* entry, void** head, void* implementation)
{
    detail::FunctionRecord& record = detail::GetRegistry().Functions[name];
    record.Entry = entry;
    record.Head = head;
    record.Implementation = implementation;
    detail::Relink(record);
}

void RegisterField(const std::string& name, std::ptrdiff_t offset)
{
    detail::GetRegistry().Fields[name] = offset;
}

void RegisterBitField(const std::string& name, std::ptrdiff_t wordOffset, std::uint32_t position, std::uint32_t bits, std::uint32_t length)
{
    detail::GetRegistry().BitFields[name] = detail::BitFieldRecord{wordOffset, position, bits, length};
}

std::uint64_t Lookups()
{
    return detail::GetRegistry().Lookups;
}

bool ForgetName(const std::string& name)
{
    detail::Registry& registry = detail::GetRegistry();
    if (registry.Functions.count(name) == 0 && registry.Fields.count(name) == 0 && registry.BitFields.count(name) == 0) {
        return false;
    }
    registry.Forgotten.insert(name);
    return true;
}

void* EntryOf(const std::string& name)
{
    detail::Registry& registry = detail::GetRegistry();
    const auto found = registry.Functions.find(name);
    return found == registry.Functions.end() ? nullptr : found->second.Entry;
}

}  // namespace sim

// The host's lookups live in the global namespace, as the host declares them. Each looks the name
// up in a table that yields 0 for a name it does not know, as the real host's does: an unknown
// function is the module's base, an unknown field the object's own address, an unknown bit field
// 0 bits there. An object may be null: the answer is then the offset alone.

void* GetAddress(const std::string& name)
{
    sim::detail::Registry& registry = sim::detail::GetRegistry();
    ++registry.Lookups;
    const sim::detail::FunctionRecord* function = sim::detail::KnownFunction(name);
    return function != nullptr ? function->Entry : const_cast<unsigned char*>(sim::detail::kModuleImage);
}

unsigned long long GetAddress(const void* object, const std::string& name)
{
    sim::detail::Registry& registry = sim::detail::GetRegistry();
    ++registry.Lookups;
    const auto found = sim::detail::FindKnown(registry.Fields, name);
    const std::ptrdiff_t offset = found == registry.Fields.end() ? 0 : found->second;
    return reinterpret_cast<std::uintptr_t>(object) + static_cast<std::uintptr_t>(offset);
}

BitField GetBitField(const void* object, const std::string& name)
{
    sim::detail::Registry& registry = sim::detail::GetRegistry();
    ++registry.Lookups;
    const auto found = sim::detail::FindKnown(registry.BitFields, name);
    const sim::detail::BitFieldRecord field = found == registry.BitFields.end() ? sim::detail::BitFieldRecord{0, 0, 0, 0} : found->second;
    return BitField{reinterpret_cast<std::uintptr_t>(object) + static_cast<std::uintptr_t>(field.WordOffset), field.Position,
                    field.Bits, field.Length};
}

BitField GetBitField(void* object, const std::string& name)
{
    return GetBitField(static_cast<const void*>(object), name);
}
