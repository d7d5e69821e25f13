// What varies along and between lines: the MINSTD random source with its seeding and 53-bit
// draw, and the pen pressure with its tapers, easing and thinning.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "task/PathTask.h"
#include "task/Random.h"

namespace {

MoveEffectParam Taper(double in, double out, bool asdist, bool easing) {
    MoveEffectParam param{};
    param.in = in;
    param.out = out;
    param.asdist = asdist;
    param.easing = easing;
    return param;
}

TEST(GetPressure, TapersThinningAndOutOfRangeCases) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const MoveEffectParam half = Taper(0.5, 0.5, false, false);
    const MoveEffectParam noEnd = Taper(20, 0, true, false);
    const MoveEffectParam longIn = Taper(80, 0, true, false);
    const MoveEffectParam end = Taper(0, 10, true, false);
    const struct {
        const char* name;
        MoveEffectParam param;
        double t, length;
        bool taper;
        double sizeFactor, want;
    } cases[] = {
        // Fractions taper both halves of the line.
        {"fraction: start", half, 0, 100, true, 0.0, 0.0},
        {"fraction: ramp", half, 10, 100, true, 0.0, 0.4},
        {"fraction: full", half, 25, 100, true, 0.0, 1.0},
        {"fraction: end ramp", half, 90, 100, true, 0.0, 0.4},
        {"fraction: end", half, 100, 100, true, 0.0, 0.0},
        {"fraction: eased", Taper(0.5, 0.5, false, true), 10, 100, true, 0.0, 0.64},
        // Distances taper by pixels; a start ramp longer than half the line stops at the middle.
        {"distance: ramp", noEnd, 10, 100, true, 0.0, 0.5},
        {"distance: no end ramp", noEnd, 100, 100, true, 0.0, 1.0},
        {"distance: long ramp", longIn, 50, 100, true, 0.0, 0.625},
        {"distance: past the middle", longIn, 51, 100, true, 0.0, 1.0},
        {"distance: end ramp", end, 95, 100, true, 0.0, 0.5},
        {"distance: past the end", end, 101, 100, true, 0.0, 1.0},
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

TEST(Random, FollowsTheMinimalStandardSequenceFromEachSeed) {
    // The generator's published check value: state 399268537 after 10000 steps from 1.
    Random check = Random::WithDeviceValue(1, 0.0, 1.0);
    uint32_t state = 0;
    for (int i = 0; i < 10000; ++i) {
        state = check.Next();
    }
    EXPECT_EQ(state, 399268537u);
    const struct {
        uint32_t seed;
        uint32_t first;
    } cases[] = {
        {1u, 48271u},
        {0u, 48271u},
        {2147483647u, 48271u},
        {4294967294u, 48271u},  // all seed with 1
        {2147483649u, 2u * 48271u},
        // 2^31 - 2 is -1 modulo the prime (Schrage's step wraps): 2^31 - 1 - 48271.
        {2147483646u, 2147435376u},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Random::WithDeviceValue(c.seed, 0.0, 1.0).Next(), c.first) << c.seed;
    }
}

TEST(Random, UniformCombinesTwoStepsInto53BitsWithinItsRange) {
    // From state 42: r1 = 2027382, r2 = 1226992407.
    const double g = (1226992406.0 * 2147483646.0 + 2027381.0) / 4611686009837453312.0;
    EXPECT_EQ(Random::WithDeviceValue(42, 0.0, 1.0).Uniform(), g);
    EXPECT_EQ(Random::WithDeviceValue(42, -2.0, 6.0).Uniform(), 8.0 * g + -2.0);
    Random random(-0.2, 0.2);
    for (int i = 0; i < 10000; ++i) {
        const double value = random.Uniform();
        ASSERT_GE(value, -0.2);
        ASSERT_LE(value, 0.2);
    }
    EXPECT_EQ(Random(0.0, 0.0).Uniform(), 0.0);
}

TEST(Random, EveryInstanceIsSeededAfresh) {
    // Four device draws that all agree would happen once in 2^93 runs.
    const double first = Random(0.0, 1.0).Uniform();
    bool differs = false;
    for (int i = 0; i < 3; ++i) {
        differs = differs || Random(0.0, 1.0).Uniform() != first;
    }
    EXPECT_TRUE(differs);
}

}  // namespace
