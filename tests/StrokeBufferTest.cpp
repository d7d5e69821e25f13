// Stroke buffer: the soft dab, the dab chain of a line, the dirty rectangle, concurrency, and
// what drawing costs beyond time: no heap per dab or segment.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include "AllocationCounter.h"
#include "FilterTestSupport.h"
#include "Latch.h"
#include "ReferenceRasteriser.h"

using testsupport::Canvas;
using testsupport::PenParam;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::vector<uint8_t> Row(const Canvas& canvas, int32_t y, int32_t x0, int32_t x1) {
    std::vector<uint8_t> row;
    for (int32_t x = x0; x < x1; ++x) {
        row.push_back(canvas.At(x, y));
    }
    return row;
}

TEST(DrawCircle, HardDabOfDiameterFourCoversNinePixels) {
    Canvas canvas(PenParam(1, 1.0), 10, 10);
    canvas->DrawCircle(5.5, 5.5, 4.0);
    for (int y = 4; y <= 6; ++y) {
        EXPECT_EQ(Row(canvas, y, 4, 7), (std::vector<uint8_t>{255, 255, 255})) << "row " << y;
    }
    // The rim: half of the 16 samples of (3, 5) and a quarter of those of (3, 4) lie inside;
    // the corner pixels' corners all lie outside.
    EXPECT_EQ(Row(canvas, 5, 2, 9), (std::vector<uint8_t>{0, 128, 255, 255, 255, 128, 0}));
    EXPECT_EQ(Row(canvas, 4, 2, 9), (std::vector<uint8_t>{0, 64, 255, 255, 255, 64, 0}));
    EXPECT_EQ(Row(canvas, 3, 2, 9), (std::vector<uint8_t>{0, 0, 64, 128, 64, 0, 0}));
    EXPECT_EQ(canvas.Rect(), (std::vector<int32_t>{3, 3, 8, 8}));
}

TEST(DrawCircle, SoftDabFadesOverTheRim) {
    // Hardness 0.5: solid to radius 1.25, then (1 - (s - 1.25) / 1.25)^3 out to 2.5.
    Canvas canvas(PenParam(1, 0.5), 12, 12);
    canvas->DrawCircle(6.0, 6.0, 5.0);
    EXPECT_EQ(Row(canvas, 5, 2, 10), (std::vector<uint8_t>{0, 1, 113, 255, 255, 113, 1, 0}));
    EXPECT_EQ(Row(canvas, 4, 2, 10), (std::vector<uint8_t>{0, 0, 18, 113, 113, 18, 0, 0}));
    EXPECT_EQ(Row(canvas, 3, 2, 10), (std::vector<uint8_t>{0, 0, 0, 1, 1, 0, 0, 0}));
}

TEST(DrawCircle, NegativeHardnessSaturatesTheRim) {
    // Hardness -0.5 gives exponent -1: rim samples exceed 1 and the sum far exceeds 16.
    Canvas canvas(PenParam(1, -0.5), 12, 12);
    canvas->DrawCircle(6.0, 6.0, 8.0);
    EXPECT_EQ(canvas.At(3, 5), 255);
    EXPECT_EQ(canvas.At(2, 3), 255);
    EXPECT_EQ(canvas.At(2, 2), 0);
}

TEST(DrawCircle, DabOffTheCanvasStillWidensTheRectangle) {
    struct Case {
        double x, y;
        std::vector<int32_t> rect;
    };
    // On a 16 x 16 canvas with diameter 4: each off-canvas side clamps its edge.
    const Case cases[] = {
        {-10.0, -10.0, {0, 0, 0, 0}},     // above left: both minima to 0
        {30.0, 5.5, {16, 3, 16, 8}},      // right: maxX to the width, rows as drawn
        {8.5, 40.0, {6, 16, 11, 16}},     // below: maxY to the height, columns as drawn
        {1e300, -1e300, {16, 0, 16, 0}},  // huge coordinates convert without overflow
        {-kInf, kInf, {0, 16, 0, 16}},    // so do infinite ones
    };
    for (const Case& c : cases) {
        Canvas canvas(PenParam(1, 1.0), 16, 16);
        canvas->DrawCircle(c.x, c.y, 4.0);
        EXPECT_EQ(canvas.Rect(), c.rect) << c.x << ", " << c.y;
        EXPECT_EQ(canvas.Coverage(), std::vector<uint8_t>(256, 0)) << c.x << ", " << c.y;
    }
}

TEST(DrawCircle, UndefinedExtentDrawsNothing) {
    Canvas canvas(PenParam(1, 1.0), 8, 8);
    for (const double v : {kNaN, -kNaN}) {
        canvas->DrawCircle(v, 4.0, 4.0);
        canvas->DrawCircle(4.0, v, 4.0);
        canvas->DrawCircle(4.0, 4.0, v);
    }
    canvas->DrawCircle(kInf, 4.0, kInf);
    canvas->DrawCircle(4.0, -kInf, -kInf);
    EXPECT_EQ(canvas.Rect(), canvas.EmptyRect());
    EXPECT_EQ(canvas.Coverage(), std::vector<uint8_t>(64, 0));
}

