// Differential tests: the rasteriser's fast paths and the line tasks' crossing of unseen
// stretches against the straightforward rasteriser and the plain walk, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "DrawHarness.h"
#include "filter/raster/DabMath.h"
#include "filter/raster/LineSweep.h"

namespace {

// Where two canvases first differ, or "" when their bytes and dirty rectangles agree.
std::string FirstDifference(const Canvas& fast, const Canvas& plain) {
    const auto a = fast.Coverage();
    const auto b = plain.Coverage();
    const auto at = std::mismatch(a.begin(), a.end(), b.begin()).first - a.begin();
    std::ostringstream text;
    if (fast.Rect() != plain.Rect()) {
        text << "rect " << fast.Rect()[0] << "," << fast.Rect()[1] << " vs " << plain.Rect()[0]
             << "," << plain.Rect()[1];
    } else if (at < static_cast<long>(a.size())) {
        text << "pixel " << at % fast.Width() << "," << at / fast.Width() << ": " << int(a[at])
             << " vs " << int(b[at]);
    }
    return text.str();
}

// Random geometry; coordinates sometimes on a 1/8-pixel grid, where samples land exactly on
// rims and cores.
class Geometry {
  public:
    explicit Geometry(uint64_t seed) : random(seed) {}
    double Uniform(double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(random);
    }
    /// Log-uniform between lo and hi; one time in four a whole or half number.
    double Size(double lo, double hi) {
        const double v = lo * std::pow(hi / lo, Uniform(0.0, 1.0));
        return OneIn(4) ? std::max(lo, std::round(v * 2.0) / 2.0) : v;
    }
    double Coordinate(double lo, double hi) {
        const double v = Uniform(lo, hi);
        return OneIn(3) ? std::round(v * 8.0) / 8.0 : v;
    }
    /// A pressure in [0, 1], often exactly 0 or 1.
    double Pressure() {
        const int pick = static_cast<int>(random() % 6);
        return pick == 0 ? 0.0 : pick == 1 ? 1.0 : Uniform(0.0, 1.0);
    }
    double Hardness() { return static_cast<int>(Uniform(0, 21)) / 20.0; }
    /// One time in three a multiple of 45 degrees.
    double Angle() { return OneIn(3) ? (Uniform(0, 8) - 4) * M_PI / 4 : Uniform(-3.2, 3.2); }
    bool OneIn(int n) { return random() % n == 0; }

  private:
    std::mt19937_64 random;
};

// Dab and line tests run with the kernel this processor gets and with the baseline one.
class RasteriserDifferential : public ::testing::TestWithParam<bool> {
  protected:
    TestRun Run() const { return TestRun{1, false, GetParam()}; }
};

INSTANTIATE_TEST_SUITE_P(Kernels, RasteriserDifferential, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Baseline" : "Widest";
                         });

TEST_P(RasteriserDifferential, DabsMatchTheReference) {
    Geometry g(1);
    // Diameters 0.1 to 100 at every hardness, anywhere from well off one edge to well off the
    // other, several into one buffer so that they meet earlier coverage.
    for (int group = 0; group < 126; ++group) {
        const double hardness = (group / 6) / 20.0;
        Canvas fast(PenParam(1, hardness), 61, 47, Run());
        Canvas plain(PenParam(1, hardness), 61, 47);
        for (int i = 0; i < 6; ++i) {
            const double diameter = g.Size(0.1, 100.0);
            const double reach = diameter * 0.5 + 3.0;
            const double x = g.Coordinate(-reach, 61 + reach);
            const double y = g.Coordinate(-reach, 47 + reach);
            fast->DrawCircle(x, y, diameter);
            reference::DrawCircle(plain->strokes, x, y, diameter);
        }
        ASSERT_EQ(FirstDifference(fast, plain), "") << "hardness " << hardness;
    }
    // Hundreds of wide soft dabs whose rims cross one small patch, as where many lines cross:
    // most pixel visits meet coverage the new dab can only just reach or not at all.
    for (int step = 0; step < 20; ++step) {
        Canvas fast(PenParam(1, step / 20.0), 16, 16, Run());
        Canvas plain(PenParam(1, step / 20.0), 16, 16);
        for (int i = 0; i < 1000; ++i) {
            const double diameter = g.Size(2.0, 2000.0);
            const double reach = diameter * 0.5 * g.Uniform(0.0, 1.0);
            const double angle = g.Uniform(-3.2, 3.2);
            const double x = g.Coordinate(0.0, 16.0) + reach * std::cos(angle);
            const double y = g.Coordinate(0.0, 16.0) + reach * std::sin(angle);
            fast->DrawCircle(x, y, diameter);
            reference::DrawCircle(plain->strokes, x, y, diameter);
        }
        ASSERT_EQ(FirstDifference(fast, plain), "") << "hardness " << step / 20.0;
    }
}

