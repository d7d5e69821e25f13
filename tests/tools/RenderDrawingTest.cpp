// End-to-end drawing: each effect where the base is dark, every kind of PNG at both output
// depths, alone and composited, a preset from saving to drawing, and Ctrl-C.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "RenderTestSupport.h"

namespace {

// Runs the program with args and OUT, and reads OUT.
Picture Render(const ScratchFolder& folder, std::vector<std::string> args) {
    args.push_back(folder / "out.png");
    const RunResult run = RunRender(args, folder);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    Picture picture;
    EXPECT_TRUE(ReadTestPng(folder / "out.png", &picture)) << "no valid PNG written";
    return picture;
}

std::string BlackBase(const ScratchFolder& folder, int size) {
    WriteTestPng(folder / "base.png", size, size, PNG_FORMAT_GRAY,
                 std::vector<uint16_t>(size_t(size) * size, 0));
    return folder / "base.png";
}

}  // namespace

TEST(RenderDrawing, EachEffectCoversItsExpectedArea) {
    const struct {
        const char* args;
        int rects[8];  // [x0, y0, x1, y1) where lines must be, then one where none may be
    } cases[] = {
        // Focus lines from radius 20 to the edge: the middle stays clear.
        {"--type radiate --p1 64,64 --p2 64,44 --p3 64,0 --spacing 50",
         {0, 0, 128, 128, 54, 54, 74, 74}},
        // Speed lines from x 20 to 108 stacked from row 40 to row 88.
        {"--type parallel --p1 20,40 --p2 108,40 --p3 20,88 --spacing 8",
         {20, 40, 108, 89, 0, 0, 128, 36}},
        // Rings of radius 10, 30, 50, ... around (64, 64): nothing at radius 20.
        {"--type circle --p1 34,64 --p2 94,64 --p3 64,34 --spacing 20",
         {92, 60, 97, 68, 83, 63, 86, 66}},
    };
    ScratchFolder folder;
    const std::string base = BlackBase(folder, 128);
    for (const auto& c : cases) {
        const Picture out = Render(folder, Args(c.args + std::string(" --size 2"), {base}));
        const int* r = c.rects;
        EXPECT_GT(Covered(out, r[0], r[1], r[2], r[3]), 0) << c.args;
        EXPECT_EQ(Covered(out, r[4], r[5], r[6], r[7]), 0) << c.args;
    }
}

