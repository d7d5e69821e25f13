// Unit tests of turning the library's layer into the output image.
#include <gtest/gtest.h>

#include "render/LayerImage.h"

TEST(LayerImage, SixteenBitLayerAlphaFillsThePngRange) {
    EXPECT_EQ(LayerAlphaToPng16(0), 0);
    EXPECT_EQ(LayerAlphaToPng16(65025), 65535);  // full coverage is opaque
    EXPECT_EQ(LayerAlphaToPng16(128 * 255), 128 * 257);
    EXPECT_EQ(LayerAlphaToPng16(1 * 255), 257);
    EXPECT_EQ(LayerAlphaToPng16(65535), 65535);  // never wraps
}

TEST(LayerImage, RgbaConversionSpreadsGrayAndRescalesExactly) {
    Image gray;
    gray.Allocate(2, 1, 2, 8);
    gray.SetSample(0, 0, 0, 200);
    gray.SetSample(0, 0, 1, 255);
    gray.SetSample(1, 0, 0, 1);
    gray.SetSample(1, 0, 1, 0);
    const Image wide = ToRgba(gray, 16);
    EXPECT_EQ(wide.Sample(0, 0, 0), 200u * 257);
    EXPECT_EQ(wide.Sample(0, 0, 2), 200u * 257);
    EXPECT_EQ(wide.Sample(0, 0, 3), 65535u);
    EXPECT_EQ(wide.Sample(1, 0, 1), 257u);
    EXPECT_EQ(wide.Sample(1, 0, 3), 0u);
    const Image narrow = ToRgba(wide, 8);
    EXPECT_EQ(narrow.pixels, ToRgba(gray, 8).pixels);
}

TEST(LayerImage, CompositeKeepsTheBaseUnderTransparentLayerPixels) {
    Image base;
    base.Allocate(3, 1, 4, 16);
    Image layer;
    layer.Allocate(3, 1, 4, 16);
    for (int32_t x = 0; x < 3; ++x) {
        base.SetSample(x, 0, 0, 0x1234);
        base.SetSample(x, 0, 1, 0x00ff);
        base.SetSample(x, 0, 2, 0xfedc);
        base.SetSample(x, 0, 3, x == 2 ? 0 : 65535);
        layer.SetSample(x, 0, 0, 65535);  // the library colours its whole dirty area
    }
    layer.SetSample(1, 0, 3, 65535);
    const Image out = CompositeOver(layer, base);
    EXPECT_EQ(out.Sample(0, 0, 0), 0x1234u);  // layer transparent: base kept bit for bit
    EXPECT_EQ(out.Sample(0, 0, 1), 0x00ffu);
    EXPECT_EQ(out.Sample(0, 0, 3), 65535u);
    EXPECT_EQ(out.Sample(1, 0, 0), 65535u);  // opaque layer: the line colour
    EXPECT_EQ(out.Sample(1, 0, 1), 0u);
    EXPECT_EQ(out.Sample(2, 0, 2), 0xfedcu);  // transparent base stays as it was
    EXPECT_EQ(out.Sample(2, 0, 3), 0u);
}

TEST(LayerImage, HalfCoveredPixelBlendsHalfway) {
    Image base;
    base.Allocate(1, 1, 2, 8);
    base.SetSample(0, 0, 0, 0);
    base.SetSample(0, 0, 1, 255);
    Image layer;
    layer.Allocate(1, 1, 4, 8);
    layer.SetSample(0, 0, 0, 200);
    layer.SetSample(0, 0, 3, 128);
    const Image out = CompositeOver(layer, base);
    EXPECT_EQ(out.Sample(0, 0, 0), 100u);  // 200 * 128/255 = 100.4
    EXPECT_EQ(out.Sample(0, 0, 1), 0u);
    EXPECT_EQ(out.Sample(0, 0, 3), 255u);

    base.SetSample(0, 0, 1, 0);  // over nothing, the layer pixel stays as it is
    const Image alone = CompositeOver(layer, base);
    EXPECT_EQ(alone.Sample(0, 0, 0), 200u);
    EXPECT_EQ(alone.Sample(0, 0, 3), 128u);
}
