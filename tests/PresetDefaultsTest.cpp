// Preset defaults: the default record and the default target points of each type.
#include <gtest/gtest.h>
#include <veltrix/veltrix.h>

#include <cstring>

#include "preset/PresetDefaults.h"

TEST(PresetDefaults, DefaultRecordFieldByField) {
    MoveEffectIniParam param;
    std::memset(&param, 0xAB, sizeof(param));  // nothing of this may survive
    GetDefaultParam(&param);

    EXPECT_EQ(param.type, 0);
    EXPECT_EQ(param.p1.x, 0.5);
    EXPECT_EQ(param.p1.y, 0.5);
    EXPECT_EQ(param.p2.x, 0.5);
    EXPECT_EQ(param.p2.y, 0.325);
    EXPECT_EQ(param.p3.x, 0.5);
    EXPECT_EQ(param.p3.y, 0.125);
    EXPECT_STREQ(param.name, ":S");
    EXPECT_EQ(param.curvature, 1.0);
    EXPECT_EQ(param.size, 2.0);
    EXPECT_EQ(param.hardness, 1.0);
    EXPECT_EQ(param.fluction, 0.0);
    EXPECT_EQ(param.in, 500);
    EXPECT_EQ(param.out, 500);
    EXPECT_EQ(param.asdist, 0);
    EXPECT_EQ(param.easing, 0);
    EXPECT_EQ(param.position, 0);
    EXPECT_EQ(param.posfluct, 0.0);
    EXPECT_EQ(param.length, 10);
    EXPECT_EQ(param.lenfluct, 0.0);
    EXPECT_EQ(param.spacing, 50);
    EXPECT_EQ(param.spcfluct, 0.0);
    EXPECT_EQ(param.lengain, 0.0);
    EXPECT_EQ(param.spcgain, 0.0);
    EXPECT_EQ(param.connect, 1);
}

TEST(PresetDefaults, DefaultRecordByteByByte) {
    // Built the long way: zeroed bytes, then only the non-zero defaults.
    unsigned char expected[sizeof(MoveEffectIniParam)] = {};
    auto put = [&expected](size_t offset, const void* value, size_t size) {
        std::memcpy(expected + offset, value, size);
    };
    const double half = 0.5, p2y = 0.325, p3y = 0.125, one = 1.0, two = 2.0;
    const int32_t taper = 500, length = 10, spacing = 50;
    put(8, &half, 8);
    put(16, &half, 8);
    put(24, &half, 8);
    put(32, &p2y, 8);
    put(40, &half, 8);
    put(48, &p3y, 8);
    put(56, ":S", 2);
    put(320, &one, 8);
    put(328, &two, 8);
    put(336, &one, 8);
    put(352, &taper, 4);
    put(356, &taper, 4);
    put(376, &length, 4);
    put(392, &spacing, 4);
    expected[424] = 1;

    MoveEffectIniParam param;
    std::memset(&param, 0x5A, sizeof(param));
    GetDefaultParam(&param);
    EXPECT_EQ(std::memcmp(&param, expected, sizeof(expected)), 0);
}

TEST(PresetDefaults, GetDefaultParamIgnoresNull) {
    GetDefaultParam(nullptr);
}

TEST(PresetDefaults, TargetPointTable) {
    const PathPoint table[3][3] = {
        {{0.5, 0.5}, {0.5, 0.325}, {0.5, 0.125}},
        {{0.25, 0.875}, {0.25, 0.125}, {0.75, 0.875}},
        {{0.25, 0.5}, {0.75, 0.5}, {0.5, 0.25}},
    };
    for (int type = 0; type < 3; ++type) {
        for (int index = 0; index < 3; ++index) {
            PathPoint point{-1.0, -1.0};
            GetDefaultTargetPoint(type, index, point);
            EXPECT_EQ(point.x, table[type][index].x) << type << "/" << index;
            EXPECT_EQ(point.y, table[type][index].y) << type << "/" << index;
        }
    }
}

TEST(PresetDefaults, TargetPointOutsideTheTableLeavesThePoint) {
    const int cases[][2] = {{3, 0}, {1, 3}, {-1, 0}, {0, -1}};
    for (const auto& c : cases) {
        PathPoint point{7.0, 8.0};
        GetDefaultTargetPoint(c[0], c[1], point);
        EXPECT_EQ(point.x, 7.0);
        EXPECT_EQ(point.y, 8.0);
    }
}
