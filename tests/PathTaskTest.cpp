// Line tasks: stretches become lines of the right extent and taper, rings, joining, cancels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "Latch.h"
#include "PipelineTestSupport.h"
#include "filter/MoveEffectFilter.h"
#include "path/PathParser.h"
#include "plugin/DrawOptions.h"
#include "task/PathTask.h"

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// Runs the effect on the filter's pool with one worker and composites into an alpha layer.
TestLayer Draw(const MoveEffectParam& param, const PointTarget& target, const TestImage& image,
               const char* guide = ":S") {
    TestLayer layer(image.width, image.height);
    MoveEffectImageParam base = image.Param();
    MoveEffectCanvasParam canvas = layer.Param();
    SetDrawWorkerCount(1);
    DrawEffect(&param, &target, guide, &base, &canvas, nullptr, nullptr);
    SetDrawWorkerCount(0);
    return layer;
}

TEST(PathTask, DarkBandAcrossAStraightPathGivesOneTaperedLine) {
    // The path runs along y = 10 from x = 0 to 100; samples at x = 0, 1, ... are marked on
    // 40..59. The stretch [40, 60] grows by half the length (5) at both ends: [35, 65].
    const TestImage image(100, 20, [](int x, int) { return x >= 40 && x < 60; });
    const TestLayer layer = Draw(SteadyParam(VELTRIX_TYPE_PARALLEL, 50),
                                 PointTarget{{0, 10}, {100, 10}, {0, 10}}, image);
    std::vector<int> touched;
    for (int x = 0; x < 100; ++x) {
        for (int y = 0; y < 20; ++y) {
            if (layer.At(x, y) != 0) {
                touched.push_back(x);
                break;
            }
        }
    }
    // Pressure 0 at t = 0 and a ramp over 7.5 pixels at each end. The first dabs, at 36.3,
    // 36.5 and 36.7, are too small to reach a sample of pixel 36; the next lies at 37.1.
    ASSERT_FALSE(touched.empty());
    EXPECT_EQ(touched.front(), 37);
    EXPECT_EQ(touched.back(), 65);
    // Full pressure from 42.5 to 57.5: a 4-pixel hard pen covers rows 8 to 11 whole.
    for (int x = 44; x <= 56; ++x) {
        for (int y = 0; y < 20; ++y) {
            EXPECT_EQ(layer.At(x, y), (y >= 8 && y <= 11) ? 255 : 0) << x << "," << y;
        }
    }
    // The tapered ends are thinner than the middle.
    EXPECT_EQ(layer.At(38, 8), 0);
    EXPECT_EQ(layer.At(63, 11), 0);
    EXPECT_GT(layer.At(38, 10), 0);
}

// The pixel of a circle of radius r around (cx, cy) at angle a.
std::pair<int, int> OnCircle(double cx, double cy, double r, double a) {
    return {static_cast<int>(std::floor(cx + r * std::cos(a))),
            static_cast<int>(std::floor(cy + r * std::sin(a)))};
}

TEST(PathTask, RingsAreClosedLinesWithoutTaperAtTheirStart) {
    // Spacing 1000: only the target ring, centre (30, 30), radius 10, starting at angle 0.
    const auto ring = [](bool (*dark)(int, int)) {
        return Draw(SteadyParam(VELTRIX_TYPE_CIRCLE, 1000),
                    PointTarget{{20, 30}, {40, 30}, {30, 40}}, TestImage(60, 60, dark));
    };
    const TestLayer all = ring([](int, int) { return true; });
    for (int step = 0; step < 72; ++step) {
        const auto [x, y] = OnCircle(30, 30, 10, step * M_PI / 36);
        EXPECT_EQ(all.At(x, y), 255) << "angle step " << step;
    }
    EXPECT_EQ(all.At(30, 30), 0);
    // Marked only right of x = 36: one arc across the start. Two lines meeting at the start
    // would taper to nothing there.
    const TestLayer arc = ring([](int x, int) { return x >= 36; });
    EXPECT_EQ(arc.At(39, 29), 255);
    EXPECT_EQ(arc.At(39, 30), 255);
    for (double a : {-0.6, -0.3, 0.3, 0.6}) {
        const auto [x, y] = OnCircle(30, 30, 10, a);
        EXPECT_EQ(arc.At(x, y), 255) << a;
    }
    const auto [x, y] = OnCircle(30, 30, 10, M_PI);
    EXPECT_EQ(arc.At(x, y), 0);
}

