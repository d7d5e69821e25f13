// Compositing: the host's colour and the coverage alpha in every layer layout and encoding, on
// one thread or in bands on the pool.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "FilterTestSupport.h"

using testsupport::Canvas;
using testsupport::PenParam;

namespace {

constexpr uint8_t kFill = 0xAB;

// A 4 x 2 canvas with coverage 255, 0, 51, 255 in row 0 and a dirty rectangle of columns
// 1..3 of row 0: column 0 and row 1 lie outside it.
Canvas MakeCovered() {
    Canvas canvas(PenParam(1, 1), 4, 2);
    const uint8_t coverage[8] = {255, 0, 51, 255, 255, 255, 255, 255};
    for (int i = 0; i < 8; ++i) {
        canvas->strokeBuffer[i].store(coverage[i]);
    }
    canvas->minX = 1;
    canvas->maxX = 4;
    canvas->minY = 0;
    canvas->maxY = 1;
    return canvas;
}

template <typename T>
std::vector<uint8_t> Bytes(T value) {
    std::vector<uint8_t> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

TEST(DrawToCanvas, WritesColourAndCoverageInEveryLayout) {
    struct Case {
        int colorMode;
        int depth;
        int colorChannels;
        int width;
        std::vector<uint8_t> alpha0, alpha51, alpha255;
    };
    const std::vector<uint8_t> u8[3] = {{0}, {51}, {255}};
    // 51 / 255 = 0.2f = 0x3E4CCCCD: half exponent 124 - 112, fraction truncated to 0x266.
    const std::vector<uint8_t> u16[3] = {Bytes<uint16_t>(0), Bytes<uint16_t>(13005),
                                         Bytes<uint16_t>(65025)};
    const std::vector<uint8_t> half[3] = {Bytes<uint16_t>(0), Bytes<uint16_t>(0x3266),
                                          Bytes<uint16_t>(0x3C00)};
    const std::vector<uint8_t> f32[3] = {Bytes(0.0f), Bytes(51.0f / 255.0f), Bytes(1.0f)};
    const Case cases[] = {
        {0, 0, 3, 1, u8[0], u8[1], u8[2]},       {1, 0, 1, 1, u8[0], u8[1], u8[2]},
        {2, 0, 4, 1, u8[0], u8[1], u8[2]},       {3, 0, 0, 1, u8[0], u8[1], u8[2]},
        {7, 0, 1, 1, u8[0], u8[1], u8[2]},       {0, 1, 3, 2, u16[0], u16[1], u16[2]},
        {3, 1, 0, 2, u16[0], u16[1], u16[2]},    {2, 2, 4, 2, half[0], half[1], half[2]},
        {1, 2, 1, 2, half[0], half[1], half[2]}, {0, 3, 3, 4, f32[0], f32[1], f32[2]},
        {3, 3, 0, 4, f32[0], f32[1], f32[2]},    {200, 3, 1, 4, f32[0], f32[1], f32[2]},
    };
    for (const Case& c : cases) {
        Canvas canvas = MakeCovered();
        std::vector<uint8_t> color(static_cast<size_t>(c.colorChannels * c.width));
        for (size_t i = 0; i < color.size(); ++i) {
            color[i] = static_cast<uint8_t>(0x10 + i);
        }
        const int pixelSize = (c.colorChannels + 1) * c.width;
        // Odd row bytes: wider elements of row 1 would sit misaligned.
        const int rowBytes = 4 * pixelSize + 3;
        std::vector<uint8_t> layer(2 * rowBytes, kFill);
        canvas->DrawToCanvas(c.colorMode, c.depth, color.data(), layer.data(), rowBytes);

        std::vector<uint8_t> expected(2 * rowBytes, 0);
        const std::vector<uint8_t>* alphas[3] = {&c.alpha0, &c.alpha51, &c.alpha255};
        for (int x = 1; x < 4; ++x) {
            std::vector<uint8_t> pixel = color;
            pixel.insert(pixel.end(), alphas[x - 1]->begin(), alphas[x - 1]->end());
            std::copy(pixel.begin(), pixel.end(), expected.begin() + x * pixelSize);
        }
        EXPECT_EQ(layer, expected) << "mode " << c.colorMode << ", depth " << c.depth;
    }
}

TEST(DrawToCanvas, NullColourIsBlackAndUnknownEncodingsOrEmptyCanvasesOnlyClear) {
    Canvas canvas = MakeCovered();
    std::vector<uint8_t> layer(4 * 4 * 2, kFill);
    canvas->DrawToCanvas(0, 0, nullptr, layer.data(), 16);
    std::vector<uint8_t> expected(32, 0);
    expected[2 * 4 + 3] = 51;
    expected[3 * 4 + 3] = 255;
    EXPECT_EQ(layer, expected);

    const uint8_t color[3] = {1, 2, 3};
    layer.assign(32, kFill);
    canvas->DrawToCanvas(0, 4, color, layer.data(), 16);
    EXPECT_EQ(layer, std::vector<uint8_t>(32, 0));

    Canvas empty(PenParam(1, 1), 0, 3);
    layer.assign(3 * 5, kFill);
    empty->DrawToCanvas(0, 0, nullptr, layer.data(), 5);
    EXPECT_EQ(layer, std::vector<uint8_t>(15, 0));
}

TEST(DrawToCanvas, WithoutLayerOrBaseImageOrWithTooNarrowRowsNothingHappens) {
    Canvas canvas = MakeCovered();
    canvas->DrawToCanvas(0, 0, nullptr, nullptr, 16);  // must not crash
    MoveEffectFilter bare(PenParam(1, 1), 1);
    for (const int rowBytes : {15, -15, 0, 16}) {
        std::vector<uint8_t> layer(64, kFill);
        (rowBytes == 16 ? bare : *canvas).DrawToCanvas(0, 0, nullptr, layer.data() + 32, rowBytes);
        EXPECT_EQ(layer, std::vector<uint8_t>(64, kFill)) << rowBytes;
    }
}

TEST(DrawToCanvas, BottomUpLayerUsesItsOwnRows) {
    // Guard bytes around two rows of 4 one-byte alpha pixels, row 0 last in memory.
    Canvas canvas = MakeCovered();
    canvas->maxY = 2;
    std::vector<uint8_t> memory(4 + 2 * 4 + 4, kFill);
    canvas->DrawToCanvas(3, 0, nullptr, memory.data() + 4 + 4, -4);
    const std::vector<uint8_t> expected = {kFill, kFill, kFill, kFill, 0,     255,   255,   255,
                                           0,     0,     51,    255,   kFill, kFill, kFill, kFill};
    EXPECT_EQ(memory, expected);
}

// The same strokes on a 1100 x 1000 canvas with `workers` workers, composited into a layer
// prefilled with kFill (so clearing shows) in the given mode and depth; rows bottom-up when
// `upward`.
std::vector<uint8_t> CompositeLarge(unsigned workers, int colorMode, int depth, bool upward) {
    constexpr int kWidth = 1100;
    constexpr int kHeight = 1000;
    Canvas canvas(PenParam(7.0, 0.4), kWidth, kHeight, workers);
    canvas->DrawLine({130.5, 90.25}, 0.2, {910.0, 870.0}, 1.0);
    canvas->DrawLine({200.0, 800.0}, 1.0, {700.0, 150.0}, 0.5);
    const int channels = colorMode == 0 ? 4 : colorMode == 2 ? 5 : colorMode == 3 ? 1 : 2;
    const int width = depth == VELTRIX_DEPTH_U8 ? 1 : depth == VELTRIX_DEPTH_FLOAT ? 4 : 2;
    const int rowBytes = kWidth * channels * width + 3;  // padded rows
    std::vector<uint8_t> layer(static_cast<size_t>(rowBytes) * kHeight, kFill);
    const uint8_t colour[16] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 10, 11, 12, 13, 14, 15, 16};
    uint8_t* first =
        upward ? layer.data() + static_cast<size_t>(rowBytes) * (kHeight - 1) : layer.data();
    canvas->DrawToCanvas(colorMode, depth, colour, first, upward ? -rowBytes : rowBytes);
    return layer;
}

TEST(CompositingBands, LargeLayersGetTheBytesOfOneThread) {
    const struct {
        int colorMode;
        int depth;
        bool upward;
    } cases[] = {
        {0, VELTRIX_DEPTH_U8, false},
        {2, VELTRIX_DEPTH_HALF, true},
        {3, VELTRIX_DEPTH_FLOAT, false},
        {1, 7, false},  // an unknown depth: only the clearing
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CompositeLarge(3, c.colorMode, c.depth, c.upward),
                  CompositeLarge(1, c.colorMode, c.depth, c.upward))
            << "mode " << c.colorMode << ", depth " << c.depth;
    }
}

}  // namespace
