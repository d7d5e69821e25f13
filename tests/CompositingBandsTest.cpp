// Compositing large layers in bands on the pool gives the bytes of compositing on one thread.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "filter/MoveEffectFilter.h"

namespace {

constexpr int kWidth = 1100;
constexpr int kHeight = 1000;

// The same strokes on a filter with `workers` workers, composited into a layer prefilled with
// 0xAB (so clearing shows) in the given mode and depth; rows bottom-up when `upward`.
std::vector<uint8_t> Composite(unsigned workers, int colorMode, int depth, bool upward) {
    static const uint8_t grayOrder[2] = {0, 1};
    std::vector<uint8_t> base(static_cast<size_t>(kWidth) * kHeight * 2, 255);
    MoveEffectImageParam image{};
    image.colorMode = 1;
    image.channelOrder = grayOrder;
    image.channelCount = 2;
    image.width = kWidth;
    image.height = kHeight;
    image.rowBytes = kWidth * 2;
    image.pixels = base.data();
    MoveEffectParam param{};
    param.size = 7.0;
    param.hardness = 0.4;
    MoveEffectFilter filter(param, workers);
    filter.SetBaseImage(&image);
    filter.DrawLine({130.5, 90.25}, 0.2, {910.0, 870.0}, 1.0);
    filter.DrawLine({200.0, 800.0}, 1.0, {700.0, 150.0}, 0.5);

    const int channels = colorMode == 0 ? 4 : colorMode == 2 ? 5 : colorMode == 3 ? 1 : 2;
    const int width = depth == VELTRIX_DEPTH_U8 ? 1 : depth == VELTRIX_DEPTH_FLOAT ? 4 : 2;
    const int rowBytes = kWidth * channels * width + 3;  // padded rows
    std::vector<uint8_t> layer(static_cast<size_t>(rowBytes) * kHeight, 0xAB);
    const uint8_t colour[16] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 10, 11, 12, 13, 14, 15, 16};
    uint8_t* first =
        upward ? layer.data() + static_cast<size_t>(rowBytes) * (kHeight - 1) : layer.data();
    filter.DrawToCanvas(colorMode, depth, colour, first, upward ? -rowBytes : rowBytes);
    return layer;
}

TEST(CompositingBands, LargeLayersGetTheBytesOfOneThread) {
    struct Case {
        int colorMode;
        int depth;
        bool upward;
    };
    const Case cases[] = {
        {0, VELTRIX_DEPTH_U8, false},
        {2, VELTRIX_DEPTH_HALF, true},
        {3, VELTRIX_DEPTH_FLOAT, false},
        {1, 7, false},  // an unknown depth: only the clearing
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Composite(3, c.colorMode, c.depth, c.upward),
                  Composite(1, c.colorMode, c.depth, c.upward))
            << "mode " << c.colorMode << ", depth " << c.depth;
    }
}

}  // namespace
