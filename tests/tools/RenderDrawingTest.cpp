// End-to-end drawing: each effect where the base is dark, every kind of PNG at both output
// depths, alone and composited, a preset from saving to drawing, and Ctrl-C.
#include <gtest/gtest.h>
#include <signal.h>

#include <zlib.h>
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

TEST(RenderDrawing, EachSignalSaysWhatBecameOfTheOutputAndLeavesNoTemporaryFile) {
    namespace fs = std::filesystem;
    const struct {
        std::vector<int> signals;
        int exitCode;  // -1: ended by the signal
        const char* message;
        bool written;
    } cases[] = {
        {{SIGINT}, 130, "SIGINT after ", true},
        {{SIGHUP}, 129, "SIGHUP after ", true},
        {{SIGTERM}, 143, "SIGTERM after ", true},
        {{SIGINT, SIGINT}, 130, "SIGINT again: quit at once; ", false},
        {{SIGQUIT}, -1, "SIGQUIT: quit at once; ", false},
        {{SIGUSR1}, -1, "SIGUSR1: quit at once; ", false},
    };
    ScratchFolder folder;
    const std::string base = BlackBase(folder, 800);
    for (const auto& c : cases) {
        fs::remove_all(folder / "out");
        fs::create_directories(folder / "out");
        // Thousands of long, wide, soft lines: many seconds of work, far more than the test waits.
        RenderProcess process(Args("--type radiate --p1 400,400 --p2 400,395 --p3 400,-800 "
                                   "--spacing 1 --size 60 --hardness 0.1",
                                   {base, folder / "out/cancel.png"}),
                              folder);
        // The temporary output appears once the handlers are in place, just before drawing.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (fs::is_empty(folder / "out") && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        for (int signal : c.signals) {
            ASSERT_EQ(::kill(process.pid(), signal), 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        const RunResult run = process.Wait();
        EXPECT_EQ(run.exitCode, c.exitCode) << c.message << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        Picture out;
        EXPECT_EQ(ReadTestPng(folder / "out/cancel.png", &out), c.written) << c.message;
        EXPECT_EQ(std::distance(fs::directory_iterator(folder / "out"), {}), c.written ? 1 : 0);
    }
}

TEST(RenderDrawing, PresetValuesAndGuidesNotUsedAsWrittenAreWarnedAbout) {
    const struct {
        const char* preset;  // file text, or empty
        const char* guide;   // the guide's file: NAME.svg=TEXT, or a name
        const char* warning;
    } cases[] = {
        {"[pen]\nsize=abc\n", "", "line 2: size=abc does not start with a number; using 2"},
        {"[guide]\ntype=spiral\n", "", "type=spiral is not radiate, parallel or circle"},
        {"[guide]\np1=0.5\n", "", "p1=0.5 is not a point X,Y; using 0.5,0.5"},
        {"[pen]\nSize=3\n[line]\nsize=3\n", "", "Size=3 is not a key: keys are lower case"},
        {"[line]\nsize=3\n", "", "size=3 belongs under [pen]"},
        {"", "wave", "guide 'wave' not found"},
        {"", "Wave.svg=<svg/>", "Wave.svg, but the name must match in letter case"},
        {"", "wave.svg=<svg><polyline/></svg>", "no <path> element (<polyline> are not read)"},
        {"", "wave.svg=\x89PNG\x01", "no <path> element; the straight line :S is drawn"},
        {"", "wave.svg=<path d=\"M0 0 A 5 5 0 0 1 9 9\"/>", "has nothing but moves (its A"},
        {"", "wave.svg=<path d=\"M 0 0 L 10\"/>", "breaks off inside its L command"},
    };
    for (const auto& c : cases) {
        ScratchFolder folder;
        std::filesystem::create_directories(PresetsIn(folder));
        std::filesystem::create_directories(folder / "data/Orvane/vxplugin/guide");
        folder.Write("data/Orvane/vxplugin/preset/p.ini", c.preset);
        const std::string guide = c.guide, name = guide.substr(0, guide.find('.'));
        if (guide.find('=') != std::string::npos) {
            folder.Write("data/Orvane/vxplugin/guide/" + guide.substr(0, guide.find('=')),
                         guide.substr(guide.find('=') + 1));
        }
        std::vector<std::string> args = {"--quiet", BlackBase(folder, 32), folder / "o.png"};
        args.insert(args.begin(), {"--guide", name.empty() ? ":S" : "wave"});
        if (*c.preset != '\0') {
            args.insert(args.begin(), {"--preset", "p"});
        }
        const RunResult run = RunRender(args, folder);
        EXPECT_EQ(run.exitCode, 0) << c.warning << run.err;
        EXPECT_NE(run.err.find(c.warning), std::string::npos) << run.err;
    }
}

TEST(RenderDrawing, TypeDefaultsLineCountInversionTagsAndBlame) {
    ScratchFolder folder;
    const std::string black = BlackBase(folder, 128);
    // Parallel's own default points lay vertical lines across the middle half.
    Picture out = Render(folder, Args("--type parallel --size 2 --spacing 8", {black}));
    EXPECT_GT(Covered(out, 70, 40, 90, 80), 0);
    const auto one = Args("--type parallel --p1 9,9 --p2 99,9 --p3 9,9", {black, folder / "o.png"});
    EXPECT_NE(RunRender(one, folder).err.find("drew 1 path into"), std::string::npos);
    // A white shape on black: --invert draws on the shape only.
    std::vector<uint16_t> shape(128 * 128);
    for (size_t i = 0; i < shape.size(); ++i) {
        shape[i] = i % 128 < 64 ? 255 : 0;
    }
    WriteTestPng(folder / "shape.png", 128, 128, PNG_FORMAT_RGB, [&] {
        std::vector<uint16_t> rgb;
        for (uint16_t v : shape) {
            rgb.insert(rgb.end(), {v, v, v});
        }
        return rgb;
    }());
    out = Render(folder, Args("--invert --size 2", {folder / "shape.png"}));
    EXPECT_GT(Covered(out, 0, 0, 60, 128), 0);
    EXPECT_EQ(Covered(out, 68, 0, 128, 128), 0);
    // The resolution of the base is kept.
    std::string png = *ReadFileBytes(black);
    const std::string phys = std::string("\0\0\0\x09pHYs\0\0\x5c\x46\0\0\x5c\x46\x01", 17);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(phys.data() + 4), 13);
    png.insert(33, phys + std::string{char(crc >> 24), char(crc >> 16), char(crc >> 8), char(crc)});
    folder.Write("dpi.png", png);
    const RunResult tagged = RunRender({folder / "dpi.png", folder / "dpi-out.png"}, folder);
    EXPECT_NE(ReadFileBytes(folder / "dpi-out.png")->find(phys), std::string::npos) << tagged.err;
    // Nothing drawn: the reason, and no blame on the base when the pen is at fault.
    for (const auto& [args, reason] : {std::pair{"--size 0", "the pen size is 0"},
                                       {"--invert", "the base image has no light, opaque area"}}) {
        const RunResult run = RunRender(Args(args, {black, folder / "o.png"}), folder);
        EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
    }
    // Presets: an empty folder is named, and replacing one takes --force.
    EXPECT_NE(RunRender({"--list-presets"}, folder).err.find("no presets in "), std::string::npos);
    EXPECT_EQ(RunRender({"--save-preset", "a"}, folder).exitCode, 0);
    EXPECT_EQ(RunRender({"--save-preset", "a"}, folder).exitCode, 5);
    EXPECT_EQ(RunRender({"--save-preset", "a", "--force"}, folder).exitCode, 0);
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
