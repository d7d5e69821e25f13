// End-to-end: veltrix-render draws each effect where the base image is dark, from every kind
// of PNG, alone or composited, at 8 and 16 bits.
#include <gtest/gtest.h>
#include <png.h>

#include "RenderTestSupport.h"

namespace {

// An opaque black RGBA picture: every pixel marks a place for lines.
std::string WriteDarkBase(const TempFolder& folder, int size) {
    PngPicture base = MakePicture(size, size, PNG_COLOR_TYPE_RGB_ALPHA, 8);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            base.At(x, y, 3) = 255;
        }
    }
    const std::string path = folder.File("base.png");
    WritePngFile(path, base);
    return path;
}

PngPicture RenderAndRead(const TempFolder& folder, std::vector<std::string> args) {
    const std::string out = folder.File("out.png");
    args.push_back(out);
    const RunResult run = RunRender(args, folder);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    PngPicture picture;
    EXPECT_TRUE(ReadPngFile(out, &picture)) << "no valid PNG written";
    return picture;
}

// Horizontal speed lines every 8 rows over a 64 x 64 canvas, without any random choice, so two
// runs give the same pixels. A pen of 4 pixels covers some pixels fully.
std::vector<std::string> RowLines(const std::string& base, const std::string& penSize = "2") {
    return Args(
        "--type parallel --p1 0,4 --p2 64,4 --p3 0,60 --spacing 8 --hardness 1 --length 0 "
        "--in 0 --out 0 --size " +
            penSize,
        {base});
}

// Where the layer is empty the composite is the base (grey spread to RGB), opaque; where it is
// fully covered, the line colour. Counts both kinds of pixel.
void CheckComposite(const PngPicture& layer, const PngPicture& composite, const PngPicture& base,
                    const std::vector<uint16_t>& colour, int* untouched, int* covered) {
    ASSERT_EQ(composite.width, layer.width);
    ASSERT_EQ(composite.bitDepth, layer.bitDepth);
    const uint16_t full = layer.bitDepth == 16 ? 65535 : 255;  // 16 bits: not 65025
    *untouched = *covered = 0;
    for (int y = 0; y < layer.height; ++y) {
        for (int x = 0; x < layer.width; ++x) {
            const uint16_t alpha = AlphaAt(layer, x, y);
            for (int c = 0; c < 3 && (alpha == 0 || alpha == full); ++c) {
                const uint16_t want =
                    alpha == 0 ? base.At(x, y, base.channels < 3 ? 0 : c) : colour[c];
                ASSERT_EQ(composite.At(x, y, c), want) << x << "," << y << " channel " << c;
            }
            if (alpha == 0) {
                ASSERT_EQ(AlphaAt(composite, x, y), full) << x << "," << y;
            }
            *untouched += alpha == 0;
            *covered += alpha == full;
        }
    }
}

}  // namespace

TEST(RenderDrawing, EachEffectCoversItsExpectedArea) {
    struct Case {
        const char* name;
        const char* args;
        // Where lines must be, and where none may be: [x0, y0, x1, y1).
        int inside[4];
        int outside[4];
    } cases[] = {
        // Focus lines from radius 20 to the edge: the middle stays clear.
        {"radiate",
         "--type radiate --p1 64,64 --p2 64,44 --p3 64,0 --spacing 50",
         {0, 0, 128, 128},
         {54, 54, 74, 74}},
        // Speed lines from x 20 to 108 stacked from row 40 to row 88.
        {"parallel",
         "--type parallel --p1 20,40 --p2 108,40 --p3 20,88 --spacing 8",
         {20, 40, 108, 89},
         {0, 0, 128, 36}},
        // Rings of radius 10, 30, 50, ... around (64, 64): nothing at radius 20.
        {"circle",
         "--type circle --p1 34,64 --p2 94,64 --p3 64,34 --spacing 20",
         {92, 60, 97, 68},
         {83, 63, 86, 66}},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        const std::string base = WriteDarkBase(folder, 128);
        const PngPicture out =
            RenderAndRead(folder, Args(c.args + std::string(" --size 2"), {base}));
        ASSERT_EQ(out.width, 128) << c.name;
        EXPECT_EQ(out.colorType, PNG_COLOR_TYPE_RGB_ALPHA) << c.name;
        EXPECT_GT(CoveredPixels(out, c.inside[0], c.inside[1], c.inside[2], c.inside[3]), 0)
            << c.name;
        EXPECT_EQ(CoveredPixels(out, c.outside[0], c.outside[1], c.outside[2], c.outside[3]), 0)
            << c.name;
    }
}