std::string Describe(const std::vector<DistData>& lines) {
    std::ostringstream text;
    for (const DistData& d : lines) {
        text << "[" << d.start << (d.taperIn ? "<" : "|") << d.end << (d.taperOut ? ">" : "|")
             << "]";
    }
    return text.str();
}

TEST(PathTask, ConnectJoinsNeighboursThatTouchAndKeepsTheirOuterEnds) {
    const struct {
        const char* name;
        std::vector<DistData> lines;
        std::vector<DistData> want;
    } cases[] = {
        {"touching", {{0, 10, true, true}, {10, 20, true, false}}, {{0, 20, true, false}}},
        {"apart",
         {{0, 10, true, true}, {10.5, 20, true, true}},
         {{0, 10, true, true}, {10.5, 20, true, true}}},
        // Only neighbours are compared: the third joins the second, not the first.
        {"chain",
         {{0, 5, true, true}, {30, 40, true, true}, {35, 50, true, false}, {3, 4, true, true}},
         {{0, 5, true, true}, {30, 50, true, false}, {3, 4, true, true}}},
        // A shifted later line inside an earlier one must not cut it short.
        {"inside", {{30, 50, true, false}, {35, 45, true, true}}, {{30, 50, true, false}}},
        // One that reaches further back extends the start.
        {"before", {{30, 50, false, true}, {20, 55, true, true}}, {{20, 55, true, true}}},
    };
    for (const auto& c : cases) {
        std::vector<DistData> lines = c.lines;
        PathTask::ConnectLines(lines);
        EXPECT_EQ(Describe(lines), Describe(c.want)) << c.name;
    }
}

// The lines AppendLinePair lays at `walk` pixels along a task over `points`, then the gain.
std::string LinePair(int type, double lengain, int position, std::vector<PathPoint> points,
                     double walk, double runStart, double half, double gain) {
    MoveEffectParam param = SteadyParam(type, 50);
    param.lengain = lengain;
    param.position = position;
    const bool circle = type == VELTRIX_TYPE_CIRCLE;
    const TestImage image(400, 400, [](int, int) { return false; });
    MoveEffectFilter filter(param, 1);
    MoveEffectImageParam base = image.Param();
    filter.SetBaseImage(&base);
    filter.SetTarget(CircleTarget{0, 0, 100.0, 100.0, 0.0, 0.0});
    PathTask task(&filter, circle ? filter.circleTarget.get() : nullptr);
    for (size_t i = 0; i < points.size(); ++i) {
        task.AppendPathSegment({i == 0 ? PathSegment::kMove : PathSegment::kLine, {points[i]}});
    }
    task.path.PrepareSegments(circle);
    std::vector<DistData> lines;
    task.AppendLinePair(lines, task.path.MoveNext(walk), runStart, gain, half);
    std::ostringstream text;
    text << Describe(lines) << " gain " << gain;
    return text.str();
}

TEST(PathTask, LinePairPlacementGainAndPosition) {
    const int parallel = VELTRIX_TYPE_PARALLEL;
    // The length gain grows along the parallel path: 150 of 300 pixels along.
    EXPECT_EQ(LinePair(parallel, 1, 0, {{0, 0}, {300, 0}}, 150, 100, 5, 0),
              "[94.5<155.5>] gain 0.5");
    // A ring's grows with the distance from its centre: 2 at each end 100 pixels out.
    EXPECT_EQ(LinePair(VELTRIX_TYPE_CIRCLE, 1, 0, {{100, 0}, {0, 100}, {-100, 0}}, 0, -3, 5, 0),
              "[-10<7>] gain 2");
    // The position moves both ends; a reversed interval is dropped.
    EXPECT_EQ(LinePair(parallel, 0, 3, {{0, 0}, {300, 0}}, 60, 40, 5, 0), "[38<68>] gain 0");
    EXPECT_EQ(LinePair(parallel, 0, 3, {{0, 0}, {300, 0}}, 60, 40, -20, 0), " gain 0");
    // A path of length 0 gets no gain, whatever was passed in.
    EXPECT_EQ(LinePair(VELTRIX_TYPE_RADIATE, 5, 0, {{10, 10}, {10, 10}}, 0, 0, 5, 7),
              "[-5<5>] gain 0");
}

