// Unit tests of turning the library's layer into the output image.
#include <gtest/gtest.h>

#include <vector>

#include "render/LayerImage.h"

namespace {

// A one-row image of the given samples, channels interleaved.
Image Row(int channels, int depth, const std::vector<uint32_t>& samples) {
    Image image;
    const int32_t width = static_cast<int32_t>(samples.size()) / channels;
    image.Allocate(width, 1, channels, depth);
    for (size_t i = 0; i < samples.size(); ++i) {
        image.SetSample(static_cast<int32_t>(i) / channels, 0, static_cast<int>(i) % channels,
                        samples[i]);
    }
    return image;
}

std::vector<uint32_t> Samples(const Image& image) {
    std::vector<uint32_t> samples;
    for (int32_t x = 0; x < image.width; ++x) {
        for (int c = 0; c < image.channels; ++c) {
            samples.push_back(image.Sample(x, 0, c));
        }
    }
    return samples;
}

}  // namespace

TEST(LayerImage, SixteenBitLayerAlphaFillsThePngRange) {
    // Full coverage (255 * 255) is opaque, and a larger value never wraps.
    for (const auto& [layer, png] :
         {std::pair{0, 0}, {65025, 65535}, {128 * 255, 128 * 257}, {255, 257}, {65535, 65535}}) {
        EXPECT_EQ(LayerAlphaToPng16(layer), png) << layer;
    }
}

TEST(LayerImage, RgbaConversionSpreadsGrayAndRescalesExactly) {
    const Image gray = Row(2, 8, {200, 255, 1, 0});
    const Image wide = ToRgba(gray, 16);
    EXPECT_EQ(Samples(wide),
              (std::vector<uint32_t>{200 * 257, 200 * 257, 200 * 257, 65535, 257, 257, 257, 0}));
    EXPECT_EQ(ToRgba(wide, 8).pixels, ToRgba(gray, 8).pixels);
}

TEST(LayerImage, CompositeBlendsByCoverageAndKeepsTheBaseWhereTheLayerIsClear) {
    // The library colours its whole dirty area, so clear layer pixels still carry colour.
    const Image base = Row(
        4, 16,
        {0x1234, 0x00ff, 0xfedc, 65535, 0x1234, 0x00ff, 0xfedc, 65535, 0x1234, 0x00ff, 0xfedc, 0});
    const Image layer = Row(4, 16, {65535, 0, 0, 0, 65535, 0, 0, 65535, 65535, 0, 0, 0});
    EXPECT_EQ(Samples(CompositeOver(layer, base)),
              (std::vector<uint32_t>{0x1234, 0x00ff, 0xfedc, 65535, 65535, 0, 0, 65535, 0x1234,
                                     0x00ff, 0xfedc, 0}));
    // Half covered over black: 200 * 128 / 255 = 100.4. Over nothing: the layer pixel as it is.
    const Image half = Row(4, 8, {200, 0, 0, 128});
    EXPECT_EQ(Samples(CompositeOver(half, Row(2, 8, {0, 255}))),
              (std::vector<uint32_t>{100, 0, 0, 255}));
    EXPECT_EQ(Samples(CompositeOver(half, Row(2, 8, {0, 0}))),
              (std::vector<uint32_t>{200, 0, 0, 128}));
}
