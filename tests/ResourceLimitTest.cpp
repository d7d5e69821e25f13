// Limits of the process: an address space too small for the stroke buffer, a full disk under a
// preset save, and the readers on a small thread stack.
#include <gtest/gtest.h>
#include <veltrix/veltrix.h>

#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>

#include "PipelineTestSupport.h"
#include "SanitizerBuild.h"
#include "TestFolders.h"
#include "path/PathParser.h"
#include "platform/FileUtil.h"
#include "plugin/DrawOptions.h"
#include "preset/PluginDataFolders.h"

namespace {

// Runs body in a forked child and returns its exit status, or -1 when it did not exit normally
// (a crash). The child never returns into the test framework.
int RunInChild(const std::function<int()>& body) {
    const pid_t child = fork();
    if (child == 0) {
        int status = 99;
        try {
            status = body();
        } catch (...) {
            status = 98;
        }
        _exit(status);
    }
    if (child < 0) {
        return -2;
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

// The process's current virtual size in bytes, from /proc; 0 when unknown.
uint64_t VirtualSize() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmSize:", 0) == 0) {
            return std::stoull(line.substr(7)) * 1024;
        }
    }
    return 0;
}

// Runs body on a new thread with the given stack size and waits for it.
bool RunOnStack(size_t stackBytes, const std::function<void()>& body) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, stackBytes);
    auto trampoline = [](void* argument) -> void* {
        (*static_cast<const std::function<void()>*>(argument))();
        return nullptr;
    };
    pthread_t thread;
    const bool started = pthread_create(&thread, &attributes, trampoline,
                                        const_cast<std::function<void()>*>(&body)) == 0;
    pthread_attr_destroy(&attributes);
    return started && pthread_join(thread, nullptr) == 0;
}

// A d value of about `bytes` bytes cycling through every command kind.
std::string LongPathData(size_t bytes) {
    static const char* const kPieces[] = {"L10.5,20.25 ",  "C1,2 3,4 5.5,6 ", "Q7,8 9,10 ", "l1 1 ",
                                          "c1,1 2,2 3,0 ", "q-1,2 3,4 ",      "M0 0 ",      "H30 ",
                                          "V40 ",          "S1 2 3 4 ",       "T5 6 ",      "Z "};
    std::string d = "M0,0 ";
    d.reserve(bytes + 32);
    for (size_t i = 0; d.size() < bytes; ++i) {
        d += kPieces[i % std::size(kPieces)];
    }
    return d;
}

}  // namespace

