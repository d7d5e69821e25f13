// Pixel encodings: exact half-float conversions, and base-image sampling as darkness times
// opacity in every colour mode and encoding.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "PipelineTestSupport.h"
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

constexpr float kInfF = std::numeric_limits<float>::infinity();
constexpr float kNaNF = std::numeric_limits<float>::quiet_NaN();

// Channel values as the encoding stores them, converted from the test's floats.
void Store(uint8_t* at, int depth, double value) {
    switch (depth) {
        case VELTRIX_DEPTH_U8:
            *at = static_cast<uint8_t>(value);
            break;
        case VELTRIX_DEPTH_U16: {
            const auto v = static_cast<uint16_t>(value);
            std::memcpy(at, &v, 2);
            break;
        }
        case VELTRIX_DEPTH_HALF: {
            const uint16_t v = MoveEffectFilter::Float32To16(static_cast<float>(value));
            std::memcpy(at, &v, 2);
            break;
        }
        default: {
            const auto v = static_cast<float>(value);
            std::memcpy(at, &v, 4);
            break;
        }
    }
}

int WidthOf(int depth) {
    return depth == 3 ? 4 : (depth == 1 || depth == 2) ? 2 : 1;
}

struct Image {
    int8_t colorMode = 0;
    int depth = 0;
    std::vector<uint8_t> order;
    std::vector<double> channels;  // pixel (1, 1), in pixel order, in the encoding's units
    bool invertGray = false;
    int maskDepth = -1;  // -1: no mask
    double mask = 0;
};

// Samples pixel (1, 1) of a 3 x 2 image whose rows are padded to an odd length, so that wider
// elements sit misaligned; the mask rows are odd too.
int DepthOf(const Image& pixel) {
    const int width = WidthOf(pixel.depth);
    const int pixelSize = static_cast<int>(pixel.channels.size()) * width;
    const int rowBytes = 3 * pixelSize + 1;
    std::vector<uint8_t> pixels(2 * rowBytes, 0xEE);
    for (size_t i = 0; i < pixel.channels.size(); ++i) {
        Store(&pixels[rowBytes + pixelSize + i * width], pixel.depth, pixel.channels[i]);
    }
    std::vector<uint8_t> mask(2 * 7, 0xEE);
    if (pixel.maskDepth >= 0) {
        Store(&mask[7 + 1], pixel.maskDepth, pixel.mask);
    }
    MoveEffectImageParam image{};
    image.colorMode = pixel.colorMode;
    image.depth = static_cast<uint8_t>(pixel.depth);
    image.invertGray = pixel.invertGray;
    image.channelOrder = pixel.order.data();
    image.channelCount = static_cast<int8_t>(pixel.order.size());
    image.width = 3;
    image.height = 2;
    image.rowBytes = rowBytes;
    image.pixels = pixels.data();
    image.maskDepth = static_cast<uint8_t>(pixel.maskDepth < 0 ? 0 : pixel.maskDepth);
    image.maskRowBytes = 7;
    image.mask = pixel.maskDepth >= 0 ? mask.data() : nullptr;
    MoveEffectFilter filter(MoveEffectParam{}, 1);
    filter.SetBaseImage(&image);
    return filter.GetPixelDepth(1, 1);
}

