#include "host/GameAccess.h"

#include <string>

namespace game {

namespace {

// A function name no game has ('?' is in no C++ or engine name): the host's answer for it is
// its answer for every name it does not know.
constexpr const char* kSurelyUnknownFunction = "DinoTuner?NoSuchFunction";

bool FitsItsWord(const BitField& field)
{
    const bool wordFits = field.length == 1 || field.length == 2 || field.length == 4 || field.length == 8;
    return wordFits && field.num_bits != 0 && field.num_bits <= field.length * 8 && field.bit_position <= field.length * 8 - field.num_bits;
}

}  // namespace

bool Name::Resolve() const
{
    const std::string name(text_);
    bool present = false;
    switch (kind_) {
    case Kind::Function: {
        void* entry = GetAddress(name);
        present = entry != nullptr && entry != GetAddress(std::string(kSurelyUnknownFunction));
        entry_ = present ? entry : nullptr;
        break;
    }
    case Kind::Field: {
        // Asked for no object, the host answers with the offset alone; an unknown field lies at 0,
        // where no field of a game object can, as every object begins with its virtual table.
        const unsigned long long offset = GetAddress(static_cast<const void*>(nullptr), name);
        present = offset != 0;
        offset_ = present ? static_cast<std::ptrdiff_t>(offset) : 0;
        break;
    }
    case Kind::Bits: {
        const BitField field = GetBitField(static_cast<const void*>(nullptr), name);
        present = FitsItsWord(field);
        offset_ = present ? static_cast<std::ptrdiff_t>(field.offset) : 0;
        position_ = present ? field.bit_position : 0;
        length_ = present ? static_cast<std::size_t>(field.length) : 0;
        mask_ = !present ? 0 : field.num_bits >= 64 ? ~0ull : ((1ull << field.num_bits) - 1u);
        break;
    }
    }
    state_ = present ? State::Present : State::Missing;
    return present;
}

}  // namespace game