TEST(DrawLine, PlacesDabsOneStepPastEachPosition) {
    const struct {
        const char* name;
        double size;
        double y;
        PathPoint from, to;
        std::vector<double> dabs;  // x of each dab
    } cases[] = {
        // Pen 2 at full pressure steps 1 pixel: the last dab lies one step past the end.
        {"pen 2 steps 1 pixel", 2, 5.5, {2.5, 5.5}, {6.5, 5.5}, {3.5, 4.5, 5.5, 6.5, 7.5}},
        {"a small pen steps by its diameter", 0.5, 4.0, {1.0, 4.0}, {2.0, 4.0}, {1.5, 2.0, 2.5}},
    };
    for (const auto& c : cases) {
        Canvas line(PenParam(c.size, 0.5), 16, 16);
        line->DrawLine(c.from, 1.0, c.to, 1.0);
        Canvas dabs(PenParam(c.size, 0.5), 16, 16);
        for (const double x : c.dabs) {
            dabs->DrawCircle(x, c.y, c.size);
        }
        EXPECT_EQ(line.Coverage(), dabs.Coverage()) << c.name;
        EXPECT_EQ(line.Rect(), dabs.Rect()) << c.name;
    }
}

TEST(DrawLine, DrawsNothingWithoutADab) {
    struct Case {
        const char* name;
        double size;
        PathPoint from, to;
        double p0, p1;
    };
    const Case cases[] = {
        {"zero length", 4.0, {10, 10}, {10, 10}, 1.0, 1.0},
        {"zero pressure", 4.0, {10, 60}, {110, 60}, 0.0, 0.0},
        {"negative pressure", 4.0, {10, 60}, {110, 60}, -1.0, -3.0},
        {"pen below 0.1", 0.05, {10, 60}, {110, 60}, 1.0, 1.0},
        {"zero pen", 0.0, {10, 60}, {110, 60}, 1.0, 1.0},
        {"nan point", 4.0, {kNaN, 60}, {110, 60}, 1.0, 1.0},
        {"infinite point", 4.0, {10, 60}, {110, kInf}, 1.0, 1.0},
        {"nan pressure", 4.0, {10, 60}, {110, 60}, 1.0, kNaN},
        {"infinite pressure", 4.0, {10, 60}, {110, 60}, kInf, 1.0},
        {"nan pen", kNaN, {10, 60}, {110, 60}, 1.0, 1.0},
        {"infinite pen", kInf, {10, 60}, {110, 60}, 1.0, 1.0},
        {"length overflows", 4.0, {-1.7e308, 60}, {1.7e308, 60}, 1.0, 1.0},
    };
    for (const Case& c : cases) {
        Canvas canvas(PenParam(c.size, 0.5), 128, 128);
        canvas->DrawLine(c.from, c.p0, c.to, c.p1);
        EXPECT_EQ(canvas.Rect(), canvas.EmptyRect()) << c.name;
        EXPECT_EQ(canvas.Coverage(), std::vector<uint8_t>(128 * 128, 0)) << c.name;
    }
}

TEST(DrawLine, HugeSegmentsDrawLikeTheirCanvasStretch) {
    // Steps of 1 from whole x: the clipped walk keeps the phase of the full one.
    Canvas huge(PenParam(4, 0.5), 16, 16);
    huge->DrawLine({-1e15, 5.5}, 1.0, {1e15, 5.5}, 1.0);
    Canvas plain(PenParam(4, 0.5), 16, 16);
    plain->DrawLine({-100, 5.5}, 1.0, {116, 5.5}, 1.0);
    EXPECT_EQ(huge.Coverage(), plain.Coverage());
    EXPECT_EQ(huge.Rect(), plain.Rect());
    EXPECT_EQ(huge.Rect(), (std::vector<int32_t>{0, 3, 16, 8}));
    // Diagonally across a larger canvas.
    Canvas diagonal(PenParam(3, 1.0), 32, 32);
    diagonal->DrawLine({-3e14, -3e14}, 1.0, {3e14, 3e14}, 1.0);
    for (int i = 1; i < 31; ++i) {
        EXPECT_EQ(diagonal.At(i, i), 255) << i;
    }
    EXPECT_EQ(diagonal.At(30, 1), 0);
    EXPECT_EQ(diagonal.Rect(), (std::vector<int32_t>{0, 0, 32, 32}));
}

