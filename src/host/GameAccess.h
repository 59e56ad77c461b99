#pragma once
// Typed handles on the game's named functions, fields and bit fields. Each resolves its name
// through the host once, at first use, and then reaches the game directly: the handlers run on
// every hit, ride and buff, and a name lookup would cost more than all their own work. A name the
// host does not know is answered with a default value (or no effect) instead of a jump through a
// null pointer, and is asked for again at the next use.

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

#include "host/HostApi.h"

namespace game {

// The game function "Class.Function" with the signature R(Args...).
template <typename Signature>
class Function;

template <typename R, typename... Args>
class Function<R(Args...)> {
public:
    explicit constexpr Function(const char* name) : name_(name) {}

    // Calls the game function; R{} (or nothing) when the host does not know the name.
    R operator()(Args... args) const
    {
        if (entry_ == nullptr) {
            entry_ = reinterpret_cast<R (*)(Args...)>(ArkApi::GetAddress(std::string(name_)));
            if (entry_ == nullptr) {
                if constexpr (std::is_void_v<R>) {
                    return;
                } else {
                    return R{};
                }
            }
        }
        return entry_(args...);
    }

private:
    const char* name_;
    mutable R (*entry_)(Args...) = nullptr;
};

// The field "Class.Field" of type T. A field lies at the same offset in every object that has
// it, so the offset is learnt from the first object the host is asked about.
template <typename T>
class Field {
public:
    explicit constexpr Field(const char* name) : name_(name) {}

    // The field's value in `object`; T{} for a null object (the host is not asked: its answer for
    // one is not defined) or an unknown name.
    T Read(const void* object) const
    {
        const void* address = Address(object);
        return address != nullptr ? *static_cast<const T*>(address) : T{};
    }

    // Writes `value` into the field of `object`; nothing happens for a null object or an unknown name.
    void Write(void* object, T value) const
    {
        if (void* address = Address(object)) {
            *static_cast<T*>(address) = value;
        }
    }

private:
    void* Address(const void* object) const
    {
        if (object == nullptr) {
            return nullptr;
        }
        char* base = static_cast<char*>(const_cast<void*>(object));
        if (!known_) {
            void* address = ArkApi::GetAddress(object, std::string(name_));
            if (address == nullptr) {
                return nullptr;
            }
            offset_ = static_cast<char*>(address) - base;
            known_ = true;
        }
        return base + offset_;
    }

    const char* name_;
    mutable std::ptrdiff_t offset_ = 0;
    mutable bool known_ = false;
};

// The bit field "Class.Field": a number of bits at a position in a 32-bit word of the object.
class Bits {
public:
    explicit constexpr Bits(const char* name) : name_(name) {}

    // The word shifted right by the position and masked; 0 for a null object or an unknown name.
    std::uint32_t Read(const void* object) const
    {
        if (object == nullptr) {
            return 0;
        }
        const char* base = static_cast<const char*>(object);
        if (!known_) {
            const BitField field = ArkApi::GetBitField(object, std::string(name_));
            if (field.Word == nullptr || field.NumBits == 0 || field.BitPosition >= 32) {
                return 0;
            }
            wordOffset_ = reinterpret_cast<const char*>(field.Word) - base;
            position_ = field.BitPosition;
            mask_ = field.NumBits >= 32 ? 0xFFFFFFFFu : ((1u << field.NumBits) - 1u);
            known_ = true;
        }
        const auto* word = reinterpret_cast<const std::uint32_t*>(base + wordOffset_);
        return (*word >> position_) & mask_;
    }

private:
    const char* name_;
    mutable std::ptrdiff_t wordOffset_ = 0;
    mutable std::uint32_t position_ = 0;
    mutable std::uint32_t mask_ = 0;
    mutable bool known_ = false;
};

}  // namespace game