TEST_P(RasteriserDifferential, LinesMatchTheReference) {
    Geometry g(2);
    // Segments of every length and direction with pressure ramps, across the edges too.
    for (int group = 0; group < 60; ++group) {
        const double size = g.Size(0.1, 40.0);
        const double hardness = g.Hardness();
        Canvas fast(PenParam(size, hardness), 80, 64, Run());
        Canvas plain(PenParam(size, hardness), 80, 64);
        for (int i = 0; i < 8; ++i) {
            const double reach = size * 0.5 + 4.0;
            const PathPoint from{g.Coordinate(-reach, 80 + reach),
                                 g.Coordinate(-reach, 64 + reach)};
            const double length = g.OneIn(4) ? g.Uniform(0.0, 120.0) : g.Uniform(0.0, 6.0);
            const double angle = g.Angle();
            const PathPoint to{from.x + length * std::cos(angle),
                               from.y + length * std::sin(angle)};
            const double p0 = g.Pressure();
            const double p1 = g.Pressure();
            fast->DrawLine(from, p0, to, p1);
            reference::DrawLine(plain->strokes, from, p0, to, p1);
        }
        ASSERT_EQ(FirstDifference(fast, plain), "") << "group " << group;
    }
    // Lines as the line tasks draw them: one-pixel segments whose pressure rises, holds and
    // falls, so that consecutive dabs share their pixels.
    for (int group = 0; group < 24; ++group) {
        const double size = g.Size(1.0, 24.0);
        const double hardness = g.Hardness();
        Canvas fast(PenParam(size, hardness), 96, 96, Run());
        Canvas plain(PenParam(size, hardness), 96, 96);
        const double angle = g.Angle();
        const PathPoint start{g.Coordinate(0, 96), g.Coordinate(0, 96)};
        const int length = 20 + static_cast<int>(g.Uniform(0, 80));
        double previous = 0.0;
        PathPoint p0 = start;
        for (int t = 0; t <= length; ++t) {
            const double ramp = std::min({1.0, t / 10.0, (length - t) / 10.0});
            const PathPoint p1{start.x + std::cos(angle) * (t + 1),
                               start.y + std::sin(angle) * (t + 1)};
            fast->DrawLine(p0, previous, p1, ramp);
            reference::DrawLine(plain->strokes, p0, previous, p1, ramp);
            p0 = p1;
            previous = ramp;
        }
        ASSERT_EQ(FirstDifference(fast, plain), "") << "chain " << group;
    }
}

// A line as the line tasks walk it: points one pixel apart along a path, each step drawn as a
// segment from the last point with the last pressure.
struct Chain {
    std::vector<PathPoint> points;
    std::vector<double> pressures;
};

// Straight lines, arcs (some longer than a lap), U-turns narrower than the pen and zigzags,
// with tapers in and out, anywhere from off the canvas to across it.
Chain RandomChain(Geometry& g, double side) {
    Chain chain;
    const int kind = static_cast<int>(g.Uniform(0, 4));
    const int length = 2 + static_cast<int>(g.Uniform(0, 3 * side));
    const double taperIn = g.OneIn(3) ? 0.0 : g.Uniform(0.0, 0.6);
    const double taperOut = g.OneIn(3) ? 0.0 : g.Uniform(0.0, 0.6);
    PathPoint at{g.Coordinate(-0.3 * side, 1.3 * side), g.Coordinate(-0.3 * side, 1.3 * side)};
    double angle = g.Angle();
    const double radius = g.Size(1.0, side);
    const double turn = g.Uniform(-0.5, 0.5);
    for (int t = 0; t <= length; ++t) {
        const double along = length > 0 ? static_cast<double>(t) / length : 0.0;
        double pressure = 1.0;
        if (taperIn > 0.0 && along < taperIn) {
            pressure = along / taperIn;
        }
        if (taperOut > 0.0 && 1.0 - along < taperOut) {
            pressure = std::min(pressure, (1.0 - along) / taperOut);
        }
        chain.points.push_back(at);
        chain.pressures.push_back(pressure);
        switch (kind) {
            case 0:  // straight
                break;
            case 1:  // an arc of the radius, one pixel a step
                angle += 1.0 / radius;
                break;
            case 2:  // out and back a fraction of a pixel aside
                if (t == length / 2) {
                    angle += M_PI;
                    at.x += 0.3 * std::cos(angle + M_PI / 2);
                    at.y += 0.3 * std::sin(angle + M_PI / 2);
                }
                break;
            default:  // a random walk of turns
                angle += turn * g.Uniform(-1.0, 1.0);
                break;
        }
        at = {at.x + std::cos(angle), at.y + std::sin(angle)};
    }
    return chain;
}

