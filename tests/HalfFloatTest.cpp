// Half-float conversions: exact decoding of every half, truncating encoding at the edges.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "filter/MoveEffectFilter.h"

namespace {

uint32_t BitsOf(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float FloatOf(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

TEST(Float16To32, DecodesEveryHalfExactly) {
    for (uint32_t h = 0; h < 65536; ++h) {
        const int sign = (h & 0x8000) != 0 ? -1 : 1;
        const int exponent = static_cast<int>((h >> 10) & 0x1F);
        const int fraction = static_cast<int>(h & 0x3FF);
        const float got = MoveEffectFilter::Float16To32(static_cast<uint16_t>(h));
        if (exponent == 31) {
            if (fraction == 0) {
                EXPECT_EQ(got, sign * std::numeric_limits<float>::infinity()) << h;
            } else {
                ASSERT_TRUE(std::isnan(got)) << h;
                // The payload moves up 13 bits.
                EXPECT_EQ(BitsOf(got), ((h & 0x8000u) << 16) | 0x7F800000u |
                                           (static_cast<uint32_t>(fraction) << 13))
                    << h;
            }
            continue;
        }
        // value = sign * (exponent ? 1024 + fraction : fraction) * 2^(max(exponent, 1) - 25)
        const double magnitude = std::ldexp(exponent != 0 ? 1024 + fraction : fraction,
                                            (exponent != 0 ? exponent : 1) - 25);
        const float expected = static_cast<float>(sign * magnitude);
        EXPECT_EQ(BitsOf(got), BitsOf(expected)) << h;  // also tells -0 from +0
    }
}

TEST(Float32To16, EncodesTheBoundaries) {
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float value;
        uint16_t half;
    };
    const Case cases[] = {
        {1.0f, 0x3C00},
        {-0.0f, 0x8000},
        {65504.0f, 0x7BFF},
        {65535.996f, 0x7BFF},  // truncated, not rounded up to infinity
        {65536.0f, 0x7C00},
        {-1e10f, 0xFC00},
        {inf, 0x7C00},
        {std::numeric_limits<float>::quiet_NaN(), 0x7C00},
        {FloatOf(0xFFC00000u), 0xFC00},   // negative NaN
        {std::ldexp(1.0f, -14), 0x0400},  // smallest normal half
        {std::nextafter(std::ldexp(1.0f, -14), 0.0f), 0x0000},
        {1e-5f, 0x0000},
        {-1e-5f, 0x8000},
        {1.0f + std::ldexp(1.0f, -11), 0x3C00},  // below half precision: truncated
        {1.0f + std::ldexp(1.0f, -10), 0x3C01},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MoveEffectFilter::Float32To16(c.value), c.half) << c.value;
    }
}

}  // namespace