TEST(GetPixelDepth, DarknessTimesOpacityInEveryModeAndEncoding) {
    struct Case {
        const char* name;
        Image image;
        int depth;
    };
    const double nan = kNaNF;
    const double inf = kInfF;
    const Case cases[] = {
        {"rgb black", {0, 0, {0, 1, 2, 3}, {0, 0, 0, 255}}, 255},
        {"rgb black, alpha 128", {0, 0, {0, 1, 2, 3}, {0, 0, 0, 128}}, 127},
        {"rgb weights", {0, 0, {0, 1, 2, 3}, {255, 0, 0, 255}}, 255 - (77 * 255 >> 8)},
        {"alpha first", {0, 0, {1, 2, 3, 0}, {255, 255, 0, 0}}, 255 - (77 * 255 >> 8)},
        {"gray inverted", {1, 0, {0, 1}, {55, 255}, true}, 55},
        {"gray translucent", {1, 0, {0, 1}, {55, 200}}, 200 * 200 >> 8},
        {"cmyk key", {2, 0, {0, 1, 2, 3, 4}, {0, 0, 0, 255, 255}}, 255},
        // k = 155, R' = 155 * 155 / 255 = 94 (truncated), G' = B' = 155.
        {"cmyk mixed",
         {2, 0, {0, 1, 2, 3, 4}, {100, 0, 0, 100, 255}},
         255 - ((77 * 94 + 150 * 155 + 29 * 155) >> 8)},
        {"alpha only", {5, 0, {}, {200}}, 0},
        {"mask", {0, 0, {0, 1, 2, 3}, {0, 0, 0, 255}, false, 0, 128}, (128 * 255) >> 8},
        // The 16-bit mask element 0x0080 is read as its first (little-endian) byte, 128.
        {"mask read as a byte", {0, 0, {0, 1, 2, 3}, {0, 0, 0, 255}, false, 1, 0x80}, 127},
        // a = 32768 / 65535: A = 127, (127 * 255) >> 8.
        {"u16 gray translucent", {1, 1, {0, 1}, {0, 32768}}, 126},
        {"u16 cmyk key", {2, 1, {0, 1, 2, 3, 4}, {0, 0, 0, 65535, 65535}}, 255},
        {"half gray, alpha 0.5", {1, 2, {0, 1}, {0, 0.5}}, 126},
        {"half gray inverted", {1, 2, {0, 1}, {0.25, 1.0}, true}, 63},
        {"float mid gray", {1, 3, {0, 1}, {0.5, 1}}, 127},
        {"float cmyk", {2, 3, {0, 1, 2, 3, 4}, {0.5, 0, 0, 0, 1}}, 38},
        {"float u16 mask", {1, 3, {0, 1}, {0, 1}, false, 1, 32768}, 127},
        {"float float mask", {1, 3, {0, 1}, {0, 1}, false, 3, 0.5}, 127},
        {"float half mask", {1, 3, {0, 1}, {0, 1}, false, 2, 0.25}, 63},
        {"unknown encoding", {0, 9, {0, 1, 2, 3}, {0, 0, 0, 255}}, 0},
        // Lighter than white and opaque: the darkness is negative and not clamped.
        {"float brighter than white", {1, 3, {0, 1}, {1.5, 1}}, -127},
        // Non-finite float channels saturate.
        {"nan gray", {1, 3, {0, 1}, {nan, 1}}, 0},
        {"nan alpha", {1, 3, {0, 1}, {0, nan}}, 0},
        {"infinite alpha", {1, 3, {0, 1}, {0, inf}}, 255},
        {"huge alpha", {1, 3, {0, 1}, {0, 1e30}}, 255},
        {"infinitely dark, opaque", {1, 3, {0, 1}, {-inf, 1}}, std::numeric_limits<int>::max()},
        {"infinitely light, opaque", {1, 3, {0, 1}, {inf, 1}}, std::numeric_limits<int>::min()},
        {"infinitely dark, translucent", {1, 3, {0, 1}, {-inf, 0.5}}, 255},
        {"half infinity alpha", {1, 2, {0, 1}, {0, 65536.0}}, 255},
        {"nan mask", {1, 3, {0, 1}, {0, 1}, false, 3, nan}, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DepthOf(c.image), c.depth) << c.name;
    }
}

TEST(GetPixelDepth, OutsideTheCanvasIsMinusOneAndRowsMayRunBottomUp) {
    // Row 0 is last in memory: pixels points at it and rows step backwards.
    const TestImage memory(4, 2, [](int, int y) { return y == 1; });
    MoveEffectImageParam image = memory.Param();
    image.pixels = memory.pixels.data() + 16;
    image.rowBytes = -16;
    MoveEffectFilter filter(MoveEffectParam{}, 1);
    EXPECT_EQ(filter.GetPixelDepth(0, 0), -1) << "no base image yet";
    filter.SetBaseImage(&image);
    EXPECT_EQ(filter.GetPixelDepth(0, 0), 255);
    EXPECT_EQ(filter.GetPixelDepth(3, 1), 0);
    for (const auto& [x, y] : {std::pair{-1, 0}, {4, 0}, {0, 2}}) {
        EXPECT_EQ(filter.GetPixelDepth(x, y), -1) << x << ", " << y;
    }
    // Points truncate toward zero: -0.5 is column 0.
    EXPECT_EQ(filter.GetPixelDepth(PathPoint{-0.5, 0.0}), 255);
    EXPECT_EQ(filter.GetPixelDepth(PathPoint{3.99, 0.99}), 255);
    for (const PathPoint p :
         {PathPoint{-1.0, 0.0}, PathPoint{4.0, 0.0}, PathPoint{1e300, 0.0}, PathPoint{-1e300, 0.0},
          PathPoint{0.0, std::nan("")}, PathPoint{std::numeric_limits<double>::infinity(), 0.0}}) {
        EXPECT_EQ(filter.GetPixelDepth(p), -1) << p.x << ", " << p.y;
    }
}

}  // namespace