TEST_P(RasteriserDifferential, SweptLinesMatchTheReference) {
    Geometry g(3);
    // Pens from below a pixel to wider than the canvas at every hardness; several chains into
    // one buffer so that they cross earlier coverage, some flushed at each line's end and some
    // in windows that span lines.
    for (int group = 0; group < 160; ++group) {
        const double size = group % 16 == 15 ? g.Size(100.0, 400.0) : g.Size(0.5, 64.0);
        // Hard pens, and the hardnesses whose powers are plain products, in turn.
        const double productHardness[4] = {0.0, 0.25, 0.5, 0.75};
        const double hardness = group % 5 == 0   ? 1.0
                                : group % 5 == 1 ? productHardness[group / 5 % 4]
                                                 : g.Hardness();
        const int side = 48 + static_cast<int>(g.Uniform(0, 48));
        Canvas fast(PenParam(size, hardness), side, side - 7, Run());
        Canvas plain(PenParam(size, hardness), side, side - 7);
        {
            LineSweep sweep(fast->strokes);
            for (int line = 0; line < 4; ++line) {
                const Chain chain = RandomChain(g, side);
                for (size_t i = 1; i < chain.points.size(); ++i) {
                    const double p0 = chain.pressures[i - 1];
                    const double p1 = chain.pressures[i];
                    fast->strokes.DrawLine(chain.points[i - 1], p0, chain.points[i], p1, &sweep);
                    reference::DrawLine(plain->strokes, chain.points[i - 1], p0, chain.points[i],
                                        p1);
                }
                if (group % 2 == 0) {
                    sweep.Flush();
                }
            }
        }
        ASSERT_EQ(FirstDifference(fast, plain), "")
            << "group " << group << ", pen " << size << ", hardness " << hardness;
    }
}

TEST_P(RasteriserDifferential, SweptLinesTallerThanAWindowMatchTheReference) {
    // A line down a canvas far taller than a sweep's window of rows: the window is flushed as
    // it goes, and the row tables stay the same size whatever the canvas.
    Canvas fast(PenParam(20.0, 1.0), 30, 9000, Run());
    Canvas plain(PenParam(20.0, 1.0), 30, 9000);
    LineSweep sweep(fast->strokes);
    for (int t = 0; t < 9000; ++t) {
        const PathPoint from{15.0 + 6.0 * std::sin(t * 0.01), t - 20.0};
        const PathPoint to{15.0 + 6.0 * std::sin((t + 1) * 0.01), t - 19.0};
        fast->strokes.DrawLine(from, 1.0, to, 1.0, &sweep);
        reference::DrawLine(plain->strokes, from, 1.0, to, 1.0);
    }
    sweep.Flush();
    EXPECT_EQ(FirstDifference(fast, plain), "");
}

