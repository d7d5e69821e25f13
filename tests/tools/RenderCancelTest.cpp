// End-to-end: Ctrl-C during a long run cancels it through the progress callback, and what
// was drawn by then is written as a valid PNG.
#include <gtest/gtest.h>
#include <png.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "RenderTestSupport.h"

namespace {

// The temporary output file appears only after the interrupt handler is in place, just
// before the drawing starts: from then on an interrupt is a cancel.
bool WaitForTemporaryOutput(const TempFolder& folder) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (std::chrono::steady_clock::now() < deadline) {
        for (const std::string& name : folder.List("out")) {
            if (name.rfind(".cancel.png.", 0) == 0) {
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

}  // namespace

TEST(RenderDrawing, InterruptWritesWhatWasDrawnAsAValidPng) {
    TempFolder folder;
    std::filesystem::create_directories(folder.File("out"));
    const std::string base = folder.File("base.png");
    WritePngFile(base, MakePicture(800, 800, PNG_COLOR_TYPE_GRAY, 8));
    // Thousands of long, wide, soft lines: many seconds of work, far more than the test waits.
    RenderProcess process(
        {"--type", "radiate", "--p1", "400,400", "--p2", "400,395", "--p3", "400,-800", "--spacing",
         "1", "--size", "60", "--hardness", "0.1", base, folder.File("out/cancel.png")},
        DataHome(folder), folder.path());
    ASSERT_TRUE(WaitForTemporaryOutput(folder));
    ASSERT_EQ(::kill(process.pid(), SIGINT), 0);
    const RunResult run = process.Wait();

    EXPECT_EQ(run.exitCode, 130) << run.err;
    EXPECT_NE(run.err.find("interrupted after"), std::string::npos) << run.err;
    PngPicture out;
    ASSERT_TRUE(ReadPngFile(folder.File("out/cancel.png"), &out));
    EXPECT_EQ(out.width, 800);
    EXPECT_EQ(out.height, 800);
    EXPECT_EQ(folder.List("out"), std::vector<std::string>{"cancel.png"});
}
