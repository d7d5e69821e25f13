// Effect filter: parameter clamping, target conversion, base image rules and progress.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "filter/MoveEffectFilter.h"

namespace {

MoveEffectParam Param(int type = VELTRIX_TYPE_RADIATE) {
    MoveEffectParam param{};
    param.type = type;
    param.size = 2.0;
    param.hardness = 1.0;
    return param;
}

PointTarget Points(int x1, int y1, int x2, int y2, int x3, int y3) {
    return PointTarget{{x1, y1}, {x2, y2}, {x3, y3}};
}

TEST(MoveEffectFilter, ClampsTaperFractionsToOneUnlessGivenAsDistances) {
    struct Case {
        bool asdist;
        double in, out;
        double wantIn, wantOut;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {false, 0.8, 1.7, 0.8, 1.0}, {false, -0.5, 1.0, -0.5, 1.0}, {false, 3.5, 0.999, 1.0, 0.999},
        {false, nan, nan, 1.0, 1.0}, {true, 0.8, 1.7, 0.8, 1.7},    {true, 3.5, 20.0, 3.5, 20.0},
    };
    for (const Case& c : cases) {
        MoveEffectParam param = Param();
        param.asdist = c.asdist;
        param.in = c.in;
        param.out = c.out;
        MoveEffectFilter filter(param, 1);
        MoveEffectParam got = filter.GetParameter();
        EXPECT_EQ(got.in, c.wantIn) << c.in;
        EXPECT_EQ(got.out, c.wantOut) << c.out;
    }
}

TEST(MoveEffectFilter, TargetKindFollowsTheEffectType) {
    const PointTarget points = Points(1, 2, 3, 4, 5, 6);
    for (int type : {0, 1, 2, 7, -1}) {
        MoveEffectFilter filter(Param(type), 1);
        filter.SetTarget(points);
        EXPECT_EQ(filter.parallelTarget != nullptr, type == 1) << type;
        EXPECT_EQ(filter.circleTarget != nullptr, type == 2) << type;
        EXPECT_EQ(filter.radiateTarget != nullptr, type != 1 && type != 2) << type;
    }
    MoveEffectFilter filter(Param(7), 1);
    filter.SetTarget(points);
    EXPECT_EQ(filter.radiateTarget->p3.x, 5);
    EXPECT_EQ(filter.radiateTarget->p3.y, 6);
    // An explicit target fills its own slot whatever the type.
    MoveEffectFilter parallel(Param(VELTRIX_TYPE_PARALLEL), 1);
    parallel.SetTarget(CircleTarget{1, 2, 3.0, 4.0, 0.0, 0.0});
    EXPECT_NE(parallel.circleTarget, nullptr);
    EXPECT_EQ(parallel.parallelTarget, nullptr);
}

TEST(MoveEffectFilter, CircleFromThreePointsPutsTheThirdOnTheEllipse) {
    CircleTarget circle{};
    PointTarget points = Points(0, 0, 11, 0, 5, 3);
    MoveEffectFilter::CreateCircleParam(&points, &circle);
    EXPECT_EQ(circle.centerX, 5);  // 11 / 2 truncated
    EXPECT_EQ(circle.centerY, 0);
    EXPECT_DOUBLE_EQ(circle.radiusX, 5.0);
    EXPECT_DOUBLE_EQ(circle.radiusY, 3.0);
    EXPECT_DOUBLE_EQ(circle.angle, 0.0);
    EXPECT_DOUBLE_EQ(circle.startAngle, M_PI / 2);
    points = Points(-11, -3, 0, 0, 0, 0);  // the centre truncates toward zero
    MoveEffectFilter::CreateCircleParam(&points, &circle);
    EXPECT_EQ(circle.centerX, -5);
    EXPECT_EQ(circle.centerY, -1);
}

TEST(MoveEffectFilter, ThirdPointAtOrBeyondTheAxisEndGivesACircle) {
    for (int x3 : {20, 24, 0, -20}) {
        CircleTarget circle{};
        PointTarget points = Points(0, 0, 20, 0, x3, 1);
        MoveEffectFilter::CreateCircleParam(&points, &circle);
        EXPECT_EQ(circle.radiusY, circle.radiusX) << x3;
    }
}

TEST(MoveEffectFilter, CirclePointsAtTheInt32LimitsDoNotOverflow) {
    const int32_t hi = std::numeric_limits<int32_t>::max();
    const int32_t lo = std::numeric_limits<int32_t>::min();
    CircleTarget circle{};
    PointTarget points = Points(hi, hi, hi, hi, lo, lo);
    MoveEffectFilter::CreateCircleParam(&points, &circle);
    EXPECT_EQ(circle.centerX, hi);
    EXPECT_EQ(circle.centerY, hi);
    points = Points(lo, 0, hi, 0, 0, 5);
    MoveEffectFilter::CreateCircleParam(&points, &circle);
    EXPECT_EQ(circle.centerX, 0);  // (lo + hi) / 2 = -1 / 2, truncated
    EXPECT_DOUBLE_EQ(circle.radiusX, -static_cast<double>(lo));
    EXPECT_DOUBLE_EQ(circle.angle, 0.0);
}

MoveEffectImageParam Image(const void* pixels, int width, int height, int rowBytes,
                           int colorMode = 0, int depth = 0) {
    MoveEffectImageParam image{};
    image.colorMode = static_cast<int8_t>(colorMode);
    image.depth = static_cast<uint8_t>(depth);
    image.width = width;
    image.height = height;
    image.rowBytes = rowBytes;
    image.pixels = pixels;
    return image;
}

TEST(MoveEffectFilter, BaseImageCreatesAZeroedBufferAndAnEmptyDirtyRectangle) {
    std::vector<uint8_t> pixels(4 * 3 * 2, 0);
    MoveEffectFilter filter(Param(), 1);
    MoveEffectImageParam image = Image(pixels.data(), 3, 2, 12);
    filter.SetBaseImage(&image);
    ASSERT_NE(filter.strokeBuffer, nullptr);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(filter.strokeBuffer[i].load(), 0);
    }
    EXPECT_EQ(filter.minX.load(), 3);
    EXPECT_EQ(filter.minY.load(), 2);
    EXPECT_EQ(filter.maxX.load(), 0);
    EXPECT_EQ(filter.maxY.load(), 0);
}

