#pragma once
// Typed access to the game's named functions, fields and bit fields, so that the handlers read
// like the game logic they implement. Every call resolves the name through the host afresh: the
// plugin caches no address. A name the host does not know is answered with a default value
// (or no effect) instead of a jump through a null pointer.

#include <cstdint>
#include <string>
#include <type_traits>

#include "host/HostApi.h"

namespace game {

// Calls the game function `name` with `args`; returns its result, or R{} when the name is unknown.
template <typename R, typename... Args>
R Call(const std::string& name, Args... args)
{
    void* entry = ArkApi::GetAddress(name);
    if (entry == nullptr) {
        if constexpr (std::is_void_v<R>) {
            return;
        } else {
            return R{};
        }
    }
    return reinterpret_cast<R (*)(Args...)>(entry)(args...);
}

// Reads the field `name` of `object` as a T; T{} for a null object (the host is not asked, as
// its answer for one is not defined) or an unknown name.
template <typename T>
T Read(const void* object, const std::string& name)
{
    if (object == nullptr) {
        return T{};
    }
    const void* address = ArkApi::GetAddress(object, name);
    return address ? *static_cast<const T*>(address) : T{};
}

// Writes `value` into the field `name` of `object`; nothing happens for a null object or an unknown name.
template <typename T>
void Write(void* object, const std::string& name, T value)
{
    if (object == nullptr) {
        return;
    }
    if (void* address = ArkApi::GetAddress(object, name)) {
        *static_cast<T*>(address) = value;
    }
}

// Reads the bit field `name` of `object`: the word shifted right by the position and masked; 0 for a null object.
inline std::uint32_t ReadBits(const void* object, const std::string& name)
{
    if (object == nullptr) {
        return 0;
    }
    const BitField field = ArkApi::GetBitField(object, name);
    if (field.Word == nullptr || field.NumBits == 0) {
        return 0;
    }
    const std::uint32_t mask = field.NumBits >= 32 ? 0xFFFFFFFFu : ((1u << field.NumBits) - 1u);
    return (*field.Word >> field.BitPosition) & mask;
}

}  // namespace game
