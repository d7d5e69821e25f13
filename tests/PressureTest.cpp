// Pen pressure: start and end taper as fractions or distances, easing and thinning.
#include <gtest/gtest.h>

#include <limits>

#include "task/PathTask.h"

namespace {

MoveEffectParam Taper(double in, double out, bool asdist, bool easing) {
    MoveEffectParam param{};
    param.in = in;
    param.out = out;
    param.asdist = asdist;
    param.easing = easing;
    return param;
}

double Pressure(const MoveEffectParam& param, double t, double length) {
    return PathTask::GetPressure(param, t, length, true, true, 0.0);
}

TEST(GetPressure, FractionsTaperBothHalves) {
    const MoveEffectParam param = Taper(0.5, 0.5, false, false);
    struct Case {
        double t, pressure;
    };
    const Case cases[] = {{0, 0.0},  {10, 0.4}, {25, 1.0}, {50, 1.0},
                          {75, 1.0}, {90, 0.4}, {100, 0.0}};
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(Pressure(param, c.t, 100), c.pressure) << c.t;
    }
    EXPECT_DOUBLE_EQ(Pressure(Taper(0.5, 0.5, false, true), 10, 100), 0.64);
}

TEST(GetPressure, DistancesTaperByPixels) {
    const MoveEffectParam noEnd = Taper(20, 0, true, false);
    EXPECT_DOUBLE_EQ(Pressure(noEnd, 10, 100), 0.5);
    for (const double t : {20.0, 50.0, 99.0, 100.0}) {
        EXPECT_DOUBLE_EQ(Pressure(noEnd, t, 100), 1.0) << t;
    }
    // A start ramp longer than half the line stops at the middle.
    const MoveEffectParam longIn = Taper(80, 0, true, false);
    EXPECT_DOUBLE_EQ(Pressure(longIn, 50, 100), 0.625);
    EXPECT_DOUBLE_EQ(Pressure(longIn, 51, 100), 1.0);
    // The end ramp, and nothing past the line's end.
    const MoveEffectParam end = Taper(0, 10, true, false);
    EXPECT_DOUBLE_EQ(Pressure(end, 95, 100), 0.5);
    EXPECT_DOUBLE_EQ(Pressure(end, 101, 100), 1.0);
}

TEST(GetPressure, UntaperedZeroLengthThinnedAndOutOfRangeCases) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const MoveEffectParam half = Taper(0.5, 0.5, false, false);
    const struct {
        const char* name;
        MoveEffectParam param;
        double t, length;
        bool taper;
        double sizeFactor, want;
    } cases[] = {
        {"untapered: zero at the start", half, 0, 100, false, 0.0, 0.0},
        {"untapered: full after it", half, 1, 100, false, 0.0, 1.0},
        {"untapered: full at the end", half, 100, 100, false, 0.0, 1.0},
        {"zero length: one full dab", half, 0, 0, true, 0.0, 1.0},
        {"zero length thinned", half, 0, 0, true, 0.25, 0.75},
        {"thinned ramp", half, 10, 100, true, 0.3, 0.4 * 0.7},
        {"thinned middle", half, 50, 100, true, 0.3, 0.7},
        {"negative thinning", half, 50, 100, true, -0.3, 1.0},
        // A negative end fraction puts the end ramp past the line, where it exceeds 1.
        {"clamped to 1", Taper(0.5, -0.5, false, false), 150, 100, true, 0.0, 1.0},
        {"eased, clamped to 0", Taper(0.5, -0.5, false, true), 150, 100, true, 0.0, 0.0},
        {"NaN tapers", Taper(nan, nan, true, false), 10, 100, true, 0.0, 1.0},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(
            PathTask::GetPressure(c.param, c.t, c.length, c.taper, c.taper, c.sizeFactor), c.want)
            << c.name;
    }
}

}  // namespace