struct CancelLog {
    int calls = 0;
};

int CancelAtOnce(int, int, void* user) {
    ++static_cast<CancelLog*>(user)->calls;
    return 0;
}

std::shared_ptr<PathTask> HorizontalPath(MoveEffectFilter& filter, double y) {
    auto task = std::make_shared<PathTask>(&filter, nullptr);
    task->AppendPathSegment({PathSegment::kMove, {{0, y}}});
    task->AppendPathSegment({PathSegment::kLine, {{100, y}}});
    return task;
}

TEST(PathTask, CancelAtTheFirstProgressStopsTheLaterTasksAndKeepsWhatWasDrawn) {
    // One worker runs the first path, then a gate that holds it until the host's answer has
    // cancelled the run; the two paths behind the gate must draw nothing.
    const TestImage image(100, 60, [](int, int) { return true; });
    MoveEffectFilter filter(SteadyParam(VELTRIX_TYPE_PARALLEL, 20), 1);
    PathParser guide;
    guide.CreateLine();
    filter.AttachGuide(&guide);
    MoveEffectImageParam base = image.Param();
    filter.SetBaseImage(&base);
    CancelLog log;
    filter.SetProgressCallback(&CancelAtOnce, &log);

    filter.pool.Enqueue(HorizontalPath(filter, 10));
    Latch gate;
    filter.pool.Enqueue(std::make_shared<GatedTask>(&gate));
    filter.pool.Enqueue(HorizontalPath(filter, 30));
    filter.pool.Enqueue(HorizontalPath(filter, 50));
    filter.pool.SetProgressCallback(&MoveEffectFilter::OnProgress, &filter);
    filter.pool.Run();

    EXPECT_EQ(log.calls, 1);
    TestLayer layer(100, 60);
    MoveEffectCanvasParam canvas = layer.Param();
    filter.DrawToCanvas(canvas.colorMode, canvas.depth, canvas.color, canvas.pixels,
                        canvas.rowBytes);
    EXPECT_EQ(layer.At(50, 10), 255);
    EXPECT_EQ(layer.At(50, 30), 0);
    EXPECT_EQ(layer.At(50, 50), 0);
}

TEST(PathTask, HostileSettingsWithHostileTargetsEnd) {
    // Each hostile setting meets each target, in every layout: sanitized builds check the
    // conversions the layouts and lines make of them.
    const TestImage image(100, 100, [](int, int) { return true; });
    constexpr int32_t hi = std::numeric_limits<int32_t>::max();
    constexpr int32_t lo = std::numeric_limits<int32_t>::min();
    void (*const tweaks[])(MoveEffectParam&) = {
        [](MoveEffectParam& p) { p.curvature = nan; }, [](MoveEffectParam& p) { p.size = inf; },
        [](MoveEffectParam& p) { p.hardness = nan; },  [](MoveEffectParam& p) { p.spcgain = -inf; },
        [](MoveEffectParam& p) { p.spacing = hi; },    [](MoveEffectParam& p) { p.spacing = lo; },
        [](MoveEffectParam& p) { p.position = lo; },   [](MoveEffectParam& p) { p.length = hi; },
    };
    const PointTarget targets[] = {{{50, 50}, {60, 50}, {90, 50}},
                                   {{lo, lo}, {hi, hi}, {hi, lo}},
                                   {{hi, hi}, {hi, hi}, {hi, hi}}};
    for (const auto tweak : tweaks) {
        for (int type : {0, 1, 2}) {
            for (const PointTarget& target : targets) {
                MoveEffectParam param = SteadyParam(type, 25);
                tweak(param);
                Draw(param, target, image);
            }
        }
    }
}

// The coloured layers of one run on one worker with and without crossing unseen stretches.
std::pair<std::vector<uint8_t>, std::vector<uint8_t>> CrossedAndWalked(const MoveEffectParam& param,
                                                                       const PointTarget& target,
                                                                       const TestImage& image,
                                                                       const char* guide) {
    std::vector<uint8_t> drawn[2];
    SetDrawWorkerCount(1);
    for (const bool cross : {true, false}) {
        PathTask::crossUnseenStretches = cross;
        drawn[cross ? 0 : 1] = DrawColoured(param, target, image, guide);
    }
    PathTask::crossUnseenStretches = true;
    SetDrawWorkerCount(0);
    return {drawn[0], drawn[1]};
}

