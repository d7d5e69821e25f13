// Random: the MINSTD sequence, its seeding and the 53-bit uniform draw.
#include <gtest/gtest.h>

#include <cstdint>

#include "task/Random.h"

namespace {

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
