// Unit tests of the host's settings: value parsing, preset merging and the preset-to-drawing
// mapping.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>
#include <vector>

#include "render/RenderError.h"
#include "render/RenderSettings.h"

namespace {

MoveEffectIniParam Defaults() {
    MoveEffectIniParam p;
    GetDefaultParam(&p);
    return p;
}

// A parsed point as it was written, or "refused" with no message.
std::string Point(const char* text) {
    PointOption point;
    std::string error;
    if (!ParsePointOption(text, &point, &error)) {
        return error.empty() ? "refused without a message" : "refused";
    }
    std::ostringstream out;
    for (const Coordinate& c : {point.x, point.y}) {
        out << (c.relative ? c.value * 100 : c.value) << (c.relative ? "%" : "") << ";";
    }
    return out.str();
}

}  // namespace

TEST(RenderSettings, OptionValuesParseStrictly) {
    // Points: pixels or percent per coordinate, two finite numbers in range.
    EXPECT_EQ(Point("10,20"), "10;20;");
    EXPECT_EQ(Point("50%,25%"), "50%;25%;");
    EXPECT_EQ(Point("-5.5,150%"), "-5.5;150%;");
    EXPECT_EQ(Point("+3,1e2"), "3;100;");
    for (const char* text : {"5", "a,b", "5,", ",5", "nan,1", "1,inf", "10%%,1", " 5,5", "5,5px",
                             "0x10,1", "2000000,0", "20000%,0"}) {
        EXPECT_EQ(Point(text), "refused") << text;
    }
    // Colours in short and long hex.
    for (const auto& [text, rgb] : {std::pair{"#ff8000", std::vector<int>{255, 128, 0}},
                                    {"0a0B0c", {10, 11, 12}},
                                    {"#f8f", {255, 136, 255}}}) {
        Rgb color;
        std::string error;
        ASSERT_TRUE(ParseColor(text, &color, &error)) << text;
        EXPECT_EQ(std::vector<int>({color.r, color.g, color.b}), rgb) << text;
    }
    for (const char* bad : {"red", "#ff80", "#gg0000", "", "#"}) {
        Rgb color;
        std::string error;
        EXPECT_FALSE(ParseColor(bad, &color, &error)) << bad;
    }
    // Whole numbers are decimal only.
    for (const auto& [text, want] : {std::pair{"08", 8}, {"+3", 3}, {"-12", -12}}) {
        int64_t value = 0;
        ASSERT_TRUE(ParseWholeNumber(text, &value)) << text;
        EXPECT_EQ(value, want) << text;
    }
    for (const char* bad : {"2.5", "0x10", "", "3 ", "1e3"}) {
        int64_t value = 0;
        EXPECT_FALSE(ParseWholeNumber(bad, &value)) << bad;
    }
}

TEST(RenderSettings, PresetValuesBecomeDrawingValues) {
    MoveEffectIniParam preset = Defaults();
    preset.type = VELTRIX_TYPE_CIRCLE;
    preset.p1 = {0.5, 0.25};
    preset.p2 = {0.0, 1.0};
    preset.p3 = {-0.5, 2.0};
    preset.in = 250;
    preset.out = 1000;
    preset.connect = 0;
    std::strcpy(preset.name, "wave");

    DrawingSettings drawing = ToDrawingSettings(preset, 101, 40);
    const PointTarget& t = drawing.target;
    // 50.5 rounds away from zero.
    EXPECT_EQ(std::vector<int>({t.p1.x, t.p1.y, t.p2.x, t.p2.y, t.p3.x, t.p3.y}),
              (std::vector<int>{51, 10, 0, 40, -51, 80}));
    EXPECT_EQ(drawing.param.type, VELTRIX_TYPE_CIRCLE);
    EXPECT_DOUBLE_EQ(drawing.param.in, 0.25);
    EXPECT_DOUBLE_EQ(drawing.param.out, 1.0);
    EXPECT_EQ(drawing.param.connect, 0);
    EXPECT_EQ(drawing.guide, "wave");

    preset.asdist = 1;
    drawing = ToDrawingSettings(preset, 101, 40);
    EXPECT_DOUBLE_EQ(drawing.param.in, 250.0);  // pixels as they are
    EXPECT_EQ(drawing.param.asdist, 1);
}

TEST(RenderSettings, LoadedPresetSetsOnlyTheFieldsItGave) {
    MoveEffectIniParam loaded{};  // as the library leaves a preset with one key
    loaded.size = 7;
    MoveEffectIniReadFlag flags{};
    flags.size = 1;
    MoveEffectIniParam settings = Defaults();
    MergeLoadedPreset(loaded, flags, &settings);
    MoveEffectIniParam expected = Defaults();
    expected.size = 7;
    EXPECT_EQ(std::memcmp(&settings, &expected, sizeof(settings)), 0);

    flags.name = 1;  // an empty name that the file did give is taken
    MergeLoadedPreset(loaded, flags, &settings);
    EXPECT_STREQ(settings.name, "");
}

TEST(RenderSettings, BadValueIsAUsageErrorFromOptionsAndAPresetErrorFromPresets) {
    const auto code = [](void (*tweak)(MoveEffectIniParam&), const SettingOverrides& overrides) {
        MoveEffectIniParam settings = Defaults();
        tweak(settings);
        try {
            CheckSettings(settings, overrides, "mine");
        } catch (const RenderError& error) {
            return error.code();
        }
        return kExitOk;
    };
    SettingOverrides fromOptions;
    fromOptions.in = 1500;
    const auto taper = [](MoveEffectIniParam& p) { p.in = 1500; };
    EXPECT_EQ(code(taper, fromOptions), kExitUsage);
    EXPECT_EQ(code(taper, {}), kExitPreset);
    const auto pixels = [](MoveEffectIniParam& p) {
        p.in = 1500;
        p.asdist = 1;  // pixels: 1500 is fine
    };
    EXPECT_EQ(code(pixels, {}), kExitOk);
    // A circle at spacing 0 would never end.
    EXPECT_EQ(code([](MoveEffectIniParam& p) { p.spacing = 0; }, {}), kExitPreset);
    EXPECT_EQ(code([](MoveEffectIniParam& p) { p.p3.x = std::nan(""); }, {}), kExitPreset);
    EXPECT_EQ(code([](MoveEffectIniParam& p) { p.hardness = 7; }, {}), kExitPreset);
}
