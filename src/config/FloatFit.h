#pragma once
// Whether a number from the file can be a multiplier. The rules compute in single precision, and
// a number a 32-bit float cannot hold would silently become infinity (an invulnerable species)
// or 0 (which reads as "not set"). The loader, dinotuner-check and the schema all judge by this.

// Every number this large or larger (either sign) rounds to infinity as a float.
inline constexpr double kFloatOverflow = 0x1.ffffffp+127;
// Every number this close to 0 or closer, but 0 itself, rounds to 0 as a float.
inline constexpr double kFloatUnderflow = 0x1p-150;

enum class FloatFit { Fits, TooLarge, TooSmall };

// Whether `value` keeps its meaning as a 32-bit float, and if not, why.
constexpr FloatFit FloatFitOf(double value)
{
    if (value >= kFloatOverflow || value <= -kFloatOverflow) {
        return FloatFit::TooLarge;
    }
    if (value != 0.0 && value >= -kFloatUnderflow && value <= kFloatUnderflow) {
        return FloatFit::TooSmall;
    }
    return FloatFit::Fits;
}
