// End-to-end: presets saved, listed, loaded and overridden through veltrix-render, and the
// guide listing.
#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>

#include "RenderTestSupport.h"

namespace {

std::string ReadText(const std::string& path) {
    return ReadFileBytes(path).value_or("");
}

void WriteText(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << text;
}

}  // namespace

TEST(RenderDrawing, SavedPresetDrawsTheSameAgain) {
    TempFolder folder;
    const std::string base = folder.File("base.png");
    WritePngFile(base, MakePicture(96, 96, PNG_COLOR_TYPE_GRAY, 8));
    // No random setting, so the two runs must agree pixel for pixel.
    const RunResult saved = RunRender(
        Args("--type circle --p1 24,48 --p2 72,48 --p3 48,24 --spacing 12 --size 3 --hardness 0.5 "
             "--in 200 --out 300 --easing --guide :C --curvature 0.25 --save-preset rings",
             {base, folder.File("first.png")}),
        folder);
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    const RunResult loaded =
        RunRender({"--preset", "rings", base, folder.File("second.png")}, folder);
    ASSERT_EQ(loaded.exitCode, 0) << loaded.err;
    PngPicture first;
    PngPicture second;
    ASSERT_TRUE(ReadPngFile(folder.File("first.png"), &first));
    ASSERT_TRUE(ReadPngFile(folder.File("second.png"), &second));
    EXPECT_GT(CoveredPixels(first, 0, 0, 96, 96), 0);
    EXPECT_EQ(first.samples, second.samples);
}

TEST(RenderPresets, ListingsShowSavedPresetsBuiltInGuidesAndGuideFiles) {
    TempFolder folder;
    const RunResult empty = RunRender({"--list-presets"}, folder);
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_EQ(empty.out, "");
    // Saving creates the preset folder.
    const RunResult saved = RunRender({"--size", "4", "--save-preset", "thick"}, folder);
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    EXPECT_NE(saved.err.find("saved preset 'thick'"), std::string::npos) << saved.err;
    EXPECT_EQ(RunRender({"--list-presets"}, folder).out, "thick\n");

    WriteText(GuideFolderUnder(folder) + "wave.svg", "<svg><path d=\"M0 0 L10 0\"/></svg>");
    WriteText(GuideFolderUnder(folder) + "notes.txt", "not a guide");
    const RunResult guides = RunRender({"--list-guides"}, folder);
    ASSERT_EQ(guides.exitCode, 0) << guides.err;
    EXPECT_EQ(guides.out, ":S\tbuilt-in straight line\n:C\tbuilt-in curve\nwave\n");
}

TEST(RenderPresets, OptionsOverrideTheLoadedPresetFieldByFieldAndPixelsAreSavedRelative) {
    TempFolder folder;
    const std::string presets = PresetFolderUnder(folder);
    const std::string base = folder.File("base.png");
    WritePngFile(base, MakePicture(128, 128, PNG_COLOR_TYPE_GRAY, 8));
    // A hand-written preset with a few keys: the rest keeps the defaults.
    WriteText(presets + "sparse.ini", "[pen]\nsize=7\n[line]\nspacing=30\n");
    const RunResult run = RunRender(Args("--preset sparse --spacing 40 --p1 25%,75% --p3 64,-32 "
                                         "--in 40 --asdist --save-preset merged",
                                         {base, folder.File("out.png")}),
                                    folder);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string text = ReadText(presets + "merged.ini");
    for (const char* line : {"size=7\n",        // from the preset
                             "spacing=40\n",    // from the option
                             "p1=0.25,0.75\n",  // percent, and pixels as fractions of the canvas
                             "p3=0.5,-0.25\n", "in=40\n", "asdist=true\n",
                             "length=10\n",  // a default
                             "name=:S\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << " in " << text;
    }
}
