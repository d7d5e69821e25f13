// Conversions between 32-bit floats and IEEE 754 binary16 half floats.
#include "filter/raster/HalfFloat.h"

#include <cstring>

uint16_t Float32To16(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const auto sign = static_cast<uint16_t>((bits >> 16) & 0x8000u);
    const uint32_t exponent = (bits >> 23) & 0xFFu;
    const uint32_t fraction = bits & 0x7FFFFFu;
    if (exponent == 0 && fraction == 0) {
        return sign;
    }
    // Below 2^-14: flushed to a signed zero, no half subnormals are produced.
    if (exponent < 113) {
        return sign;
    }
    // 2^16 and above, infinities and NaN: infinity.
    if (exponent >= 143) {
        return static_cast<uint16_t>(sign | 0x7C00u);
    }
    // Rebias 127 -> 15; the fraction is truncated, never rounded.
    return static_cast<uint16_t>(sign | ((exponent - 112) << 10) | (fraction >> 13));
}

float Float16To32(uint16_t value) {
    const uint32_t sign = static_cast<uint32_t>(value & 0x8000u) << 16;
    const uint32_t exponent = (value >> 10) & 0x1Fu;
    const uint32_t fraction = value & 0x3FFu;
    uint32_t bits;
    if (exponent == 31) {
        // Infinity, or NaN with its payload kept.
        bits = sign | 0x7F800000u | (fraction << 13);
    } else if (exponent == 0) {
        if (fraction == 0) {
            bits = sign;
        } else {
            // Subnormal: fraction * 2^-24, exact in single precision.
            const float magnitude = static_cast<float>(fraction) * 0x1p-24f;
            return sign != 0 ? -magnitude : magnitude;
        }
    } else {
        bits = sign | ((exponent + 112) << 23) | (fraction << 13);
    }
    float result;
    std::memcpy(&result, &bits, sizeof result);
    return result;
}
