// Preset defaults: the default record and the default target points of each type.
#include <gtest/gtest.h>
#include <veltrix/veltrix.h>

#include <cstring>

#include "PresetTestSupport.h"
#include "preset/PresetDefaults.h"
#include "preset/PresetFormat.h"

TEST(PresetDefaults, DefaultRecordHoldsTheDefaultTextWithZeroedPadding) {
    // Both records start from different garbage: equal bytes mean every field and every
    // padding byte is set. The text's values are pinned by PresetFormat's tests.
    MoveEffectIniParam param;
    std::memset(&param, 0x5A, sizeof(param));
    GetDefaultParam(&param);
    MoveEffectIniParam parsed;
    std::memset(&parsed, 0xEE, sizeof(parsed));
    MoveEffectIniReadFlag flags;
    ini::ParsePreset(kDefaultPresetText, &parsed, &flags);
    EXPECT_EQ(CountFlags(flags), 22);
    EXPECT_TRUE(SameBytes(param, parsed));
    GetDefaultParam(nullptr);  // ignored
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
    // Outside the table the point is left as it was.
    for (const auto& c : {std::pair{3, 0}, {1, 3}, {-1, 0}, {0, -1}}) {
        PathPoint point{7.0, 8.0};
        GetDefaultTargetPoint(c.first, c.second, point);
        EXPECT_EQ(point.x, 7.0) << c.first << "/" << c.second;
        EXPECT_EQ(point.y, 8.0) << c.first << "/" << c.second;
    }
}
