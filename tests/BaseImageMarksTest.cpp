// Base image marks: the bits the scans read agree with the sampler in every format.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "Latch.h"
#include "filter/raster/BaseImageMarks.h"

namespace {

struct Format {
    const char* name;
    int8_t colorMode;
    uint8_t depth;
    std::vector<uint8_t> order;
    bool masked;
};

// An image of random pixels whose channel bytes favour the values where the depth's rules
// change: 0, 1, 254, 255 and the middle.
struct RandomImage {
    RandomImage(const Format& format, int32_t width, int32_t height, unsigned seed)
        : order(format.order) {
        std::mt19937 random(seed);
        const int channels = BaseImageSampler::ChannelsOf(format.colorMode);
        const int bytes = channels * BaseImageSampler::ChannelWidthOf(format.depth);
        const int32_t rowBytes = width * bytes + 3;  // rows that do not start aligned
        pixels.resize(static_cast<size_t>(rowBytes) * height);
        const uint8_t edges[] = {0, 1, 127, 128, 129, 254, 255};
        for (uint8_t& byte : pixels) {
            byte = random() % 2 == 0 ? edges[random() % 7] : static_cast<uint8_t>(random());
        }
        if (format.depth == VELTRIX_DEPTH_FLOAT) {
            // Floats in and around 0..1, NaN included.
            for (size_t i = 0; i + 4 <= pixels.size(); i += 4) {
                const float value = random() % 50 == 0 ? NAN : (random() % 1400) / 1000.0f - 0.2f;
                std::memcpy(&pixels[i], &value, 4);
            }
        }
        mask.resize(static_cast<size_t>(width) * height);
        for (uint8_t& byte : mask) {
            byte = edges[random() % 7];
        }
        param.colorMode = format.colorMode;
        param.depth = format.depth;
        param.channelOrder = order.data();
        param.channelCount = static_cast<int32_t>(order.size());
        param.width = width;
        param.height = height;
        param.rowBytes = rowBytes;
        param.pixels = pixels.data();
        if (format.masked) {
            param.mask = mask.data();
            param.maskRowBytes = width;
            param.maskDepth = VELTRIX_DEPTH_U8;
        }
    }
    std::vector<uint8_t> order;
    std::vector<uint8_t> pixels;
    std::vector<uint8_t> mask;
    MoveEffectImageParam param{};
};

const Format kFormats[] = {
    {"rgba", VELTRIX_COLOR_RGB, VELTRIX_DEPTH_U8, {0, 1, 2, 3}, false},
    {"bgra", VELTRIX_COLOR_RGB, VELTRIX_DEPTH_U8, {2, 1, 0, 3}, false},
    {"argb", VELTRIX_COLOR_RGB, VELTRIX_DEPTH_U8, {1, 2, 3, 0}, false},
    {"repeated channel", VELTRIX_COLOR_RGB, VELTRIX_DEPTH_U8, {0, 0, 0, 1}, false},
    {"rgba masked", VELTRIX_COLOR_RGB, VELTRIX_DEPTH_U8, {0, 1, 2, 3}, true},
    {"gray", VELTRIX_COLOR_GRAY, VELTRIX_DEPTH_U8, {0, 1}, false},
    {"cmyk", VELTRIX_COLOR_CMYK, VELTRIX_DEPTH_U8, {0, 1, 2, 3, 4}, false},
    {"rgba 16-bit", VELTRIX_COLOR_RGB, VELTRIX_DEPTH_U16, {0, 1, 2, 3}, false},
    {"rgba float", VELTRIX_COLOR_RGB, VELTRIX_DEPTH_FLOAT, {3, 2, 1, 0}, false},
};

TEST(BaseImageMarks, EveryPixelMatchesTheSamplerInEveryFormatWithAndWithoutBands) {
    for (const Format& format : kFormats) {
        int marked = 0;
        int pixels = 0;
        // Widths below, at and across the 64 pixels of a word; heights across bands.
        for (const int32_t width : {1, 63, 64, 130}) {
            const int32_t height = 2 * BaseImageMarks::kBandRows + 5;
            const RandomImage image(format, width, height, static_cast<unsigned>(width));
            BaseImageSampler sampler;
            ASSERT_TRUE(sampler.Set(&image.param));
            for (const double samples : {0.0, 1e9}) {
                BaseImageMarks marks;
                marks.Reset(sampler, samples);
                EXPECT_EQ(marks.HasBands(), samples > 0.0);
                for (int32_t y = 0; y < height; ++y) {
                    for (int32_t x = 0; x < width; ++x) {
                        const bool expected = sampler.GetPixelDepth(x, y) > 128;
                        // Anywhere inside the pixel: coordinates truncate.
                        ASSERT_EQ(marks.IsMarked({x + 0.75, y + 0.25}), expected)
                            << format.name << " " << width << " at " << x << "," << y;
                        marked += expected ? 1 : 0;
                        ++pixels;
                    }
                }
            }
        }
        // Both answers occur in every format.
        EXPECT_GT(marked, 0) << format.name;
        EXPECT_LT(marked, pixels) << format.name;
    }
}

TEST(BaseImageMarks, PointsOffTheImageAreNeverMarked) {
    const RandomImage image(kFormats[0], 8, 8, 1);
    std::vector<uint8_t> dark(image.pixels.size(), 0);
    MoveEffectImageParam param = image.param;
    for (int32_t y = 0; y < 8; ++y) {
        for (int32_t x = 0; x < 8; ++x) {
            dark[static_cast<size_t>(y * param.rowBytes + 4 * x + 3)] = 255;  // opaque black
        }
    }
    param.pixels = dark.data();
    BaseImageSampler sampler;
    ASSERT_TRUE(sampler.Set(&param));
    BaseImageMarks marks;
    marks.Reset(sampler, 1e9);
    EXPECT_TRUE(marks.IsMarked({0.0, 0.0}));
    EXPECT_TRUE(marks.IsMarked({-0.5, 7.9}));  // truncates to column 0
    for (const PathPoint point :
         {PathPoint{-1.0, 0.0}, PathPoint{8.0, 0.0}, PathPoint{0.0, 8.0}, PathPoint{NAN, 1.0},
          PathPoint{1.0, INFINITY}, PathPoint{-1e300, 1e300}}) {
        EXPECT_FALSE(marks.IsMarked(point)) << point.x << "," << point.y;
    }
    // Without an image nothing is marked.
    const BaseImageSampler empty;
    BaseImageMarks none;
    none.Reset(empty, 1e9);
    EXPECT_FALSE(none.IsMarked({0.0, 0.0}));
}

// Workers reaching unbuilt bands at once: one builds while the others sample, and all agree.
TEST(BaseImageMarks, WorkersReadingOneBandAtOnceAllGetTheSamplersAnswers) {
    const int32_t width = 200;
    const int32_t height = 4 * BaseImageMarks::kBandRows;
    const RandomImage image(kFormats[1], width, height, 7);
    BaseImageSampler sampler;
    ASSERT_TRUE(sampler.Set(&image.param));
    BaseImageMarks marks;
    marks.Reset(sampler, 1e9);
    constexpr int kWorkers = 4;
    Latch start(kWorkers);
    std::vector<int> mismatches(kWorkers, 0);
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&, w] {
            start.ArriveAndWait();
            for (int32_t y = 0; y < height; ++y) {
                for (int32_t x = 0; x < width; ++x) {
                    const bool expected = sampler.GetPixelDepth(x, y) > 128;
                    mismatches[w] += marks.IsMarked({x + 0.5, y + 0.5}) != expected ? 1 : 0;
                }
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    for (int w = 0; w < kWorkers; ++w) {
        EXPECT_EQ(mismatches[w], 0) << "worker " << w;
    }
}

}  // namespace