TEST(MoveEffectFilter, BytesPerPixelFollowsColourModeAndDepth) {
    struct Case {
        int colorMode, depth, bytes;
    };
    const Case cases[] = {{0, 0, 4}, {1, 0, 2},  {2, 0, 5},  {9, 0, 1}, {-1, 0, 1}, {0, 1, 8},
                          {1, 2, 4}, {2, 3, 20}, {0, 3, 16}, {0, 7, 4}, {2, 1, 10}};
    uint8_t pixel[32] = {};
    for (const Case& c : cases) {
        MoveEffectFilter filter(Param(), 1);
        MoveEffectImageParam image = Image(pixel, 1, 1, 32, c.colorMode, c.depth);
        filter.SetBaseImage(&image);
        EXPECT_EQ(filter.baseImage.bytesPerPixel, c.bytes) << c.colorMode << "/" << c.depth;
    }
}

TEST(MoveEffectFilter, NullPixelsKeepTheEarlierBaseImage) {
    std::vector<uint8_t> pixels(4 * 4, 0);
    MoveEffectFilter filter(Param(), 1);
    MoveEffectImageParam image = Image(pixels.data(), 2, 2, 8);
    filter.SetBaseImage(&image);
    const auto* buffer = filter.strokeBuffer.get();
    MoveEffectImageParam none = Image(nullptr, 50, 50, 200);
    filter.SetBaseImage(&none);
    EXPECT_EQ(filter.strokeBuffer.get(), buffer);
    EXPECT_EQ(filter.baseImage.width, 2);
    EXPECT_EQ(filter.baseImage.pixels, pixels.data());
}

