// Unit tests of what the end-to-end runs cannot see exactly: short colours, the
// preset-to-drawing mapping and the layer's alpha arithmetic.
#include <gtest/gtest.h>

#include <cstring>

#include "render/LayerImage.h"
#include "render/RenderSettings.h"

TEST(RenderSettings, PresetValuesBecomeDrawingValues) {
    MoveEffectIniParam preset;
    GetDefaultParam(&preset);
    preset.p1 = {0.5, 0.25};
    preset.p2 = {0.0, 1.0};
    preset.p3 = {-0.5, 2.0};
    preset.in = 250;
    std::strcpy(preset.name, "wave");
    const DrawingSettings drawing = ToDrawingSettings(preset, 101, 40);
    const PointTarget& t = drawing.target;  // 50.5 rounds away from zero
    EXPECT_EQ(std::vector<int>({t.p1.x, t.p1.y, t.p2.x, t.p2.y, t.p3.x, t.p3.y}),
              (std::vector<int>{51, 10, 0, 40, -51, 80}));
    EXPECT_EQ(drawing.param.in, 0.25);  // thousandths
    EXPECT_EQ(drawing.guide, "wave");
    preset.asdist = 1;
    EXPECT_EQ(ToDrawingSettings(preset, 101, 40).param.in, 250.0);  // pixels as they are
}

TEST(RenderSettings, ColoursMayBeShort) {
    Rgb rgb;
    std::string error;
    EXPECT_TRUE(ParseColor("#F8a", &rgb, &error) && rgb.r == 255 && rgb.g == 136 && rgb.b == 170);
}

TEST(LayerImage, SixteenBitAlphaFillsThePngRangeAndCompositeBlendsByCoverage) {
    // Full coverage (255 * 255) is opaque, and a larger value never wraps.
    for (const auto& [layer, png] :
         {std::pair{0, 0}, {65025, 65535}, {128 * 255, 128 * 257}, {255, 257}, {65535, 65535}}) {
        EXPECT_EQ(LayerAlphaToPng16(layer), png) << layer;
    }
    // Half covered over black: 200 * 128 / 255 = 100.4. Over nothing: the layer pixel as it is.
    Image half, black, nothing;
    half.Allocate(1, 1, 4, 8);
    half.pixels = {200, 0, 0, 128};
    black.Allocate(1, 1, 2, 8);
    black.pixels = {0, 255};
    nothing.Allocate(1, 1, 2, 8);
    EXPECT_EQ(CompositeOver(half, black).pixels, (std::vector<uint8_t>{100, 0, 0, 255}));
    EXPECT_EQ(CompositeOver(half, nothing).pixels, half.pixels);
}
