// End-to-end: each failure of the program with its message and exit code.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <zlib.h>

#include <chrono>
#include <filesystem>

#include "RenderTestSupport.h"

namespace fs = std::filesystem;

namespace {

// A 1 x 1 gray PNG whose header claims width x height.
std::string ClaimingPng(const ScratchFolder& folder, png_uint_32 width, png_uint_32 height) {
    WriteTestPng(folder / "tiny.png", 1, 1, PNG_FORMAT_GRAY, {0});
    std::string png = *ReadFileBytes(folder / "tiny.png");
    const auto bytes = reinterpret_cast<png_bytep>(png.data());  // IHDR from byte 12 on
    png_save_uint_32(bytes + 16, width);
    png_save_uint_32(bytes + 20, height);
    png_save_uint_32(bytes + 29, png_uint_32(crc32(0, bytes + 12, 17)));
    return png;
}

}  // namespace

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
        {"BASE @fifo", 4, "is a FIFO, not a regular file"},
        {"BASE @socket", 4, "is a socket, not a regular file"},
        {"BASE @link", 4, "is a FIFO, not a regular file"},
        {"--svg @fifo BASE OUT", 4, "is a FIFO"},
        {"--svg - BASE -", 2, "only one output can go to standard output"},
        {"@wide.png OUT", 3, "too large (65536 x 4 pixels): each side may have at most 65535"},
        {"@claims.png OUT", 3, "cannot be packed into fewer than 387616"},
        {"--depth 8 --depth 16 BASE OUT", 2, "--depth: given more than once"},
        {"--lines 8 --spacing 9 BASE OUT", 2, "give one"},
        {"--type circle --lines 8 BASE OUT", 2, "--lines counts radiate lines"},
        {"--save-preset broken BASE OUT", 5, "exists (" /* and is kept */},
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
        ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
        fs::create_symlink("fifo", folder / "link");
        sockaddr_un address{AF_UNIX, {}};
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", (folder / "socket").c_str());
        const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        folder.Write("wide.png", ClaimingPng(folder, 65536, 4));
        folder.Write("claims.png", ClaimingPng(folder, 20000, 20000));

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
        EXPECT_TRUE(fs::is_fifo(folder / "fifo") && fs::is_socket(folder / "socket")) << c.args;
        EXPECT_EQ(ReadFileBytes(PresetsIn(folder) + "broken.ini"), "[pen]\nhardness=7\n");
        ::close(sock);
    }
}

TEST(RenderCommandLine, AHeaderClaimingMoreThanTheFileHoldsFailsAtOnce) {
    // 400 MB of pixels claimed by 70 bytes: refused before any pixel memory is taken.
    ScratchFolder folder;
    folder.Write("big.png", ClaimingPng(folder, 20000, 20000));
    const auto start = std::chrono::steady_clock::now();
    const RunResult run = RunRender({folder / "big.png", folder / "o.png"}, folder);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(run.exitCode, 3) << run.err;
}

TEST(RenderCommandLine, OutputFollowsLinksKeepsPermissionsAndMayBeAPipe) {
    ScratchFolder folder;
    WriteTestPng(folder / "base.png", 8, 8, PNG_FORMAT_GRAY, std::vector<uint16_t>(64));
    fs::create_directories(folder / "real");
    folder.Write("real/o.png", "old");
    ::chmod((folder / "real/o.png").c_str(), 0640);
    fs::create_symlink("real/o.png", folder / "link.png");
    ASSERT_EQ(RunRender({folder / "base.png", folder / "link.png"}, folder).exitCode, 0);
    EXPECT_TRUE(fs::is_symlink(folder / "link.png"));
    Picture out;
    EXPECT_TRUE(ReadTestPng(folder / "real/o.png", &out));
    EXPECT_EQ(fs::status(folder / "real/o.png").permissions(), fs::perms(0640));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder / "real"), {}), 1);
    // "-" is standard output; a reader that goes away ends the run with exit code 4.
    EXPECT_EQ(RunRender({folder / "base.png", "-"}, folder).out.substr(1, 3), "PNG");
    std::vector<uint16_t> noise(512 * 512);
    for (size_t i = 0; i < noise.size(); ++i) {
        noise[i] = uint16_t(i * 7919 % 251);
    }
    WriteTestPng(folder / "noise.png", 512, 512, PNG_FORMAT_GRAY, noise);
    const std::string command = "('" VELTRIX_RENDER_PATH "' --composite '" + folder / "noise.png" +
                                "' - 2>'" + folder / "err" + "'; echo $? >'" + folder / "code" +
                                "') | exec true";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadFileBytes(folder / "code"), "4\n") << *ReadFileBytes(folder / "err");
}
