#pragma once
// Typed handles on the game's named functions, fields and bit fields. Each resolves its name
// through the host once, at first use, and then reaches the game directly: the handlers run on
// every hit, ride and buff, and a name lookup would cost more than all their own work. A name the
// host does not know is answered with a default value (or no effect) instead of a jump through a
// null pointer, and is asked for again at the next use.

#include <cstddef>
#include <cstdint>
#include <cstring>
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
            entry_ = reinterpret_cast<R (*)(Args...)>(GetAddress(std::string(name_)));
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
            // The host answers with the field's address as an integer: the object's plus the offset.
            const unsigned long long address = GetAddress(object, std::string(name_));
            if (address == 0) {
                return nullptr;
            }
            offset_ = static_cast<std::ptrdiff_t>(address - reinterpret_cast<std::uintptr_t>(base));
            known_ = true;
        }
        return base + offset_;
    }

    const char* name_;
    mutable std::ptrdiff_t offset_ = 0;
    mutable bool known_ = false;
};

// The bit field "Class.Field": a number of bits at a position in a word of the object, the word
// 1, 2, 4 or 8 bytes long as the host reports it.
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
            const BitField field = GetBitField(object, std::string(name_));
            const bool wordFits = field.length == 1 || field.length == 2 || field.length == 4 || field.length == 8;
            if (field.offset == 0 || !wordFits || field.num_bits == 0 || field.num_bits > field.length * 8 ||
                field.bit_position > field.length * 8 - field.num_bits) {
                return 0;
            }
            wordOffset_ = static_cast<std::ptrdiff_t>(field.offset - reinterpret_cast<std::uintptr_t>(base));
            wordLength_ = static_cast<std::size_t>(field.length);
            position_ = field.bit_position;
            mask_ = field.num_bits >= 64 ? ~0ull : ((1ull << field.num_bits) - 1u);
            known_ = true;
        }
        // Little-endian, as the server's only platform is: the word's bytes from the lowest up.
        unsigned long long word = 0;
        std::memcpy(&word, base + wordOffset_, wordLength_);
        return static_cast<std::uint32_t>((word >> position_) & mask_);
    }

private:
    const char* name_;
    mutable std::ptrdiff_t wordOffset_ = 0;
    mutable std::size_t wordLength_ = 0;
    mutable unsigned int position_ = 0;
    mutable unsigned long long mask_ = 0;
    mutable bool known_ = false;
};

}  // namespace game
