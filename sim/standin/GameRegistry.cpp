#include "standin/GameRegistry.h"

#include "standin/SimHost.h"

namespace sim::detail {

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

}  // namespace sim

// The host's lookups live in the global namespace, as the host declares them.

void* GetAddress(const std::string& name)
{
    sim::detail::Registry& registry = sim::detail::GetRegistry();
    ++registry.Lookups;
    const auto found = registry.Functions.find(name);
    return found == registry.Functions.end() ? nullptr : found->second.Entry;
}

unsigned long long GetAddress(const void* object, const std::string& name)
{
    sim::detail::Registry& registry = sim::detail::GetRegistry();
    ++registry.Lookups;
    const auto found = registry.Fields.find(name);
    if (object == nullptr || found == registry.Fields.end()) {
        return 0;
    }
    return reinterpret_cast<std::uintptr_t>(object) + static_cast<std::uintptr_t>(found->second);
}

BitField GetBitField(const void* object, const std::string& name)
{
    sim::detail::Registry& registry = sim::detail::GetRegistry();
    ++registry.Lookups;
    const auto found = registry.BitFields.find(name);
    if (object == nullptr || found == registry.BitFields.end()) {
        return BitField{0, 0, 0, 0};
    }
    const sim::detail::BitFieldRecord& field = found->second;
    return BitField{reinterpret_cast<std::uintptr_t>(object) + static_cast<std::uintptr_t>(field.WordOffset), field.Position,
                    field.Bits, field.Length};
}

BitField GetBitField(void* object, const std::string& name)
{
    return GetBitField(static_cast<const void*>(object), name);
}