TEST_P(RasteriserDifferential, SweptLinesOfSteepAndDippingPressureMatchTheReference) {
    // Wide pens whose pressure ramps over a few pixels, dips and climbs again, or jumps at every
    // step, along straight lines and gentle bends: the solid cores a sweep fills at once then
    // change width fast along the line, and fall short of straight interpolation.
    Geometry g(5);
    for (int group = 0; group < 120; ++group) {
        const double size = g.Size(8.0, 64.0);
        const double hardness = group % 3 == 0 ? 1.0 : g.Hardness();
        Canvas fast(PenParam(size, hardness), 96, 80, Run());
        Canvas plain(PenParam(size, hardness), 96, 80);
        {
            LineSweep sweep(fast->strokes);
            const int profile = group % 4;
            const int length = 20 + static_cast<int>(g.Uniform(0, 100));
            const double ramp = g.Uniform(1.0, 12.0);
            const double turn = g.OneIn(2) ? 0.0 : g.Uniform(-0.02, 0.02);
            double angle = g.Angle();
            PathPoint at{g.Coordinate(-10, 106), g.Coordinate(-10, 90)};
            double previous = 0.0;
            for (int t = 0; t <= length; ++t) {
                const double middle = std::fabs(t - length * 0.5);
                double pressure;
                switch (profile) {
                    case 0:  // in and out over a few pixels
                        pressure = std::min({1.0, t / ramp, (length - t) / ramp});
                        break;
                    case 1:  // a dip to almost nothing halfway
                        pressure = std::min(1.0, 0.05 + middle / ramp);
                        break;
                    case 2:  // a pressure of its own at every step
                        pressure = g.Uniform(0.3, 1.0);
                        break;
                    default:  // a notch: held, then low for a few pixels, then held again
                        pressure = middle < ramp ? 0.4 : 1.0;
                        break;
                }
                angle += turn;
                const PathPoint next{at.x + std::cos(angle), at.y + std::sin(angle)};
                fast->strokes.DrawLine(at, previous, next, pressure, &sweep);
                reference::DrawLine(plain->strokes, at, previous, next, pressure);
                at = next;
                previous = pressure;
            }
        }
        ASSERT_EQ(FirstDifference(fast, plain), "")
            << "group " << group << ", pen " << size << ", hardness " << hardness;
    }
}

TEST_P(RasteriserDifferential, LongAndOffCanvasSegmentsMatchTheReference) {
    // Segments too long to walk dab by dab against shorter ones with the same extremes far from
    // the canvas (and, at constant pressure from a whole coordinate, the same dabs on it); and
    // lines wholly off the canvas, which change no pixel but widen the rectangle.
    const struct {
        PathPoint from, to, shortFrom, shortTo;
        double p0, p1;
        bool sameDabs;
    } cases[] = {
        {{-1e15, 5.5}, {1e15, 5.5}, {-100, 5.5}, {116, 5.5}, 1.0, 1.0, true},
        {{-3e14, -3e14}, {3e14, 3e14}, {-100, -100}, {164, 164}, 1.0, 1.0, false},
        {{10.5, -1e12}, {40.5, -20}, {10.5, -1e4}, {40.5, -20}, 0.0, 1.0, false},
        {{10.5, -1e12}, {20.5, -20}, {10.5, -1e4}, {20.5, -20}, -1.0, 3.0, false},
        {{-30.5, 6.5}, {-30.5, 1e13}, {-30.5, 6.5}, {-30.5, 4e4}, 1.0, 1.0, true},
        {{-1e12, 8.5}, {1e12, 8.5}, {-2e4, 8.5}, {2e4, 8.5}, 0.0, 1.0, false},
        {{-1e12, 8.5}, {3e12, 8.5}, {-1e4, 8.5}, {3e4, 8.5}, 1.0, -1.0, false},
        {{-40, -30}, {-40, 5000}, {-40, -30}, {-40, 5000}, 0.0, 1.0, true},
        {{-3000, -9}, {4000, -9.5}, {-3000, -9}, {4000, -9.5}, 1.0, 0.2, true},
        {{70, 4000}, {70, 61}, {70, 4000}, {70, 61}, 0.3, 1.0, true},
        {{-500, 300}, {300, -500}, {-500, 300}, {300, -500}, 1.0, 1.0, true},
    };
    for (const auto& c : cases) {
        Canvas fast(PenParam(8, 0.5), 64, 48, Run());
        Canvas plain(PenParam(8, 0.5), 64, 48);
        fast->DrawLine(c.from, c.p0, c.to, c.p1);
        reference::DrawLine(plain->strokes, c.shortFrom, c.p0, c.shortTo, c.p1);
        EXPECT_EQ(fast.Rect(), plain.Rect()) << c.from.x << "," << c.from.y;
        if (c.sameDabs) {
            EXPECT_EQ(fast.Coverage(), plain.Coverage()) << c.from.x << "," << c.from.y;
        }
    }
}