TEST(RenderDrawing, LinesFollowTheDarkHalfOfEveryKindOfPngAndCompositeOverIt) {
    const struct {
        const char* name;
        png_uint_32 format;
        const char* options;
        bool wide;  // 16-bit output
    } kinds[] = {
        {"gray 8", PNG_FORMAT_GRAY, "", false},
        {"gray 16", PNG_FORMAT_LINEAR_Y, "", true},
        {"gray+alpha 8", PNG_FORMAT_GA, "", false},
        {"gray+alpha 16", PNG_FORMAT_LINEAR_Y_ALPHA, "", true},
        {"RGB 8", PNG_FORMAT_RGB, "", false},
        {"RGB 16", PNG_FORMAT_LINEAR_RGB, "", true},
        {"RGBA 8", PNG_FORMAT_RGBA, "", false},
        {"RGBA 16", PNG_FORMAT_LINEAR_RGB_ALPHA, "", true},
        {"palette", PNG_FORMAT_RGBA_COLORMAP, "", false},
        {"gray 16 at 8", PNG_FORMAT_LINEAR_Y, "--depth 8", false},
        {"RGB 8 at 16", PNG_FORMAT_RGB, "--depth 16", true},
    };
    for (const auto& kind : kinds) {
        const bool alpha = kind.format & PNG_FORMAT_FLAG_ALPHA;
        const bool wideIn = kind.format & PNG_FORMAT_FLAG_LINEAR;
        const bool mapped = kind.format & PNG_FORMAT_FLAG_COLORMAP;
        const int channels = mapped ? 1 : PNG_IMAGE_SAMPLE_CHANNELS(kind.format);
        // Left half dark and opaque. Right half light and varied, or dark and transparent where
        // the format has alpha (the colour map: dark, transparent). 16-bit dark is 0x00ff and
        // light 0xff.., so a wrong byte order puts the lines on the right.
        std::vector<uint16_t> samples;
        for (int i = 0; i < 64 * 64 * channels; ++i) {
            const int x = i / channels % 64, c = i % channels;
            samples.push_back(mapped                       ? (x < 32 ? 0 : 1)
                              : alpha && c == channels - 1 ? (x < 32 ? (wideIn ? 65535 : 255) : 0)
                              : x < 32                     ? (wideIn ? 0x00ff : 30)
                              : alpha                      ? 0
                              : wideIn                     ? 0xff00 + x
                                                           : 180 + 20 * c + x % 8);
        }
        ScratchFolder folder;
        WriteTestPng(
            folder / "base.png", 64, 64, kind.format, samples,
            mapped ? std::vector<uint8_t>{30, 30, 30, 255, 0, 0, 0, 0} : std::vector<uint8_t>{});
        Picture base;
        ASSERT_TRUE(ReadTestPng(folder / "base.png", &base));

        // Speed lines every 8 rows, without any random choice; a 4-pixel pen covers some pixels
        // fully.
        const auto args = Args(std::string(kind.options) +
                                   " --color #ff8000 --type parallel --p1 0,4 --p2 64,4 --p3 0,60 "
                                   "--spacing 8 --hardness 1 --length 0 --in 0 --out 0 --size 4",
                               {folder / "base.png"});
        const Picture layer = Render(folder, args);
        const Picture composite = Render(folder, Args("--composite", args));
        ASSERT_EQ(layer.format, kind.wide ? PNG_FORMAT_LINEAR_RGB_ALPHA : PNG_FORMAT_RGBA)
            << kind.name;
        EXPECT_GT(Covered(layer, 0, 0, 24, 64), 0) << kind.name;
        EXPECT_EQ(Covered(layer, 40, 0, 64, 64), 0) << kind.name;
        // The composite is the base (rescaled, rounded) where the layer is clear, the line
        // colour where it is full.
        const uint32_t full = kind.wide ? 65535 : 255;
        const uint32_t baseFull = base.wide() ? 65535 : 255;
        const uint32_t colour[4] = {255, 128, 0, 255};
        int covered = 0;
        for (int i = 0; i < 64 * 64; ++i) {
            const int x = i % 64, y = i / 64;
            const uint16_t coverage = layer.At(x, y, 3);
            for (int c = 0; c < 4 && (coverage == 0 || coverage == full); ++c) {
                const uint32_t want = coverage == 0
                                          ? (base.At(x, y, c) * full + baseFull / 2) / baseFull
                                          : colour[c] * full / 255;
                ASSERT_EQ(composite.At(x, y, c), want) << kind.name << " " << x << "," << y;
            }
            covered += coverage == full;
        }
        EXPECT_GT(covered, 0) << kind.name;
    }
}

