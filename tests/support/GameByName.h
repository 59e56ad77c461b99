#pragma once
// The game's fields reached by name at every read, as a test looks at the world
// without the plugin's handles (which would remember what they resolved).

#include <string>

#include "host/HostApi.h"

namespace byname {

// The field `name` of `object` as a T; T{} for a null object or an unknown name.
template <typename T>
T Read(const void* object, const std::string& name)
{
    const void* address = object != nullptr ? ArkApi::GetAddress(object, name) : nullptr;
    return address != nullptr ? *static_cast<const T*>(address) : T{};
}

}  // namespace byname
