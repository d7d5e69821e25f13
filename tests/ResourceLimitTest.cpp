// What drawing costs beyond time: no heap per dab or segment, and memory that cannot be had.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "AllocationCounter.h"
#include "DrawHarness.h"
#include "SanitizerBuild.h"
#include "filter/raster/LineSweep.h"

TEST(ResourceLimits, DabsAndSegmentsAllocateNothing) {
    for (const double hardness : {1.0, 0.5, 0.0, 1.5}) {
        Canvas canvas(PenParam(6.0, hardness), 200, 120);
        canvas->DrawLine({1, 1}, 1.0, {2, 1}, 1.0);  // anything done once per thread first
        const uint64_t before = allocation::Count();
        double pressure = 0.0;
        for (int i = 0; i < 300; ++i) {
            const double next = std::min(1.0, (i + 1) / 40.0);
            canvas->DrawLine({10.0 + i * 0.6, 20.0 + i * 0.3}, pressure,
                             {10.6 + i * 0.6, 20.3 + i * 0.3}, next);
            pressure = next;
        }
        for (int i = 0; i < 100; ++i) {
            canvas->DrawCircle(5.0 + i * 1.9, 90.0 + (i % 7) * 0.3, 0.5 + (i % 30));
        }
        EXPECT_EQ(allocation::Count(), before) << "hardness " << hardness;
    }
}

// A line sweep takes its tables when made; gathering dabs and flushing windows, however many,
// allocates nothing more.
TEST(ResourceLimits, SweptLinesAllocateOnlyTheirTables) {
    for (const double hardness : {1.0, 0.5, 0.0}) {
        Canvas canvas(PenParam(40.0, hardness), 300, 200);
        LineSweep sweep(canvas->strokes);
        const uint64_t before = allocation::Count();
        for (int i = 0; i < 3000; ++i) {
            const double angle = i * 0.01;
            const PathPoint from{150 + 100 * std::cos(angle), 100 + 80 * std::sin(angle)};
            const PathPoint to{150 + 100 * std::cos(angle + 0.01),
                               100 + 80 * std::sin(angle + 0.01)};
            canvas->strokes.DrawLine(from, 1.0, to, 1.0, &sweep);
        }
        sweep.Flush();
        EXPECT_EQ(allocation::Count(), before) << "hardness " << hardness;
    }
}

// A canvas whose coverage memory cannot be had under the process's address-space limit ends the
// call with the layer untouched, and the next small run still draws.
TEST(ResourceLimits, CoverageBeyondTheAddressSpaceEndsTheCallWithNoOutput) {
    if (VELTRIX_SANITIZED) {
        GTEST_SKIP() << "the sanitizers' allocators abort under an address-space limit";
    }
    const pid_t child = fork();
    if (child == 0) {
        constexpr int kSide = 30000;  // 900 MB of coverage; the layer is mapped, not touched
        const size_t bytes = size_t(kSide) * kSide;
        auto* layer =
            static_cast<uint8_t*>(mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0));
        std::memset(layer, 0x5a, 4096);
        const TestImage row(kSide, 1, [](int, int) { return true; });
        MoveEffectImageParam base = row.Param();
        base.height = kSide;
        base.rowBytes = 0;  // every row is the one dark row
        // Room for threads and the small run beside what the process maps now.
        unsigned long pages = 0;
        std::FILE* statm = std::fopen("/proc/self/statm", "r");
        if (statm == nullptr || std::fscanf(statm, "%lu", &pages) != 1) {
            _exit(3);
        }
        std::fclose(statm);
        const rlimit limit{pages * 4096 + (256u << 20), RLIM_INFINITY};
        setrlimit(RLIMIT_AS, &limit);
        const MoveEffectParam param = SteadyParam(VELTRIX_TYPE_PARALLEL, 6);
        Draw(TestRun{1}, param, {{10, 10}, {54, 10}, {32, 40}}, ":S", base,
             {3, 0, nullptr, layer, kSide});
        const TestImage small(64, 64, [](int x, int) { return x > 8 && x < 56; });
        TestLayer smallLayer(64, 64);
        Draw(TestRun{1}, param, {{10, 10}, {54, 10}, {32, 40}}, ":S", small.Param(),
             smallLayer.Param());
        const bool drew = std::count(smallLayer.pixels.begin(), smallLayer.pixels.end(), 0) < 4096;
        _exit(layer[0] != 0x5a ? 1 : drew ? 0 : 2);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "crashed";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: layer written, 2: the small run drew nothing";
}
