#pragma once
// The game's functions and fields reached by name at every call, as a test looks at the world
// without the plugin's handles (which would remember what they resolved).

#include <cstdint>
#include <string>
#include <type_traits>

#include "host/HostApi.h"

namespace byname {

// Calls the game function `name` through its entry (detours run); R{} when the name is unknown.
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

// The field `name` of `object` as a T; T{} for a null object or an unknown name.
template <typename T>
T Read(const void* object, const std::string& name)
{
    const void* address = object != nullptr ? ArkApi::GetAddress(object, name) : nullptr;
    return address != nullptr ? *static_cast<const T*>(address) : T{};
}

// Writes the field `name` of `object`; nothing for a null object or an unknown name.
template <typename T>
void Write(void* object, const std::string& name, T value)
{
    if (void* address = object != nullptr ? ArkApi::GetAddress(object, name) : nullptr) {
        *static_cast<T*>(address) = value;
    }
}

}  // namespace byname
