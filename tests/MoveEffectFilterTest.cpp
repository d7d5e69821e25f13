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
    for (int type : {0, 1, 2, 7, -1}) {
        MoveEffectFilter filter(Param(type), 1);
        filter.SetTarget(Points(1, 2, 3, 4, 5, 6));
        EXPECT_EQ(filter.parallelTarget != nullptr, type == 1) << type;
        EXPECT_EQ(filter.circleTarget != nullptr, type == 2) << type;
        ASSERT_EQ(filter.radiateTarget != nullptr, type != 1 && type != 2) << type;
        if (filter.radiateTarget) {
            EXPECT_TRUE(filter.radiateTarget->p3.x == 5 && filter.radiateTarget->p3.y == 6);
        }
    }
    // An explicit target fills its own slot whatever the type.
    MoveEffectFilter parallel(Param(VELTRIX_TYPE_PARALLEL), 1);
    parallel.SetTarget(CircleTarget{1, 2, 3.0, 4.0, 0.0, 0.0});
    EXPECT_NE(parallel.circleTarget, nullptr);
    EXPECT_EQ(parallel.parallelTarget, nullptr);
}

TEST(MoveEffectFilter, CircleFromThreePointsPutsTheThirdOnTheEllipse) {
    const auto circle = [](PointTarget points) {
        CircleTarget c{};
        MoveEffectFilter::CreateCircleParam(&points, &c);
        return c;
    };
    CircleTarget c = circle(Points(0, 0, 11, 0, 5, 3));
    EXPECT_EQ(std::vector<double>({double(c.centerX), double(c.centerY), c.radiusX, c.radiusY,
                                   c.angle, c.startAngle}),
              (std::vector<double>{5, 0, 5, 3, 0, M_PI / 2}));  // the centre: 11 / 2 truncated
    // A third point at or beyond the axis end gives a circle.
    for (int x3 : {20, 24, 0, -20}) {
        c = circle(Points(0, 0, 20, 0, x3, 1));
        EXPECT_EQ(c.radiusY, c.radiusX) << x3;
    }
    // The centre truncates toward zero, and points at the int32 limits do not overflow.
    const int32_t hi = std::numeric_limits<int32_t>::max();
    const int32_t lo = std::numeric_limits<int32_t>::min();
    c = circle(Points(-11, -3, 0, 0, 0, 0));
    EXPECT_TRUE(c.centerX == -5 && c.centerY == -1);
    c = circle(Points(hi, hi, hi, hi, lo, lo));
    EXPECT_TRUE(c.centerX == hi && c.centerY == hi);
    c = circle(Points(lo, 0, hi, 0, 0, 5));
    EXPECT_EQ(std::vector<double>({double(c.centerX), c.radiusX, c.angle}),
              (std::vector<double>{0, -double(lo), 0}));  // (lo + hi) / 2 = -1 / 2, truncated
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

TEST(MoveEffectFilter, NullPixelsOrNegativeSizesKeepTheEarlierBaseImage) {
    std::vector<uint8_t> pixels(4 * 4, 0);
    MoveEffectFilter filter(Param(), 1);
    MoveEffectImageParam image = Image(pixels.data(), 2, 2, 8);
    filter.SetBaseImage(&image);
    const auto* buffer = filter.strokeBuffer.get();
    for (MoveEffectImageParam ignored :
         {Image(nullptr, 50, 50, 200), Image(pixels.data(), -1, 5, 4),
          Image(pixels.data(), 5, -1, 4)}) {
        filter.SetBaseImage(&ignored);
        EXPECT_EQ(filter.strokeBuffer.get(), buffer);
        EXPECT_EQ(filter.baseImage.width, 2);
        EXPECT_EQ(filter.baseImage.pixels, pixels.data());
    }
    // A zero size is a base image, of nothing.
    image = Image(pixels.data(), 0, 7, 4);
    filter.SetBaseImage(&image);
    EXPECT_EQ(filter.baseImage.width, 0);
    EXPECT_NE(filter.strokeBuffer, nullptr);
    MoveEffectFilter fresh(Param(), 1);
    image = Image(pixels.data(), -1, 5, 4);
    fresh.SetBaseImage(&image);
    EXPECT_EQ(fresh.strokeBuffer, nullptr);
    EXPECT_EQ(fresh.baseImage.pixels, nullptr);
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