TEST(ResourceLimits, StrokeBufferBeyondTheAddressSpaceEndsTheCallWithNoOutput) {
    if (VELTRIX_SANITIZED) {
        GTEST_SKIP() << "the sanitizers' allocators abort under an address-space limit";
    }
    const int status = RunInChild([] {
        SetDrawWorkerCount(1);
        // 30000 x 30000: the layer is mapped before the limit and never touched unless written;
        // the stroke buffer of the same size must then fail to allocate.
        constexpr int kSide = 30000;
        constexpr size_t kLayerBytes = static_cast<size_t>(kSide) * kSide;
        void* mapped = mmap(nullptr, kLayerBytes, PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (mapped == MAP_FAILED) {
            return 10;
        }
        auto* layer = static_cast<uint8_t*>(mapped);
        std::memset(layer, 0x5a, 4096);
        std::memset(layer + kLayerBytes - 4096, 0x5a, 4096);
        // One dark row that every canvas row aliases (rowBytes 0): valid for the whole canvas.
        const TestImage row(kSide, 1, [](int, int) { return true; });
        MoveEffectImageParam base = row.Param();
        base.height = kSide;
        base.rowBytes = 0;

        const uint64_t used = VirtualSize();
        if (used == 0) {
            return 11;
        }
        const rlimit limit{used + (256u << 20), RLIM_INFINITY};
        if (setrlimit(RLIMIT_AS, &limit) != 0) {
            return 12;
        }
        MoveEffectParam param = SteadyParam(VELTRIX_TYPE_PARALLEL, 50);
        const PointTarget target{{100, 100}, {900, 100}, {500, 500}};
        MoveEffectCanvasParam canvas{};
        canvas.colorMode = 3;
        canvas.pixels = layer;
        canvas.rowBytes = kSide;
        DrawEffect(&param, &target, ":S", &base, &canvas, nullptr, nullptr);
        for (size_t i = 0; i < 4096; ++i) {
            if (layer[i] != 0x5a || layer[kLayerBytes - 1 - i] != 0x5a) {
                return 1;
            }
        }
        // The library is still sound under the limit: a small run draws.
        const TestImage small(64, 64, [](int x, int) { return x > 8 && x < 56; });
        TestLayer smallLayer(64, 64);
        MoveEffectImageParam smallBase = small.Param();
        MoveEffectCanvasParam smallCanvas = smallLayer.Param();
        param.length = 20;
        param.spacing = 6;
        const PointTarget smallTarget{{10, 10}, {54, 10}, {32, 40}};
        DrawEffect(&param, &smallTarget, ":S", &smallBase, &smallCanvas, nullptr, nullptr);
        for (const uint8_t coverage : smallLayer.pixels) {
            if (coverage != 0) {
                return 0;
            }
        }
        return 2;
    });
    EXPECT_EQ(status, 0) << "1: layer written, 2: small run drew nothing, -1: crashed";
}

TEST(ResourceLimits, FullDiskDuringASaveKeepsTheOldPresetAndLeavesNoTemporaryFile) {
    ScratchFolder data;
    ScopedEnvironment xdg("XDG_DATA_HOME", data.path());
    ASSERT_TRUE(CreateDataDirectory(GetPluginDir(true)));
    const std::string folder = data.path() + "/Orvane/vxplugin/preset/";
    MoveEffectIniParam old{};
    GetDefaultParam(&old);
    ASSERT_TRUE(SaveParam("speed", &old));
    const auto before = ReadFileBytes(folder + "speed.ini");
    ASSERT_TRUE(before.has_value());

    // A longer record than the old one, and a file-size limit below both.
    MoveEffectIniParam bigger = old;
    std::memset(bigger.name, 'g', 250);
    bigger.name[250] = '\0';
    bigger.curvature = 1.0 / 3.0;
    for (const rlim_t limitBytes : {rlim_t{0}, rlim_t{64}, static_cast<rlim_t>(before->size())}) {
        SCOPED_TRACE(limitBytes);
        const int status = RunInChild([&] {
            // Without this the write past the limit kills the process instead of failing.
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{limitBytes, limitBytes};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) {
                return 12;
            }
            return SaveParam("speed", &bigger) ? 1 : 0;
        });
        EXPECT_EQ(status, 0) << "1: the save reported success";
        EXPECT_EQ(ReadFileBytes(folder + "speed.ini"), before);
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            names.insert(entry.path().filename().string());
        }
        EXPECT_EQ(names, std::set<std::string>{"speed.ini"});
    }
}

TEST(ResourceLimits, ReadersRunOnASmallThreadStack) {
    constexpr size_t kStack = 512 * 1024;
    // A guide of a million commands, a tag with many attributes, and a preset of long lines.
    const std::string d = LongPathData(VELTRIX_SANITIZED ? (2u << 20) : (12u << 20));
    std::string attributes;
    for (int i = 0; i < 20000; ++i) {
        attributes += " a" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
    }
    const std::string svg =
        "<svg><path" + attributes + " transform=\"matrix(1 0 0 1 2 3)\" d=\"" + d + "\"/></svg>";
    size_t segmentCount = 0;
    size_t pieceCount = 0;
    ASSERT_TRUE(RunOnStack(kStack, [&] {
        PathParser parser;
        if (parser.Parse(svg)) {
            segmentCount = parser.segments.size();
            parser.PrepareSegments(false);
            pieceCount = parser.lineSegments.size();
        }
    }));
    EXPECT_GT(segmentCount, VELTRIX_SANITIZED ? 100000u : 900000u);
    EXPECT_GT(pieceCount, segmentCount);

    ScratchFolder data;
    ScopedEnvironment xdg("XDG_DATA_HOME", data.path());
    ASSERT_TRUE(CreateDataDirectory(GetPluginDir(true)));
    std::string preset = "[MoveEffect]\n";
    for (int i = 0; i < 2000; ++i) {
        preset += "key" + std::to_string(i) + "=" + std::string(500, '7') + "\n";
    }
    preset += "size=" + std::string(100000, '9') + "\nname=" + std::string(100000, 'n') + "\n";
    data.Write("Orvane/vxplugin/preset/long.ini", preset);
    bool loaded = false;
    ASSERT_TRUE(RunOnStack(kStack, [&] {
        MoveEffectIniParam param{};
        loaded = LoadParam("long", &param, nullptr);
    }));
    EXPECT_TRUE(loaded);
}