TEST(RenderDrawing, LinesFollowTheDarkHalfOfEveryKindOfPng) {
    // Left half dark and opaque. Right half light, or dark but transparent where the format has
    // transparency ("with" a transparent value or palette alpha, or an alpha channel).
    const struct {
        const char* name;
        int colorType;
        int bitDepth;
    } kinds[] = {
        {"gray 1-bit", PNG_COLOR_TYPE_GRAY, 1},
        {"gray 8-bit", PNG_COLOR_TYPE_GRAY, 8},
        {"gray 16-bit", PNG_COLOR_TYPE_GRAY, 16},
        {"gray 8-bit with transparent value", PNG_COLOR_TYPE_GRAY, 8},
        {"gray+alpha 8-bit", PNG_COLOR_TYPE_GRAY_ALPHA, 8},
        {"gray+alpha 16-bit", PNG_COLOR_TYPE_GRAY_ALPHA, 16},
        {"RGB 8-bit", PNG_COLOR_TYPE_RGB, 8},
        {"RGB 16-bit", PNG_COLOR_TYPE_RGB, 16},
        {"RGB 8-bit interlaced", PNG_COLOR_TYPE_RGB, 8},
        {"RGBA 8-bit", PNG_COLOR_TYPE_RGB_ALPHA, 8},
        {"RGBA 16-bit", PNG_COLOR_TYPE_RGB_ALPHA, 16},
        {"palette 4-bit", PNG_COLOR_TYPE_PALETTE, 4},
        {"palette 8-bit with alpha", PNG_COLOR_TYPE_PALETTE, 8},
    };
    for (const auto& kind : kinds) {
        const std::string name = kind.name;
        PngPicture base = MakePicture(64, 64, kind.colorType, kind.bitDepth);
        base.interlaced = name.find("interlaced") != std::string::npos;
        const bool alpha = kind.colorType & PNG_COLOR_MASK_ALPHA;
        const bool transparentRight = alpha || name.find("with") != std::string::npos;
        const bool palette = kind.colorType == PNG_COLOR_TYPE_PALETTE;
        base.palette = {0, 0, 0, 255, 255, 255, 0, 0, 0};
        base.paletteAlpha = {255, 255, 0};
        if (!palette || !transparentRight) {
            base.paletteAlpha.clear();
        }
        base.hasGrayTransparent = transparentRight && !alpha && !palette;
        base.grayTransparent = 7;
        // The right half's value: palette index, or a sample that is light or transparent.
        const uint16_t full = uint16_t((1u << kind.bitDepth) - 1);
        const uint16_t right = palette            ? (transparentRight ? 2 : 1)
                               : transparentRight ? (base.hasGrayTransparent ? 7 : 0)
                                                  : full;
        const int colours = palette ? 1 : kind.colorType & PNG_COLOR_MASK_COLOR ? 3 : 1;
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                for (int c = 0; c < colours; ++c) {
                    base.At(x, y, c) = x < 32 ? 0 : right;
                }
                if (alpha) {
                    base.At(x, y, colours) = x < 32 ? full : 0;
                }
            }
        }
        TempFolder folder;
        const std::string path = folder.File("base.png");
        WritePngFile(path, base);
        const PngPicture out = RenderAndRead(folder, RowLines(path));
        EXPECT_EQ(out.bitDepth, kind.bitDepth == 16 ? 16 : 8) << name;
        EXPECT_GT(CoveredPixels(out, 0, 0, 24, 64), 0) << name;
        EXPECT_EQ(CoveredPixels(out, 40, 0, 64, 64), 0) << name;
    }
}