TEST(PathTask, CrossingUnseenStretchesGivesTheBytesOfThePlainWalk) {
    // Long lines run far past the canvas at many angles, axis-parallel ones included; the
    // dirty rectangle (which decides where the layer gets colour) must match too.
    std::mt19937 generator(7);
    const TestImage image(64, 48, [&](int x, int y) { return (x * 13 + y * 7) % 17 < 9; });
    for (int round = 0; round < 24; ++round) {
        MoveEffectParam param = SteadyParam(
            round % 2 == 0 ? VELTRIX_TYPE_RADIATE : VELTRIX_TYPE_PARALLEL, round % 2 == 0 ? 90 : 7);
        param.length = 3000 + static_cast<int>(generator() % 4000);
        param.asdist = round % 3 == 0;
        param.in = (generator() % 100) / 100.0 * (param.asdist ? 3000 : 1);
        param.out = (generator() % 100) / 100.0 * (param.asdist ? 3000 : 1);
        param.easing = round % 4 == 1;
        param.size = 1 + generator() % 12;
        param.hardness = (generator() % 5) / 4.0;
        const int cx = static_cast<int>(generator() % 64);
        const int cy = static_cast<int>(generator() % 48);
        const PointTarget target{{cx, cy},
                                 {cx + static_cast<int>(generator() % 41) - 20, cy},
                                 {cx + static_cast<int>(generator() % 61) - 30,
                                  cy + static_cast<int>(generator() % 61) - 30}};
        const auto [crossed, walked] = CrossedAndWalked(param, target, image, ":S");
        ASSERT_EQ(crossed, walked) << "round " << round;
    }
}

TEST(PathTask, ScanCrossingFarStretchesGivesTheBytesOfThePlainWalk) {
    // Paths that spend a hundred thousand pixels or more away from the canvas, over many curve
    // pieces or around a vast ring, and pass it once: the scan crosses the unseen stretches in
    // one move where the plain walk steps every pixel.
    const TestImage image(64, 48, [](int x, int y) { return (x * 5 + y * 3) % 11 < 7; });
    const struct {
        const char* name;
        int type;
        int spacing;
        PointTarget target;
    } cases[] = {
        {"parallel curves from afar",
         VELTRIX_TYPE_PARALLEL,
         12,
         {{-300000, 20}, {40, 30}, {-300000, 60}}},
        {"radiating curves from afar",
         VELTRIX_TYPE_RADIATE,
         1000,
         {{-200000, 24}, {-199990, 24}, {60, 24}}},
        {"a vast ring through the canvas",
         VELTRIX_TYPE_CIRCLE,
         400,
         {{32 - 100000, 100024}, {32 + 100000, 100024}, {32, 24}}},
    };
    for (const auto& c : cases) {
        MoveEffectParam param = SteadyParam(c.type, c.spacing);
        param.length = 30;
        const auto [crossed, walked] = CrossedAndWalked(param, c.target, image, ":C");
        EXPECT_NE(std::count(crossed.begin(), crossed.end(), 0), crossed.size()) << c.name;
        EXPECT_EQ(crossed, walked) << c.name;
    }
}

TEST(PathTask, ChainsCrossingFarRunsOfPiecesGiveTheBytesOfThePlainWalk) {
    // A vast curvature bows a path from (0, 1) a hundred thousand pixels away and back to
    // (2, 1). Only its start is marked, and its one line, long enough to span the whole path,
    // draws the return too: once the chain has widened the dirty rectangle to the whole canvas,
    // it crosses the far run of pieces in one move where the plain walk steps every pixel, and
    // must not cross any of the return.
    const TestImage image(3, 3, [](int x, int) { return x == 0; });
    MoveEffectParam param = SteadyParam(VELTRIX_TYPE_PARALLEL, 1000);
    param.curvature = 4000;
    param.length = 600000;
    param.size = 5;
    param.hardness = 0.0;
    const auto [crossed, walked] =
        CrossedAndWalked(param, PointTarget{{0, 1}, {2, 1}, {0, 5000}}, image, ":C");
    EXPECT_NE(std::count(crossed.begin(), crossed.end(), 0), crossed.size());
    EXPECT_EQ(crossed, walked);
}

}  // namespace
