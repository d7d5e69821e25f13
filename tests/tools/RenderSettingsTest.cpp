// Unit tests of the host's settings: value parsing, preset merging and the preset-to-drawing
// mapping.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "render/RenderError.h"
#include "render/RenderSettings.h"

namespace {

MoveEffectIniParam Defaults() {
    MoveEffectIniParam p;
    GetDefaultParam(&p);
    return p;
}

ExitCode CheckCode(const MoveEffectIniParam& settings, const SettingOverrides& overrides) {
    try {
        CheckSettings(settings, overrides, "mine");
    } catch (const RenderError& error) {
        return error.code();
    }
    return kExitOk;
}

}  // namespace

TEST(RenderSettings, PointOptionTakesPixelsOrPercentPerCoordinate) {
    struct Case {
        const char* text;
        double x;
        bool xRelative;
        double y;
        bool yRelative;
    } cases[] = {{"10,20", 10, false, 20, false},
                 {"50%,25%", 0.5, true, 0.25, true},
                 {"-5.5,150%", -5.5, false, 1.5, true},
                 {"+3,1e2", 3, false, 100, false}};
    for (const Case& c : cases) {
        PointOption point;
        std::string error;
        ASSERT_TRUE(ParsePointOption(c.text, &point, &error)) << c.text << ": " << error;
        EXPECT_DOUBLE_EQ(point.x.value, c.x) << c.text;
        EXPECT_EQ(point.x.relative, c.xRelative) << c.text;
        EXPECT_DOUBLE_EQ(point.y.value, c.y) << c.text;
        EXPECT_EQ(point.y.relative, c.yRelative) << c.text;
    }
}

TEST(RenderSettings, PointOptionRejectsWhatIsNotTwoFiniteNumbers) {
    for (const char* text : {"5", "a,b", "5,", ",5", "nan,1", "1,inf", "10%%,1", " 5,5", "5,5px",
                             "0x10,1", "2000000,0", "20000%,0"}) {
        PointOption point;
        std::string error;
        EXPECT_FALSE(ParsePointOption(text, &point, &error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(RenderSettings, ColorTakesShortAndLongHex) {
    const struct {
        const char* text;
        int r, g, b;
    } cases[] = {{"#ff8000", 255, 128, 0}, {"0a0B0c", 10, 11, 12}, {"#f8f", 255, 136, 255}};
    for (const auto& c : cases) {
        Rgb color;
        std::string error;
        ASSERT_TRUE(ParseColor(c.text, &color, &error)) << c.text;
        EXPECT_EQ(std::vector<int>({color.r, color.g, color.b}), std::vector<int>({c.r, c.g, c.b}))
            << c.text;
    }
    for (const char* bad : {"red", "#ff80", "#gg0000", "", "#"}) {
        Rgb color;
        std::string error;
        EXPECT_FALSE(ParseColor(bad, &color, &error)) << bad;
    }
}

TEST(RenderSettings, WholeNumbersAreDecimalOnly) {
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
    EXPECT_EQ(drawing.param.type, VELTRIX_TYPE_CIRCLE);
    EXPECT_EQ(drawing.target.p1.x, 51);  // 50.5 rounds away from zero
    EXPECT_EQ(drawing.target.p1.y, 10);
    EXPECT_EQ(drawing.target.p2.x, 0);
    EXPECT_EQ(drawing.target.p2.y, 40);
    EXPECT_EQ(drawing.target.p3.x, -51);
    EXPECT_EQ(drawing.target.p3.y, 80);
    EXPECT_DOUBLE_EQ(drawing.param.in, 0.25);
    EXPECT_DOUBLE_EQ(drawing.param.out, 1.0);
    EXPECT_EQ(drawing.param.connect, 0);
    EXPECT_EQ(drawing.guide, "wave");

    preset.asdist = 1;
    drawing = ToDrawingSettings(preset, 101, 40);
    EXPECT_DOUBLE_EQ(drawing.param.in, 250.0);  // pixels as they are
    EXPECT_EQ(drawing.param.asdist, 1);
}

TEST(RenderSettings, PixelOverridesBecomeFractionsOfTheCanvasAndMapBack) {
    MoveEffectIniParam settings = Defaults();
    SettingOverrides overrides;
    overrides.p1 = PointOption{{64, false}, {0.25, true}};
    overrides.guide = ":C";
    overrides.size = 6;
    ApplyOverrides(overrides, 128, 256, &settings);
    EXPECT_DOUBLE_EQ(settings.p1.x, 0.5);
    EXPECT_DOUBLE_EQ(settings.p1.y, 0.25);
    EXPECT_STREQ(settings.name, ":C");
    EXPECT_DOUBLE_EQ(settings.size, 6);
    const DrawingSettings drawing = ToDrawingSettings(settings, 128, 256);
    EXPECT_EQ(drawing.target.p1.x, 64);
    EXPECT_EQ(drawing.target.p1.y, 64);
}

TEST(RenderSettings, LoadedPresetKeepsDefaultsForKeysItLacks) {
    MoveEffectIniParam loaded{};  // as the library leaves a preset with one key
    loaded.size = 7;
    MoveEffectIniReadFlag flags{};
    flags.size = 1;
    MoveEffectIniParam settings = Defaults();
    MergeLoadedPreset(loaded, flags, &settings);
    const MoveEffectIniParam defaults = Defaults();
    EXPECT_DOUBLE_EQ(settings.size, 7);
    EXPECT_EQ(settings.spacing, defaults.spacing);
    EXPECT_EQ(settings.in, defaults.in);
    EXPECT_DOUBLE_EQ(settings.p2.y, defaults.p2.y);
    EXPECT_STREQ(settings.name, ":S");

    flags.name = 1;  // an empty name that the file did give is taken
    MergeLoadedPreset(loaded, flags, &settings);
    EXPECT_STREQ(settings.name, "");
}

TEST(RenderSettings, BadValueIsAUsageErrorFromOptionsAndAPresetErrorFromPresets) {
    MoveEffectIniParam settings = Defaults();
    settings.in = 1500;
    SettingOverrides fromOptions;
    fromOptions.in = 1500;
    EXPECT_EQ(CheckCode(settings, fromOptions), kExitUsage);
    EXPECT_EQ(CheckCode(settings, SettingOverrides{}), kExitPreset);
    settings.asdist = 1;  // pixels: 1500 is fine
    EXPECT_EQ(CheckCode(settings, SettingOverrides{}), kExitOk);

    settings = Defaults();
    settings.spacing = 0;  // a circle would never end
    EXPECT_EQ(CheckCode(settings, SettingOverrides{}), kExitPreset);
    settings = Defaults();
    settings.p3.x = std::nan("");
    EXPECT_EQ(CheckCode(settings, SettingOverrides{}), kExitPreset);
    settings = Defaults();
    settings.hardness = 7;
    EXPECT_EQ(CheckCode(settings, SettingOverrides{}), kExitPreset);
}
