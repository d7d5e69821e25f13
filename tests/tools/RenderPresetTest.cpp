// End-to-end: presets saved, listed, loaded and overridden through veltrix-render, and the
// guide listing.
#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>

#include "RenderTestSupport.h"

namespace {

std::string WriteDarkBase(const TempFolder& folder, int size) {
    PngPicture base = MakePicture(size, size, PNG_COLOR_TYPE_GRAY, 8);
    const std::string path = folder.File("base.png");
    WritePngFile(path, base);
    return path;
}

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
    const std::string base = WriteDarkBase(folder, 96);
    // No random setting, so the two runs must agree pixel for pixel.
    const RunResult saved = RunRender({"--type",      "circle",  "--p1",
                                       "24,48",       "--p2",    "72,48",
                                       "--p3",        "48,24",   "--spacing",
                                       "12",          "--size",  "3",
                                       "--hardness",  "0.5",     "--in",
                                       "200",         "--out",   "300",
                                       "--easing",    "--guide", ":C",
                                       "--curvature", "0.25",    "--save-preset",
                                       "rings",       base,      folder.File("first.png")},
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

TEST(RenderPresets, SavedPresetIsListedAndItsFolderCreated) {
    TempFolder folder;
    const RunResult empty = RunRender({"--list-presets"}, folder);
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_EQ(empty.out, "");

    const RunResult saved = RunRender({"--size", "4", "--save-preset", "thick"}, folder);
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    EXPECT_NE(saved.err.find("saved preset 'thick'"), std::string::npos) << saved.err;
    EXPECT_NE(ReadText(PresetFolderUnder(folder) + "thick.ini").find("size=4\n"),
              std::string::npos);

    const RunResult list = RunRender({"--list-presets"}, folder);
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(list.out, "thick\n");
}

TEST(RenderPresets, OptionsOverrideTheLoadedPresetFieldByField) {
    TempFolder folder;
    const std::string presets = PresetFolderUnder(folder);
    // A hand-written preset with a few keys: the rest keeps the defaults.
    WriteText(presets + "sparse.ini", "[pen]\nsize=7\n[line]\nspacing=30\n");
    const RunResult run = RunRender(
        {"--preset", "sparse", "--spacing", "40", "--p1", "25%,75%", "--save-preset", "merged"},
        folder);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string text = ReadText(presets + "merged.ini");
    EXPECT_NE(text.find("size=7\n"), std::string::npos) << text;      // from the preset
    EXPECT_NE(text.find("spacing=40\n"), std::string::npos) << text;  // from the option
    EXPECT_NE(text.find("p1=0.25,0.75\n"), std::string::npos) << text;
    EXPECT_NE(text.find("length=10\n"), std::string::npos) << text;  // a default
    EXPECT_NE(text.find("name=:S\n"), std::string::npos) << text;
}

TEST(RenderPresets, PixelPointsAreSavedRelativeToTheCanvas) {
    TempFolder folder;
    const std::string base = WriteDarkBase(folder, 128);
    const RunResult run = RunRender({"--p1", "32,96", "--p3", "64,-32", "--in", "40", "--asdist",
                                     "--save-preset", "px", base, folder.File("out.png")},
                                    folder);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string text = ReadText(PresetFolderUnder(folder) + "px.ini");
    EXPECT_NE(text.find("p1=0.25,0.75\n"), std::string::npos) << text;
    EXPECT_NE(text.find("p3=0.5,-0.25\n"), std::string::npos) << text;
    EXPECT_NE(text.find("in=40\n"), std::string::npos) << text;
    EXPECT_NE(text.find("asdist=true\n"), std::string::npos) << text;
}

TEST(RenderPresets, GuideListShowsTheBuiltInsAndTheGuideFiles) {
    TempFolder folder;
    WriteText(GuideFolderUnder(folder) + "wave.svg", "<svg><path d=\"M0 0 L10 0\"/></svg>");
    WriteText(GuideFolderUnder(folder) + "notes.txt", "not a guide");
    const RunResult run = RunRender({"--list-guides"}, folder);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, ":S\tbuilt-in straight line\n:C\tbuilt-in curve\nwave\n");
}