TEST(DrawLine, SkippedDabsWidenTheRectangleAsIfDrawn) {
    struct Case {
        const char* name;
        PathPoint from, to, shortFrom, shortTo;
        double p0, p1;
    };
    // Each huge segment against one short enough to walk whole, with the same dabs near the
    // canvas and the same extremes far from it.
    const Case cases[] = {
        // Wholly above the canvas, slanting: columns from the first to the last dab.
        {"slanted above", {10.5, -1e12}, {40.5, -20}, {10.5, -1e4}, {40.5, -20}, 1.0, 1.0},
        // The first dab is the smallest one, where the pen reaches 0.1.
        {"rising above", {10.5, -1e12}, {40.5, -20}, {10.5, -1e4}, {40.5, -20}, 0.0, 1.0},
        // The leftmost edge lies where the pressure reaches 1, halfway.
        {"clamped ramp above", {10.5, -1e12}, {20.5, -20}, {10.5, -1e4}, {20.5, -20}, -1.0, 3.0},
        // Wholly left of it, upright: minX goes to 0, the rows are those drawn.
        {"upright left", {-30.5, 6.5}, {-30.5, 1e13}, {-30.5, 6.5}, {-30.5, 4e4}, 1.0, 1.0},
        // Across it with rising pressure: the widest rows come from the far end only.
        {"rising across", {-1e12, 8.5}, {1e12, 8.5}, {-2e4, 8.5}, {2e4, 8.5}, 0.0, 1.0},
        // Falling to nothing beyond the canvas: dabs stop where the pen gets below 0.1.
        {"falling", {-1e12, 8.5}, {3e12, 8.5}, {-1e4, 8.5}, {3e4, 8.5}, 1.0, -1.0},
    };
    const std::vector<int32_t> expected[] = {{6, 0, 45, 0}, {10, 0, 45, 0}, {11, 0, 25, 0},
                                             {0, 3, 0, 32}, {0, 4, 64, 13}, {0, 4, 64, 13}};
    int index = 0;
    for (const Case& c : cases) {
        Canvas huge(PenParam(8, 0.5), 64, 32);
        huge->DrawLine(c.from, c.p0, c.to, c.p1);
        Canvas plain(PenParam(8, 0.5), 64, 32);
        plain->DrawLine(c.shortFrom, c.p0, c.shortTo, c.p1);
        EXPECT_EQ(huge.Rect(), plain.Rect()) << c.name;
        EXPECT_EQ(huge.Rect(), expected[index++]) << c.name;
    }
}

TEST(DrawLine, ConcurrentWorkersGiveTheBytesOfOneThread) {
    constexpr int kThreads = 4;
    constexpr int kLines = 60;
    // Overlapping soft lines in a star around the centre, and dabs off the canvas.
    const auto draw = [](Canvas& canvas, int thread, int i) {
        const double angle = (thread * kLines + i) * 0.1309;
        canvas->DrawLine(
            {32.0 + 3.0 * std::cos(angle), 32.0 + 3.0 * std::sin(angle)}, 0.2 + 0.01 * i,
            {32.0 + 40.0 * std::cos(angle * 1.7), 32.0 + 30.0 * std::sin(angle * 1.7)}, 1.0);
        canvas->DrawCircle(-5.0 - thread, 70.0 + i, 2.0);
    };
    Canvas shared(PenParam(6, 0.3), 64, 64);
    Latch gate(kThreads);  // starts all workers at once, so their dabs interleave
    std::vector<std::thread> workers;
    for (int thread = 0; thread < kThreads; ++thread) {
        workers.emplace_back([&, thread] {
            gate.ArriveAndWait();
            for (int i = 0; i < kLines; ++i) {
                draw(shared, thread, i);
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    // One thread, in reverse order: the atomic maximum makes the order irrelevant.
    Canvas single(PenParam(6, 0.3), 64, 64);
    for (int n = kThreads * kLines - 1; n >= 0; --n) {
        draw(single, n / kLines, n % kLines);
    }
    EXPECT_EQ(shared.Coverage(), single.Coverage());
    EXPECT_EQ(shared.Rect(), single.Rect());
}

TEST(RasteriserCost, DabsAndSegmentsAllocateNothing) {
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

TEST(RasteriserCost, LinesWhollyOffTheCanvasWidenTheRectangleLikeTheReference) {
    // Long tapered lines beside, above and below the canvas, and across its corners' far side:
    // no pixel changes, and the rectangle is that of every dab.
    struct Case {
        PathPoint from, to;
        double p0, p1;
    };
    const Case cases[] = {
        {{-40, -30}, {-40, 5000}, 0.0, 1.0},       // left of the canvas, downwards
        {{-3000, -9}, {4000, -9.5}, 1.0, 0.2},     // above it, pen reaching towards row 0
        {{70, 4000}, {70, 61}, 0.3, 1.0},          // below it, ending one pen from the edge
        {{-500, 300}, {300, -500}, 1.0, 1.0},      // across the top left corner's far side
        {{90.5, -7.25}, {90.5, -7.25}, 1.0, 1.0},  // no length: nothing at all
    };
    for (const Case& c : cases) {
        Canvas fast(PenParam(8.0, 0.5), 64, 48);
        Canvas plain(PenParam(8.0, 0.5), 64, 48);
        fast->DrawLine(c.from, c.p0, c.to, c.p1);
        reference::DrawLine(*plain, c.from, c.p0, c.to, c.p1);
        EXPECT_EQ(fast.Rect(), plain.Rect()) << c.from.x << "," << c.from.y;
        EXPECT_EQ(fast.Coverage(), std::vector<uint8_t>(64 * 48, 0));
    }
}

}  // namespace
