// Many whole runs with random sizes, worker counts and cancel moments: same bytes when not
// cancelled, never more coverage than the full run when cancelled.
#include <gtest/gtest.h>
#include <veltrix/veltrix.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <random>
#include <vector>

#include "PipelineTestSupport.h"
#include "SanitizerBuild.h"
#include "plugin/DrawOptions.h"

namespace {

// Sanitized builds run the same number of runs on smaller canvases.
constexpr int kRuns = 200;
constexpr int kMaxSide = VELTRIX_SANITIZED ? 96 : 256;

// Restores the default worker count when the test ends.
class WorkerCountGuard {
  public:
    ~WorkerCountGuard() { SetDrawWorkerCount(0); }
};

// Counts progress calls and cancels at the chosen one (0: never).
struct CancelAt {
    int call = 0;
    std::atomic<int> seen{0};

    static int Progress(int /*total*/, int /*completed*/, void* user) {
        auto* self = static_cast<CancelAt*>(user);
        const int now = self->seen.fetch_add(1) + 1;
        return self->call != 0 && now >= self->call ? 0 : 1;
    }
};

struct Scene {
    int type;
    int side;
    const char* guide;
};

std::vector<uint8_t> Draw(const Scene& scene, CancelAt* cancel, int* progressCalls = nullptr) {
    const int side = scene.side;
    // A dark ring and a dark block: enough dark pixels for every layout to place lines.
    const TestImage image(side, side, [side](int x, int y) {
        const int dx = x - side / 2;
        const int dy = y - side / 2;
        const int r2 = dx * dx + dy * dy;
        return (r2 > side * side / 16 && r2 < side * side / 9) || (x < side / 4 && y < side / 4);
    });
    TestLayer layer(side, side);
    MoveEffectParam param = SteadyParam(scene.type, scene.type == VELTRIX_TYPE_RADIATE ? 40 : 6);
    param.length = side / 4 + 4;
    PointTarget target{};
    if (scene.type == VELTRIX_TYPE_CIRCLE) {
        target = {{side / 4, side / 2}, {side * 3 / 4, side / 2}, {side / 2, side / 5}};
    } else {
        target = {{side / 2, side / 2}, {side / 8, side / 8}, {side * 7 / 8, side / 3}};
    }
    MoveEffectImageParam base = image.Param();
    MoveEffectCanvasParam canvas = layer.Param();
    CancelAt none;
    CancelAt* counter = cancel != nullptr ? cancel : &none;
    DrawEffect(&param, &target, scene.guide, &base, &canvas, &CancelAt::Progress, counter);
    if (progressCalls != nullptr) {
        *progressCalls = counter->seen.load();
    }
    return layer.pixels;
}

}  // namespace

TEST(Stress, RandomRunsAgreeWithTheFullRunOrStayBelowItWhenCancelled) {
    WorkerCountGuard restore;
    std::mt19937 random(20261207);
    const Scene scenes[] = {
        {VELTRIX_TYPE_RADIATE, kMaxSide, ":S"},
        {VELTRIX_TYPE_PARALLEL, kMaxSide, ":C"},
        {VELTRIX_TYPE_CIRCLE, kMaxSide, ":S"},
        {VELTRIX_TYPE_RADIATE, kMaxSide / 2, ":C"},
        {VELTRIX_TYPE_PARALLEL, kMaxSide / 3, ":S"},
        {VELTRIX_TYPE_CIRCLE, kMaxSide / 4, ":C"},
        {VELTRIX_TYPE_CIRCLE, 17, ":S"},
        {VELTRIX_TYPE_RADIATE, 9, ":S"},
    };
    // The full run of each scene, on one worker.
    std::vector<std::vector<uint8_t>> full;
    std::vector<int> calls;
    SetDrawWorkerCount(1);
    for (const Scene& scene : scenes) {
        int progressCalls = 0;
        full.push_back(Draw(scene, nullptr, &progressCalls));
        calls.push_back(progressCalls);
    }
    for (size_t i = 0; i < full.size(); ++i) {
        ASSERT_NE(std::count(full[i].begin(), full[i].end(), 0), static_cast<long>(full[i].size()))
            << "scene " << i << " draws nothing";
    }
    int cancelledRuns = 0;
    int cancelledShort = 0;
    for (int run = 0; run < kRuns; ++run) {
        const size_t which = random() % std::size(scenes);
        const unsigned workers = 1 + random() % 16;
        SetDrawWorkerCount(workers);
        // Half the runs cancel, at any progress call including the first.
        CancelAt cancel;
        if (random() % 2 == 0 && calls[which] > 0) {
            cancel.call = 1 + static_cast<int>(random() % calls[which]);
            ++cancelledRuns;
        }
        const std::vector<uint8_t> pixels = Draw(scenes[which], &cancel);
        SCOPED_TRACE(testing::Message() << "run " << run << " scene " << which << " workers "
                                        << workers << " cancel at " << cancel.call);
        if (cancel.call == 0) {
            ASSERT_EQ(pixels, full[which]);
            continue;
        }
        for (size_t i = 0; i < pixels.size(); ++i) {
            ASSERT_LE(pixels[i], full[which][i]) << "pixel " << i;
        }
        cancelledShort += pixels != full[which] ? 1 : 0;
    }
    EXPECT_GT(cancelledRuns, kRuns / 4);
    // Cancelling must actually stop work, at least when it comes early.
    EXPECT_GT(cancelledShort, 0);
}
