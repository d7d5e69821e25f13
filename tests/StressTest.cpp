// Many whole runs with random sizes, worker counts and cancel moments: the bytes of the full run
// when not cancelled, never more coverage than it when cancelled, and no progress call after
// the host's 0.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <vector>

#include "DrawHarness.h"
#include "SanitizerBuild.h"

namespace {

// Sanitized builds run as many runs on smaller canvases.
constexpr int kRuns = 200;
constexpr int kMaxSide = VELTRIX_SANITIZED ? 96 : 256;

// Counts progress calls and cancels at the chosen one (0: never).
struct CancelAt {
    int call = 0;
    std::atomic<int> seen{0};

    static int Progress(int, int, void* user) {
        auto* self = static_cast<CancelAt*>(user);
        const int now = self->seen.fetch_add(1) + 1;
        return self->call != 0 && now >= self->call ? 0 : 1;
    }
};

struct Scene {
    int type, side;
    const char* guide;
};

std::vector<uint8_t> DrawScene(const Scene& scene, unsigned workers, CancelAt& cancel) {
    const int side = scene.side;
    // A dark ring and a dark block: enough dark pixels for every layout to place lines.
    const TestImage image(side, side, [side](int x, int y) {
        const int r2 = (x - side / 2) * (x - side / 2) + (y - side / 2) * (y - side / 2);
        return (r2 > side * side / 16 && r2 < side * side / 9) || (x < side / 4 && y < side / 4);
    });
    TestLayer layer(side, side);
    MoveEffectParam param = SteadyParam(scene.type, scene.type == VELTRIX_TYPE_RADIATE ? 40 : 6);
    param.length = side / 4 + 4;
    const PointTarget target =
        scene.type == VELTRIX_TYPE_CIRCLE
            ? PointTarget{{side / 4, side / 2}, {side * 3 / 4, side / 2}, {side / 2, side / 5}}
            : PointTarget{{side / 2, side / 2}, {side / 8, side / 8}, {side * 7 / 8, side / 3}};
    Draw(TestRun{workers}, param, target, scene.guide, image.Param(), layer.Param(),
         &CancelAt::Progress, &cancel);
    return layer.pixels;
}

}  // namespace

TEST(Stress, RandomRunsAgreeWithTheFullRunOrStayBelowItWhenCancelled) {
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
    for (const Scene& scene : scenes) {
        CancelAt none;
        full.push_back(DrawScene(scene, 1, none));
        calls.push_back(none.seen.load());
        ASSERT_GT(*std::max_element(full.back().begin(), full.back().end()), 0);
    }
    int cancelledRuns = 0;
    for (int run = 0; run < kRuns; ++run) {
        const size_t which = random() % std::size(scenes);
        const unsigned workers = 1 + random() % 16;
        // Half the runs cancel, at any progress call including the first.
        CancelAt cancel;
        if (random() % 2 == 0 && calls[which] > 0) {
            cancel.call = 1 + static_cast<int>(random() % calls[which]);
            ++cancelledRuns;
        }
        const std::vector<uint8_t> pixels = DrawScene(scenes[which], workers, cancel);
        SCOPED_TRACE(testing::Message() << "run " << run << " scene " << which << " workers "
                                        << workers << " cancel at " << cancel.call);
        if (cancel.call == 0) {
            ASSERT_EQ(pixels, full[which]);
            continue;
        }
        // The host is not asked again once it has said 0.
        ASSERT_EQ(cancel.seen.load(), cancel.call);
        for (size_t i = 0; i < pixels.size(); ++i) {
            ASSERT_LE(pixels[i], full[which][i]) << "pixel " << i;
        }
    }
    EXPECT_GT(cancelledRuns, kRuns / 4);
}
