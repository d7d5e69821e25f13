// End-to-end: every bad input gets its message and exit code, and no output file (not even
// a temporary one) is left behind.
#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "RenderTestSupport.h"

TEST(RenderErrors, EachBadInputHasItsMessageAndExitCodeAndWritesNothing) {
    struct Case {
        const char* name;
        const char* args;  // BASE and OUT stand for the paths below
        int exitCode;
        const char* message;
    } cases[] = {
        {"missing base", "missing.png OUT", 3, "cannot open"},
        {"folder as base", "FOLDER OUT", 3, "is a folder"},
        {"text as base", "TEXT OUT", 3, "not a PNG file"},
        {"truncated base", "TRUNCATED OUT", 3, "corrupt or truncated PNG"},
        {"damaged base", "DAMAGED OUT", 3, "corrupt or truncated PNG"},
        {"output folder missing", "BASE NOWHERE", 4, "cannot create a file"},
        {"output is a folder", "BASE OUTFOLDER", 4, "is a folder"},
        {"unknown option", "--bogus BASE OUT", 2, "--bogus"},
        {"value out of range", "--hardness 1.5 BASE OUT", 2, "out of range 0 to 1"},
        {"value not a number", "--size ten BASE OUT", 2, "'ten' is not a number"},
        {"not a finite number", "--size nan BASE OUT", 2, "not a number"},
        {"fraction for a whole number", "--spacing 2.5 BASE OUT", 2, "not a whole number"},
        {"point without comma", "--p1 10 BASE OUT", 2, "not a point"},
        {"unknown effect", "--type spiral BASE OUT", 2, "spiral"},
        {"bad colour", "--color red BASE OUT", 2, "not a colour"},
        {"taper over 1000", "--in 1500 BASE OUT", 2, "thousandths"},
        {"missing preset", "--preset none BASE OUT", 5, "no preset 'none'"},
        {"preset with bad value", "--preset broken BASE OUT", 5, "hardness 7"},
        {"preset name with folder", "--save-preset ../x BASE OUT", 2, "not a preset name"},
        {"pixel point without canvas", "--p1 3,4 --save-preset x", 2, "needs a canvas"},
        {"only one file", "BASE", 2, "missing"},
        {"three files", "BASE OUT OUT", 2, "too many"},
        {"nothing to do", "", 2, "missing"},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        const std::string base = folder.File("base.png");
        WritePngFile(base, MakePicture(16, 16, PNG_COLOR_TYPE_GRAY, 8));
        const std::string png = *ReadFileBytes(base);
        folder.Write("text.png", "just some text, long enough to be read\n");
        folder.Write("truncated.png", png.substr(0, png.size() - 20));
        std::string damaged = png;
        damaged[damaged.size() - 25] ^= 0x55;  // inside the image data: its checksum fails
        folder.Write("damaged.png", damaged);
        std::filesystem::create_directories(folder.File("out"));
        std::filesystem::create_directories(PresetFolderUnder(folder));
        std::ofstream(PresetFolderUnder(folder) + "broken.ini") << "[pen]\nhardness=7\n";

        std::vector<std::string> args;
        for (const std::string& arg : Args(c.args)) {
            const std::map<std::string, std::string> places = {
                {"BASE", base},
                {"OUT", folder.File("out/o.png")},
                {"FOLDER", folder.File("out")},
                {"TEXT", folder.File("text.png")},
                {"TRUNCATED", folder.File("truncated.png")},
                {"DAMAGED", folder.File("damaged.png")},
                {"NOWHERE", folder.File("nowhere/o.png")},
                {"OUTFOLDER", folder.File("out")}};
            const auto place = places.find(arg);
            args.push_back(place != places.end() ? place->second : arg);
        }
        const RunResult run = RunRender(args, folder);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.name << ": " << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.name << ": " << run.err;
        EXPECT_EQ(run.err.rfind("veltrix-render: ", 0), 0u) << c.name << ": " << run.err;
        EXPECT_TRUE(folder.List("out").empty()) << c.name;
        EXPECT_FALSE(std::filesystem::exists(folder.File("nowhere"))) << c.name;
        EXPECT_FALSE(std::filesystem::exists(PresetFolderUnder(folder) + "x.ini")) << c.name;
    }
}

TEST(RenderErrors, FailedRunLeavesAnEarlierOutputUntouched) {
    TempFolder folder;
    const std::string out = folder.File("o.png");
    folder.Write("o.png", "earlier result");
    const RunResult run = RunRender({folder.File("missing.png"), out}, folder);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(ReadFileBytes(out), "earlier result");
    EXPECT_EQ(folder.List(), std::vector<std::string>{"o.png"});
}
