// DrawEffectWithOptions: seeded runs repeat at any worker count, old option records draw as
// DrawEffect, the line sink agrees with the raster, and host threads may draw at once.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "DrawHarness.h"
#include "Latch.h"

namespace {

constexpr int kSide = 160;

const TestImage& Dark() {
    static const TestImage image(kSide, kSide, [](int x, int y) { return (x / 20 + y / 30) % 3; });
    return image;
}

// Every random setting on, so that the seed decides the lines.
MoveEffectParam Fluctuating(int type) {
    MoveEffectParam param = SteadyParam(type, type == VELTRIX_TYPE_RADIATE ? 60 : 9);
    param.hardness = 0.6;
    param.fluction = param.lenfluct = param.posfluct = param.spcfluct = 0.5;
    param.length = 30;
    return param;
}

const PointTarget kTarget{{80, 80}, {120, 80}, {80, 20}};

VeltrixDrawOptions Seeded(uint64_t seed, int workers) {
    VeltrixDrawOptions options{};
    options.structSize = sizeof options;
    options.flags = VELTRIX_OPTION_SEED;
    options.seed = seed;
    options.workers = workers;
    return options;
}

std::vector<uint8_t> DrawWith(const MoveEffectParam& param, const VeltrixDrawOptions* options,
                              const char* guide = ":C") {
    TestLayer layer(kSide, kSide);
    const MoveEffectImageParam image = Dark().Param();
    const MoveEffectCanvasParam canvas = layer.Param();
    DrawEffectWithOptions(&param, &kTarget, guide, &image, &canvas, nullptr, nullptr, options);
    return layer.pixels;
}

}  // namespace

TEST(DrawOptions, ASeedGivesTheSameBytesAtEveryWorkerCountAndAnotherSeedOthers) {
    for (const int type : {VELTRIX_TYPE_RADIATE, VELTRIX_TYPE_PARALLEL, VELTRIX_TYPE_CIRCLE}) {
        const VeltrixDrawOptions first = Seeded(7, 1);
        const std::vector<uint8_t> expected = DrawWith(Fluctuating(type), &first);
        for (const int workers : {1, 2, 5, 0}) {
            const VeltrixDrawOptions options = Seeded(7, workers);
            EXPECT_EQ(DrawWith(Fluctuating(type), &options), expected) << type << "/" << workers;
        }
        const VeltrixDrawOptions other = Seeded(8, 2);
        EXPECT_NE(DrawWith(Fluctuating(type), &other), expected) << type;
    }
}

TEST(DrawOptions, ShortOrMissingRecordsReadOnlyTheFieldsTheyHold) {
    const MoveEffectParam steady = SteadyParam(VELTRIX_TYPE_RADIATE, 60);
    TestLayer plain(kSide, kSide);
    const MoveEffectImageParam image = Dark().Param();
    const MoveEffectCanvasParam canvas = plain.Param();
    DrawEffect(&steady, &kTarget, ":C", &image, &canvas, nullptr, nullptr);
    VeltrixDrawOptions tooShort = Seeded(7, 1);
    tooShort.structSize = 4;  // no room for flags: DrawEffect
    EXPECT_EQ(DrawWith(steady, nullptr), plain.pixels);
    EXPECT_EQ(DrawWith(steady, &tooShort), plain.pixels);
    // A record that ends after the seed: seeded, with the default workers.
    VeltrixDrawOptions seedOnly = Seeded(7, 1);
    seedOnly.structSize = 16;
    const VeltrixDrawOptions full = Seeded(7, 0);
    EXPECT_EQ(DrawWith(Fluctuating(VELTRIX_TYPE_CIRCLE), &seedOnly),
              DrawWith(Fluctuating(VELTRIX_TYPE_CIRCLE), &full));
}

TEST(DrawOptions, TheSinkGetsTheDrawnLinesInOrderOnTheCallingThread) {
    struct Seen {
        std::thread::id caller = std::this_thread::get_id();
        std::vector<VeltrixLine> lines;
        std::vector<VeltrixLinePoint> points;
        bool onCaller = true;
    } seen;
    VeltrixDrawOptions options = Seeded(3, 2);
    options.lines = [](const VeltrixLine* line, void* user) {
        auto* s = static_cast<Seen*>(user);
        s->onCaller = s->onCaller && std::this_thread::get_id() == s->caller;
        s->lines.push_back(*line);
        s->points.insert(s->points.end(), line->points, line->points + line->pointCount);
    };
    options.linesUser = &seen;
    const std::vector<uint8_t> layer = DrawWith(Fluctuating(VELTRIX_TYPE_RADIATE), &options);
    ASSERT_GT(seen.lines.size(), 10u);
    EXPECT_TRUE(seen.onCaller);
    for (size_t i = 1; i < seen.lines.size(); ++i) {
        const VeltrixLine& a = seen.lines[i - 1];
        const VeltrixLine& b = seen.lines[i];
        EXPECT_TRUE(a.pathIndex < b.pathIndex ||
                    (a.pathIndex == b.pathIndex && a.lineIndex < b.lineIndex));
        EXPECT_EQ(b.flags, 0u);
    }
    for (const VeltrixLinePoint& p : seen.points) {
        const int x = static_cast<int>(p.x);
        const int y = static_cast<int>(p.y);
        if (p.diameter >= 1.0 && x >= 0 && y >= 0 && x < kSide && y < kSide) {
            EXPECT_GT(layer[static_cast<size_t>(y) * kSide + x], 0) << p.x << "," << p.y;
        }
    }
}

// Host threads draw with shared and different guides while another releases the cache; each
// layer must be what the same call gives alone.
TEST(DrawOptions, HostThreadsDrawAtOnceAsIfAlone) {
    const char* const guides[] = {":S", ":C", ":C", "no-such-guide"};
    std::vector<std::vector<uint8_t>> alone;
    for (int t = 0; t < 4; ++t) {
        const VeltrixDrawOptions options = Seeded(t, 1);
        alone.push_back(DrawWith(Fluctuating(t % 3), &options, guides[t]));
    }
    std::vector<std::vector<uint8_t>> together(4);
    Latch start(5);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            start.ArriveAndWait();
            for (int round = 0; round < 3; ++round) {
                const VeltrixDrawOptions options = Seeded(t, 2);
                together[t] = DrawWith(Fluctuating(t % 3), &options, guides[t]);
                EXPECT_EQ(together[t], alone[t]) << t << "/" << round;
            }
        });
    }
    start.ArriveAndWait();
    for (int i = 0; i < 50; ++i) {
        ReleaseGuides();
        std::this_thread::yield();
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}
