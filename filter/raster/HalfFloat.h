// Conversions between 32-bit floats and IEEE 754 binary16 half floats, as layers store them.
#pragma once

#include <cstdint>

/// The half float of `value`: the fraction truncated, magnitudes below 2^-14 flushed to a
/// signed zero, 2^16 and above (infinities and NaN included) to infinity.
uint16_t Float32To16(float value);
/// The float of a half float, exactly (subnormals, infinities and NaN payloads kept).
float Float16To32(uint16_t value);
