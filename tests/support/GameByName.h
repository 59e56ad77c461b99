#pragma once
// The game's fields reached by name at every read, as a test looks at the world
// without the plugin's handles (which would remember what they resolved).

#include <cstdint>
#include <string>

#include "host/HostApi.h"

namespace byname {

// The address of the field `name` inside `object` (the host answers with an integer); null for a
// null object or an unknown name (which the host answers with the object's own address).
inline void* Address(const void* object, const std::string& name)
{
    const unsigned long long address = object != nullptr ? GetAddress(object, name) : 0;
    if (address == reinterpret_cast<std::uintptr_t>(object)) {
        return nullptr;
    }
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(address));
}

// The field `name` of `object` as a T; T{} for a null object or an unknown name.
template <typename T>
T Read(const void* object, const std::string& name)
{
    const void* address = Address(object, name);
    return address != nullptr ? *static_cast<const T*>(address) : T{};
}

}  // namespace byname