TEST(MoveEffectFilter, NegativeSizesCountAsNoBaseImageButZeroSizesDo) {
    uint8_t pixel[4] = {};
    for (auto [w, h] : {std::pair{-1, 5}, std::pair{5, -1}, std::pair{0, 7}}) {
        MoveEffectFilter filter(Param(), 1);
        MoveEffectImageParam image = Image(pixel, w, h, 4);
        filter.SetBaseImage(&image);
        const bool counts = w >= 0 && h >= 0;
        EXPECT_EQ(filter.strokeBuffer != nullptr, counts) << w << "x" << h;
        EXPECT_EQ(filter.baseImage.pixels, counts ? pixel : nullptr) << w << "x" << h;
    }
}

TEST(MoveEffectFilter, ChannelOrderIsCopiedUpToFiveAndSanitised) {
    uint8_t pixel[8] = {};
    const uint8_t order[7] = {3, 2, 1, 0, 4, 4, 4};
    struct Case {
        int colorMode;
        int8_t count;
        uint8_t want[5];
    };
    const Case cases[] = {
        {0, 4, {3, 2, 1, 0, 0}},   // RGBA as given
        {0, 7, {3, 2, 1, 0, 0}},   // fifth entry 4 is past an RGBA pixel: index 0
        {2, 7, {3, 2, 1, 0, 4}},   // CMYK has five channels
        {1, 1, {0, 0, 0, 0, 0}},   // 3 is past a gray+alpha pixel
        {0, -3, {0, 0, 0, 0, 0}},  // a negative count copies nothing
    };
    for (const Case& c : cases) {
        MoveEffectFilter filter(Param(), 1);
        MoveEffectImageParam image = Image(pixel, 1, 1, 8, c.colorMode);
        image.channelOrder = order;
        image.channelCount = c.count;
        filter.SetBaseImage(&image);
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(filter.baseImage.channelOrder[i], c.want[i])
                << "mode " << c.colorMode << " count " << int(c.count) << " entry " << i;
        }
    }
}

struct HostLog {
    int calls = 0;
    int answer = 1;
};

int HostCallback(int, int, void* user) {
    auto* log = static_cast<HostLog*>(user);
    ++log->calls;
    return log->answer;
}

TEST(MoveEffectFilter, ProgressGoesOnUntilTheHostCancelsThenStopsAsking) {
    MoveEffectFilter filter(Param(), 1);
    EXPECT_EQ(MoveEffectFilter::OnProgress(2, 1, &filter), 1);  // no host callback yet
    EXPECT_FALSE(filter.cancelled.load());
    HostLog log;
    log.answer = 0;
    filter.SetProgressCallback(&HostCallback, &log);
    EXPECT_EQ(MoveEffectFilter::OnProgress(3, 1, &filter), 0);
    EXPECT_TRUE(filter.cancelled.load());
    EXPECT_EQ(MoveEffectFilter::OnProgress(3, 2, &filter), 0);
    EXPECT_EQ(log.calls, 1);
}

TEST(MoveEffectFilter, ApplyEffectWithoutABaseImageOrGuideLaysOutNothing) {
    MoveEffectFilter filter(Param(9), 1);
    HostLog log;
    filter.SetProgressCallback(&HostCallback, &log);
    filter.ApplyEffect(false);
    uint8_t pixel[4] = {};
    MoveEffectImageParam image = Image(pixel, 1, 1, 4);
    filter.SetBaseImage(&image);
    filter.SetTarget(Points(0, 0, 1, 1, 2, 2));
    filter.ApplyEffect(false);  // no guide attached
    EXPECT_EQ(log.calls, 0);
}

}  // namespace