TEST(RenderDrawing, OptionsOverrideAPresetAndTheSavedResultIsListedAndDrawsTheSameAgain) {
    ScratchFolder folder;
    const std::string base = BlackBase(folder, 128);
    EXPECT_EQ(RunRender({"--list-presets"}, folder).out, "");
    EXPECT_EQ(RunRender({"--size", "4", "--save-preset", "thick"}, folder).exitCode, 0);
    // A hand-written preset with a few keys: the rest keeps the defaults.
    folder.Write("data/Orvane/vxplugin/preset/sparse.ini", "[pen]\nsize=7\n[line]\nspacing=30\n");
    // No random setting, so the saved preset must draw the same pixels again.
    const Picture first =
        Render(folder, Args("--preset sparse --type circle --spacing 40 --p1 25%,75% --p3 64,-32 "
                            "--in 1500 --asdist --easing --guide :C --curvature 0.25 "
                            "--save-preset merged",
                            {base}));
    const std::string text = ReadFileBytes(PresetsIn(folder) + "merged.ini").value_or("");
    // From the preset, the options (points as fractions of the canvas, in as pixels) and the
    // defaults.
    for (const char* line : {"size=7\n", "spacing=40\n", "p1=0.25,0.75\n", "p3=0.5,-0.25\n",
                             "in=1500\n", "length=10\n", "name=:C\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << " in " << text;
    }
    const Picture second = Render(folder, {"--preset", "merged", base});
    EXPECT_GT(Covered(first, 0, 0, 128, 128), 0);
    EXPECT_EQ(first.rgba, second.rgba);
    EXPECT_EQ(RunRender({"--list-presets"}, folder).out, "merged\nsparse\nthick\n");

    std::filesystem::create_directories(folder / "data/Orvane/vxplugin/guide");
    folder.Write("data/Orvane/vxplugin/guide/wave.svg", "<svg><path d=\"M0 0 L10 0\"/></svg>");
    folder.Write("data/Orvane/vxplugin/guide/notes.txt", "not a guide");
    EXPECT_EQ(RunRender({"--list-guides"}, folder).out,
              ":S\tbuilt-in straight line\n:C\tbuilt-in curve\nwave\n");
}

TEST(RenderDrawing, InterruptWritesWhatWasDrawnAsAValidPng) {
    namespace fs = std::filesystem;
    ScratchFolder folder;
    fs::create_directories(folder / "out");
    // Thousands of long, wide, soft lines: many seconds of work, far more than the test waits.
    RenderProcess process(Args("--type radiate --p1 400,400 --p2 400,395 --p3 400,-800 "
                               "--spacing 1 --size 60 --hardness 0.1",
                               {BlackBase(folder, 800), folder / "out/cancel.png"}),
                          folder);
    // The temporary output appears once the interrupt handler is in place, just before the
    // drawing starts: from then on an interrupt is a cancel.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (fs::is_empty(folder / "out") && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_EQ(::kill(process.pid(), SIGINT), 0);
    const RunResult run = process.Wait();
    EXPECT_EQ(run.exitCode, 130) << run.err;
    EXPECT_NE(run.err.find("interrupted after"), std::string::npos) << run.err;
    Picture out;
    ASSERT_TRUE(ReadTestPng(folder / "out/cancel.png", &out));
    EXPECT_EQ(out.width, 800);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder / "out"), {}), 1);  // no temporary
}

TEST(RenderDrawing, ASeedRepeatsTheRenderAndTheSvgAgreesWithTheRaster) {
    ScratchFolder folder;
    const std::string base = BlackBase(folder, 200);
    const std::string svg = folder / "lines.svg";
    const auto args =
        Args("--size 5 --hardness 1 --lenfluct 0.5 --spcfluct 0.4 --seed 42", {"--svg", svg, base});
    const Picture first = Render(folder, args);
    const RunResult again = RunRender(Args("--seed 42 --size 5 --hardness 1 --lenfluct 0.5 "
                                           "--spcfluct 0.4",
                                           {base, folder / "again.png"}),
                                      folder);
    EXPECT_NE(again.err.find("seed 42"), std::string::npos) << again.err;
    Picture second;
    ASSERT_TRUE(ReadTestPng(folder / "again.png", &second));
    EXPECT_EQ(first.rgba, second.rgba);

    // A real SVG renderer draws the outlines; they cover the pixels the raster half covers.
    const std::string drawn = folder / "svg.png";
    ASSERT_EQ(std::system(("rsvg-convert -o " + drawn + " " + svg).c_str()), 0)
        << "rsvg-convert (Debian's librsvg2-bin) is needed";
    Picture outline;
    ASSERT_TRUE(ReadTestPng(drawn, &outline));
    ASSERT_EQ(outline.width, first.width);
    const int half = first.wide() ? 32768 : 128;
    const int outlineHalf = outline.wide() ? 32768 : 128;
    int either = 0;
    int both = 0;
    for (int i = 0; i < first.width * first.height; ++i) {
        const bool raster = first.At(i % first.width, i / first.width, 3) >= half;
        const bool vector = outline.At(i % first.width, i / first.width, 3) >= outlineHalf;
        either += raster || vector;
        both += raster && vector;
    }
    ASSERT_GT(either, 2000);
    EXPECT_GE(both * 10, either * 9) << both << " of " << either;
}
