// End-to-end: each failure of the program with its message and exit code.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>

#include "../SanitizerBuild.h"
#include "RenderTestSupport.h"

namespace fs = std::filesystem;

TEST(RenderCommandLine, EachFailureHasItsMessageAndExitCodeAndLeavesTheOutputAlone) {
    const struct {
        const char* args;  // BASE and OUT stand for a good base and out/o.png; @x for folder/x
        int exitCode;
        const char* message;
    } cases[] = {
        {"@missing.png OUT", 3, "cannot open"},
        {"@out OUT", 3, "is a folder"},
        {"@text.png OUT", 3, "not a PNG file"},
        {"@truncated.png OUT", 3, "corrupt or truncated PNG"},
        {"BASE @nowhere/o.png", 4, "cannot create a file"},
        {"BASE @out", 4, "is a folder"},
        {"--bogus BASE OUT", 2, "--bogus"},
        {"--hardness 1.5 BASE OUT", 2, "out of range 0 to 1"},
        {"--size nan BASE OUT", 2, "'nan' is not a number"},
        {"--spacing 0x10 BASE OUT", 2, "not a whole number"},
        {"--p1 10 BASE OUT", 2, "not a point"},
        {"--p3 20000%,0 BASE OUT", 2, "is too far off the canvas"},
        {"--type spiral BASE OUT", 2, "spiral"},
        {"--color red BASE OUT", 2, "not a colour"},
        {"--color #ff80 BASE OUT", 2, "not a colour"},
        {"--in 1500 BASE OUT", 2, "--in 1500 is out of range: without asdist"},
        {"--preset none BASE OUT", 5, "no preset 'none'"},
        {"--preset broken BASE OUT", 5, "preset 'broken': hardness 7 is out of range 0 to 1"},
        {"--preset far BASE OUT", 5, "preset 'far': p3 500 lies too far off the canvas"},
        {"--save-preset ../x BASE OUT", 2, "not a preset name"},
        {"--p1 3,4 --save-preset x", 2, "needs a canvas"},
        {"BASE", 2, "missing"},
        {"BASE OUT OUT", 2, "too many"},
        {"", 2, "missing"},
    };
    for (const auto& c : cases) {
        ScratchFolder folder;
        WriteTestPng(folder / "base.png", 16, 16, PNG_FORMAT_GRAY, std::vector<uint16_t>(256));
        const std::string png = *ReadFileBytes(folder / "base.png");
        folder.Write("text.png", "just some text, long enough to be read\n");
        folder.Write("truncated.png", png.substr(0, png.size() - 20));
        fs::create_directories(folder / "out");
        folder.Write("out/o.png", "earlier result");
        fs::create_directories(PresetsIn(folder));
        folder.Write("data/Orvane/vxplugin/preset/broken.ini", "[pen]\nhardness=7\n");
        folder.Write("data/Orvane/vxplugin/preset/far.ini", "[guide]\np3=500,1\n");

        std::vector<std::string> args = Args(c.args);
        for (std::string& arg : args) {
            arg = arg == "BASE"   ? folder / "base.png"
                  : arg == "OUT"  ? folder / "out/o.png"
                  : arg[0] == '@' ? folder / arg.substr(1)
                                  : arg;
        }
        const RunResult run = RunRender(args, folder);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args << ": " << run.err;
        EXPECT_EQ(run.err.rfind("veltrix-render: ", 0), 0u) << c.args << ": " << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.args << ": " << run.err;
        // The earlier output is kept and no temporary file, folder or preset is left.
        EXPECT_EQ(ReadFileBytes(folder / "out/o.png"), "earlier result") << c.args;
        EXPECT_EQ(std::distance(fs::directory_iterator(folder / "out"), {}), 1) << c.args;
        EXPECT_FALSE(fs::exists(folder / "nowhere")) << c.args;
        EXPECT_FALSE(fs::exists(PresetsIn(folder) + "x.ini")) << c.args;
    }
}

TEST(RenderCommandLine, OutOfMemoryIsAnInternalFailure) {
    if (VELTRIX_SANITIZED) {
        GTEST_SKIP() << "the sanitizers reserve more address space than the limit";
    }
    // A 1 x 1 PNG whose header says 30000 x 30000: 1.8 GB as gray and alpha, within the
    // program's limits but not within 1 GiB of address space.
    ScratchFolder folder;
    WriteTestPng(folder / "base.png", 1, 1, PNG_FORMAT_GRAY, {0});
    std::string png = *ReadFileBytes(folder / "base.png");
    const auto bytes = reinterpret_cast<png_bytep>(png.data());  // IHDR from byte 12 on
    png_save_uint_32(bytes + 16, 30000);
    png_save_uint_32(bytes + 20, 30000);
    png_save_uint_32(bytes + 29, png_uint_32(crc32(0, bytes + 12, 17)));
    folder.Write("big.png", png);
    const RunResult run =
        RenderProcess({folder / "big.png", folder / "o.png"}, folder, 1 << 20).Wait();
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(run.err, "veltrix-render: out of memory\n");
}
