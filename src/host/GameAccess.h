#pragma once
// Typed handles on the game's named functions, fields and bit fields. Each asks the host about
// its name once (at load, through the list of GameNames.h, or else at its first use) and then
// reaches the game directly: the handlers run on every hit, ride and buff, and a name lookup
// would cost more than all their own work.
//
// The host does not answer a name it does not know with null. It looks names up in a table that
// yields 0, so an unknown function comes back as the game module's base address, an unknown field
// as the object's own address (offset 0, where the object's virtual table lies) and an unknown bit
// field as 0 bits there. Calling or writing through such an answer would jump into the module's
// header or overwrite the virtual table; so a handle tells a missing name from a present one
// without touching any object, and a missing one never calls or writes: it gives T{} or does nothing.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "host/HostApi.h"

namespace game {

// A set of the plugin's rules, one bit each (GameNames.h names them).
using Rules = std::uint32_t;

// One game name and what the host answered for it.
class Name {
public:
    enum class Kind : std::uint8_t { Function, Field, Bits };

    constexpr Name(const char* text, Kind kind, Rules neededBy = 0) : text_(text), neededBy_(neededBy), kind_(kind) {}

    // The name as the host knows it ("Class.Member").
    const char* Text() const { return text_; }
    // The rules that cannot work without this name.
    Rules NeededBy() const { return neededBy_; }
    // Asks the host about the name again, reading and writing no game object; true when it knows it.
    bool Resolve() const;
    // True when the host knows the name; asks it at the first call when Resolve never ran.
    bool Present() const { return state_ == State::Present || (state_ == State::Unresolved && Resolve()); }

protected:
    enum class State : std::uint8_t { Unresolved, Present, Missing };

    const char* text_;
    Rules neededBy_;
    Kind kind_;
    mutable State state_ = State::Unresolved;
    // A function's entry.
    mutable void* entry_ = nullptr;
    // A field's offset in its object, or the offset of a bit field's word.
    mutable std::ptrdiff_t offset_ = 0;
    // A bit field's first bit, its word's length in bytes and its bits once shifted down.
    mutable unsigned int position_ = 0;
    mutable std::size_t length_ = 0;
    mutable unsigned long long mask_ = 0;
};

// The game function "Class.Function" with the signature R(Args...).
template <typename Signature>
class Function;

template <typename R, typename... Args>
class Function<R(Args...)> : public Name {
public:
    explicit constexpr Function(const char* name, Rules neededBy = 0) : Name(name, Kind::Function, neededBy) {}

    // Calls the game function; R{} (or nothing) when the host does not know the name.
    R operator()(Args... args) const
    {
        if (!Present()) {
            if constexpr (std::is_void_v<R>) {
                return;
            } else {
                return R{};
            }
        }
        return reinterpret_cast<R (*)(Args...)>(entry_)(args...);
    }
};

// The field "Class.Field" of type T, at the same offset in every object that has it.
template <typename T>
class Field : public Name {
public:
    explicit constexpr Field(const char* name, Rules neededBy = 0) : Name(name, Kind::Field, neededBy) {}

    // The field's value in `object`; T{} for a null object or an unknown name.
    T Read(const void* object) const
    {
        if (object == nullptr || !Present()) {
            return T{};
        }
        T value;
        std::memcpy(&value, static_cast<const char*>(object) + offset_, sizeof(T));
        return value;
    }

    // The field's value in `object`, which is not null, for a caller that saw Present() true since
    // the names were last resolved: the hit path asks once per table fill, not at every read.
    T ReadKnown(const void* object) const
    {
        T value;
        std::memcpy(&value, static_cast<const char*>(object) + offset_, sizeof(T));
        return value;
    }

    // Writes `value` into the field of `object`; nothing happens for a null object or an unknown name.
    void Write(void* object, T value) const
    {
        if (object != nullptr && Present()) {
            std::memcpy(static_cast<char*>(object) + offset_, &value, sizeof(T));
        }
    }
};

// The bit field "Class.Field": a number of bits at a position in a word of the object, the word
// 1, 2, 4 or 8 bytes long as the host reports it.
class Bits : public Name {
public:
    explicit constexpr Bits(const char* name, Rules neededBy = 0) : Name(name, Kind::Bits, neededBy) {}

    // The word shifted right by the position and masked; 0 for a null object or an unknown name.
    std::uint32_t Read(const void* object) const
    {
        if (object == nullptr || !Present()) {
            return 0;
        }
        // Little-endian, as the server's only platform is: the word's bytes from the lowest up.
        unsigned long long word = 0;
        std::memcpy(&word, static_cast<const char*>(object) + offset_, length_);
        return static_cast<std::uint32_t>((word >> position_) & mask_);
    }
};

}  // namespace game