TEST(RenderDrawing, CompositeKeepsTheBaseWhereNoLineIs) {
    TempFolder folder;
    PngPicture base = MakePicture(64, 64, PNG_COLOR_TYPE_RGB, 8);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const bool dark = x < 32;
            base.At(x, y, 0) = uint16_t(dark ? 20 : 200 + (x * 7 + y) % 50);
            base.At(x, y, 1) = uint16_t(dark ? 30 : 180 + (y * 3) % 70);
            base.At(x, y, 2) = uint16_t(dark ? 40 : 210 + (x + y) % 40);
        }
    }
    const std::string path = folder.File("base.png");
    WritePngFile(path, base);
    const std::vector<std::string> args = Args("--color #ff0000", RowLines(path, "4"));
    const PngPicture layer = RenderAndRead(folder, args);
    const PngPicture composite = RenderAndRead(folder, Args("--composite", args));
    int untouched = 0;
    int covered = 0;
    CheckComposite(layer, composite, base, {255, 0, 0}, &untouched, &covered);
    EXPECT_GT(untouched, 64 * 32);
    EXPECT_GT(covered, 0);
}

TEST(RenderDrawing, SixteenBitInputIsReadInFullAndWrittenAtSixteenBits) {
    // 0x00ff is near black and 0xff00 near white: read with the wrong byte order, the lines
    // would fall on the right half instead of the left.
    TempFolder folder;
    PngPicture base = MakePicture(64, 64, PNG_COLOR_TYPE_GRAY, 16);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            base.At(x, y, 0) = x < 32 ? 0x00ff : 0xff00;
        }
    }
    const std::string path = folder.File("base.png");
    WritePngFile(path, base);
    const std::vector<std::string> args = Args("--color #102030", RowLines(path, "4"));
    const PngPicture layer = RenderAndRead(folder, args);
    ASSERT_EQ(layer.bitDepth, 16);
    EXPECT_GT(CoveredPixels(layer, 0, 0, 24, 64), 0);
    EXPECT_EQ(CoveredPixels(layer, 40, 0, 64, 64), 0);

    const PngPicture composite = RenderAndRead(folder, Args("--composite", args));
    int untouched = 0;
    int covered = 0;  // all 16 bits of the base are kept
    CheckComposite(layer, composite, base, {0x1010, 0x2020, 0x3030}, &untouched, &covered);
    EXPECT_GT(covered, 0);

    const PngPicture narrow = RenderAndRead(folder, Args("--depth 8", args));
    EXPECT_EQ(narrow.bitDepth, 8);
    EXPECT_EQ(CoveredPixels(narrow, 0, 0, 64, 64), CoveredPixels(layer, 0, 0, 64, 64));
}

TEST(RenderOutput, EightBitInputCanBeWrittenAtSixteenBits) {
    TempFolder folder;
    const std::string base = WriteDarkBase(folder, 32);
    const PngPicture out = RenderAndRead(folder, {"--depth", "16", "--composite", base});
    EXPECT_EQ(out.bitDepth, 16);
    EXPECT_EQ(out.colorType, PNG_COLOR_TYPE_RGB_ALPHA);
    EXPECT_EQ(AlphaAt(out, 0, 0), 65535);
}

TEST(RenderOutput, DemoNeedsNoInputAndDrawsLinesAroundItsFigure) {
    TempFolder folder;
    const PngPicture demo = RenderAndRead(folder, {"--demo", "--demo-size", "128"});
    ASSERT_EQ(demo.width, 128);
    ASSERT_EQ(demo.height, 128);
    EXPECT_EQ(demo.colorType, PNG_COLOR_TYPE_RGB_ALPHA);
    EXPECT_EQ(demo.bitDepth, 8);
    // The star is pale yellow at the centre, the page dark blue. The demo's lines take random
    // lengths and places, so the page is judged by its border as a whole and the lines by a
    // count well below what any run draws.
    EXPECT_GT(demo.At(64, 64, 0), 200);
    EXPECT_LT(demo.At(64, 64, 2), 160);
    int border = 0;
    int darkBorder = 0;
    int lineLike = 0;  // near white: neither the blue page nor the yellow star
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) {
            lineLike += demo.At(x, y, 0) > 150 && demo.At(x, y, 2) > 150;
            if (x < 4 || y < 4 || x >= 124 || y >= 124) {
                ++border;
                darkBorder += demo.At(x, y, 0) < 100;
            }
        }
    }
    EXPECT_GT(darkBorder, border * 3 / 4);
    EXPECT_GT(lineLike, 10);
}