TEST(StrokeBufferExtents, DabsWithoutAnExtentStampAndWidenNothing) {
    // An infinite dab at an infinite centre has NaN edges; NaN anywhere has no extent at all.
    const double inf = INFINITY;
    const double nan = NAN;
    const double dabs[][3] = {{inf, 5, inf}, {-inf, 5, inf}, {5, inf, inf},  {nan, 5, 4},
                              {5, 5, nan},   {5, nan, 4},    {inf, inf, inf}};
    for (const auto& d : dabs) {
        Canvas canvas(PenParam(4, 1.0), 20, 10);
        canvas->DrawCircle(d[0], d[1], d[2]);
        const PixelRange range = canvas->strokes.WidenDirtyRect(d[0], d[1], d[2]);
        EXPECT_TRUE(range.x0 == 20 && range.y0 == 10 && range.x1 == 0 && range.y1 == 0);
        EXPECT_EQ(canvas.Rect(), (std::vector<int32_t>{20, 10, 0, 0}));
        const auto bytes = canvas.Coverage();
        EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; }));
    }
}

TEST(SoftSumBytes, EachThresholdIsTheLeastSumAboveItsByte) {
    // The kernels decide a soft pixel's byte by these thresholds; one ulp off would change a byte
    // only for sums that land on it, which random scenes never find.
    for (int c = 0; c < 255; ++c) {
        const double least = dab::LeastSumAbove(static_cast<uint8_t>(c));
        ASSERT_EQ(dab::ByteOf(least), c + 1) << c;
        ASSERT_EQ(dab::ByteOf(std::nextafter(least, 0.0)), c) << c;
    }
}

TEST(RasteriserDifferentialRuns, WholeRunsMatchTheReferenceAtEveryWorkerCountAndKernel) {
    struct Case {
        int type, width, height, spacing, length;
        double pen, hardness;
        PointTarget target;
    };
    std::vector<Case> cases = {
        {VELTRIX_TYPE_RADIATE, 256, 256, 150, 10, 4.0, 1.0, {{128, 128}, {128, 100}, {128, 10}}},
        {VELTRIX_TYPE_RADIATE, 200, 200, 400, 10, 7.5, 0.3, {{90, 120}, {150, 120}, {-40, 300}}},
        {VELTRIX_TYPE_PARALLEL, 256, 256, 23, 10, 3.0, 0.5, {{20, 240}, {30, 10}, {250, 250}}},
        {VELTRIX_TYPE_PARALLEL, 160, 160, 17, 10, 9.0, 0.0, {{-30, 40}, {200, 60}, {-20, 150}}},
        {VELTRIX_TYPE_CIRCLE, 256, 256, 31, 10, 2.5, 0.75, {{60, 128}, {196, 128}, {128, 40}}},
        {VELTRIX_TYPE_CIRCLE, 180, 180, 40, 10, 5.0, 0.05, {{-50, 90}, {100, 30}, {20, 0}}},
        // Wide pens, whose lines are swept pixel by pixel, tapered and crossing.
        {VELTRIX_TYPE_RADIATE, 160, 140, 300, 10, 24.0, 1.0, {{80, 70}, {80, 40}, {80, 5}}},
        {VELTRIX_TYPE_PARALLEL, 128, 128, 14, 10, 16.0, 0.5, {{10, 120}, {40, 5}, {120, 110}}},
        {VELTRIX_TYPE_CIRCLE, 128, 128, 12, 10, 20.0, 0.0, {{40, 64}, {88, 64}, {64, 40}}},
        // Pens far wider than the canvas: one dab fills the buffer, later ones are skipped.
        {VELTRIX_TYPE_RADIATE, 48, 48, 300, 10, 1e6, 1.0, {{24, 24}, {24, 10}, {24, 0}}},
        {VELTRIX_TYPE_PARALLEL, 40, 40, 9, 10, 1e9, 0.0, {{0, 5}, {40, 5}, {0, 40}}},
        {VELTRIX_TYPE_RADIATE, 48, 48, 300, 10, 300.0, 0.0, {{24, 24}, {24, 10}, {24, 0}}},
        // Paths that spend a hundred thousand pixels away from the canvas, over many curve
        // pieces or around a vast ring, and pass it once: the scan crosses the unseen stretches.
        {VELTRIX_TYPE_PARALLEL, 64, 48, 12, 30, 4, 1, {{-300000, 20}, {40, 30}, {-300000, 60}}},
        {VELTRIX_TYPE_RADIATE, 64, 48, 1000, 30, 4, 1, {{-200000, 24}, {-199990, 24}, {60, 24}}},
        {VELTRIX_TYPE_CIRCLE,
         64,
         48,
         400,
         30,
         4,
         1,
         {{32 - 100000, 100024}, {32 + 100000, 100024}, {32, 24}}},
    };
    // Long lines run far past the canvas at many angles, axis-parallel ones included: the
    // chains cross what lies off the canvas.
    std::mt19937 random(7);
    for (int round = 0; round < 16; ++round) {
        const int cx = static_cast<int>(random() % 64);
        const int cy = static_cast<int>(random() % 48);
        const int dx = static_cast<int>(random() % 41) - 20;
        const PointTarget target{
            {cx, cy},
            {cx + dx, cy},
            {cx + static_cast<int>(random() % 61) - 30, cy + static_cast<int>(random() % 61) - 30}};
        const bool radiate = round % 2 == 0;
        cases.push_back({radiate ? VELTRIX_TYPE_RADIATE : VELTRIX_TYPE_PARALLEL, 64, 48,
                         radiate ? 90 : 7, 3000 + static_cast<int>(random() % 4000),
                         1.0 + random() % 12, (random() % 5) / 4.0, target});
    }
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        const TestImage image(c.width, c.height,
                              [](int x, int y) { return (x * 5 + y * 3) % 97 < 80; });
        MoveEffectParam param = SteadyParam(c.type, c.spacing);
        param.size = c.pen;
        param.hardness = c.hardness;
        param.length = c.length;
        param.asdist = i % 3 == 0 && c.length > 1000;
        param.in = param.asdist ? 700 : 0.4;
        param.out = param.asdist ? 1500 : 0.7;
        param.easing = i % 4 == 1;
        const auto expected = DrawColoured(TestRun{1, true}, param, c.target, image, ":C");
        for (const bool baseline : {false, true}) {
            for (const unsigned workers : {1u, 2u, 5u}) {
                ASSERT_EQ(
                    DrawColoured(TestRun{workers, false, baseline}, param, c.target, image, ":C"),
                    expected)
                    << "case " << i << ", workers " << workers << ", baseline " << baseline;
            }
        }
    }
}

TEST(RasteriserDifferentialRuns, ChainCrossingAFarRunOfPiecesKeepsTheReturn) {
    // A vast curvature bows a path from (0, 1) a hundred thousand pixels away and back to
    // (2, 1). Only its start is marked, and its one line, long enough to span the whole path,
    // draws the return too: once its dabs have widened the rectangle to the whole canvas the
    // chain crosses the far run of pieces in one move, and must not cross any of the return.
    const TestImage image(3, 3, [](int x, int) { return x == 0; });
    MoveEffectParam param = SteadyParam(VELTRIX_TYPE_PARALLEL, 1000);
    param.curvature = 4000;
    param.length = 600000;
    param.size = 5;
    param.hardness = 0.0;
    const PointTarget target{{0, 1}, {2, 1}, {0, 5000}};
    const auto walked = DrawColoured(TestRun{1, false, false, false}, param, target, image, ":C");
    EXPECT_NE(std::count(walked.begin(), walked.end(), 0), walked.size());
    EXPECT_EQ(DrawColoured(TestRun{1}, param, target, image, ":C"), walked);
}

}  // namespace

// A stack whose third point lies 2^31 px away lays only the copies that reach the canvas and
// crosses the rest in one move; with a third point just past the canvas every copy is laid one
// by one. With a gain whose running sums are exact (0.5, 2^-20, -2^-20) the canvas must show
// the same copies either way.
TEST(RasteriserDifferentialRuns, StacksCrossTheirFarCopiesForEveryGain) {
    const TestImage image(64, 64, [](int x, int y) { return (x + y) % 7 != 0; });
    for (const double gain : {0.0, 0.5, 1.0 / (1 << 20), -1.0 / (1 << 20)}) {
        MoveEffectParam param = SteadyParam(VELTRIX_TYPE_PARALLEL, 1);
        param.spcgain = gain;
        param.length = 80;
        // The copies start 300 px above the canvas and step down across it.
        const auto near = DrawColoured(param, {{10, -300}, {50, -300}, {10, 100}}, image);
        const auto far = DrawColoured(param, {{10, -300}, {50, -300}, {10, 2147483647}}, image);
        EXPECT_EQ(near, far) << "gain " << gain;
    }
}
