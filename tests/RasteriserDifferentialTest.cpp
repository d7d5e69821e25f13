// Differential tests: the rasteriser's fast paths against the straightforward one, byte for byte.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "FilterTestSupport.h"
#include "PipelineTestSupport.h"
#include "ReferenceRasteriser.h"
#include "plugin/DrawOptions.h"

using testsupport::Canvas;
using testsupport::PenParam;

namespace {

// Where two canvases first differ, or "" when their bytes and dirty rectangles agree.
std::string FirstDifference(const Canvas& fast, const Canvas& plain) {
    std::ostringstream text;
    if (fast.Rect() != plain.Rect()) {
        text << "rect";
        for (const auto& rect : {fast.Rect(), plain.Rect()}) {
            text << " " << rect[0] << "," << rect[1] << "," << rect[2] << "," << rect[3];
        }
        return text.str();
    }
    for (int32_t y = 0; y < fast.Height(); ++y) {
        for (int32_t x = 0; x < fast.Width(); ++x) {
            if (fast.At(x, y) != plain.At(x, y)) {
                text << "pixel " << x << "," << y << ": " << int(fast.At(x, y)) << " vs "
                     << int(plain.At(x, y));
                return text.str();
            }
        }
    }
    return "";
}

// Random numbers for dab and line geometry; sometimes on a 1/8-pixel grid, where samples land
// exactly on rims and cores.
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
    /// A coordinate in [lo, hi], one time in three on the 1/8 grid.
    double Coordinate(double lo, double hi) {
        const double v = Uniform(lo, hi);
        return OneIn(3) ? std::round(v * 8.0) / 8.0 : v;
    }
    /// A pressure in [0, 1], often exactly 0 or 1.
    double Pressure() {
        const int pick = static_cast<int>(random() % 6);
        return pick == 0 ? 0.0 : pick == 1 ? 1.0 : Uniform(0.0, 1.0);
    }
    bool OneIn(int n) { return random() % n == 0; }

  private:
    std::mt19937_64 random;
};

constexpr int kHardnessSteps = 20;  // hardness 0, 0.05, ..., 1

// Dab and line tests run once with the kernel this processor gets and once with the baseline
// one (the same where the processor has no wider vector unit).
class RasteriserDifferential : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override { DabRasteriser::baselineKernelOnly = GetParam(); }
    void TearDown() override { DabRasteriser::baselineKernelOnly = false; }
};

INSTANTIATE_TEST_SUITE_P(Kernels, RasteriserDifferential, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Baseline" : "Widest";
                         });

TEST_P(RasteriserDifferential, RandomDabsMatchTheReference) {
    // Diameters 0.1 to 100 at every hardness, centres anywhere from well off one edge to well
    // off the other, several dabs into one buffer so they meet earlier coverage.
    Geometry g(1);
    for (int step = 0; step <= kHardnessSteps; ++step) {
        const double hardness = step / static_cast<double>(kHardnessSteps);
        for (int group = 0; group < 6; ++group) {
            Canvas fast(PenParam(1, hardness), 61, 47);
            Canvas plain(PenParam(1, hardness), 61, 47);
            for (int i = 0; i < 6; ++i) {
                const double diameter = g.Size(0.1, 100.0);
                const double reach = diameter * 0.5 + 3.0;
                const double x = g.Coordinate(-reach, 61 + reach);
                const double y = g.Coordinate(-reach, 47 + reach);
                fast->DrawCircle(x, y, diameter);
                reference::DrawCircle(*plain, x, y, diameter);
            }
            ASSERT_EQ(FirstDifference(fast, plain), "")
                << "hardness " << hardness << ", group " << group;
        }
    }
}

TEST_P(RasteriserDifferential, SmallDabsOnEveryPhaseMatchTheReference) {
    // The pen sizes lines use most, stepped over the pixel grid in sixteenths and overlapping.
    for (const double hardness : {0.0, 0.35, 0.5, 0.8, 1.0}) {
        for (const double diameter : {0.1, 0.5, 1.0, 1.3, 2.0, 2.75, 4.0, 5.0, 8.0}) {
            Canvas fast(PenParam(1, hardness), 24, 24);
            Canvas plain(PenParam(1, hardness), 24, 24);
            for (int i = 0; i < 64; ++i) {
                const double x = 6.0 + i / 16.0 + (i % 4) * 3.0;
                const double y = 6.0 + (i % 16) / 16.0 + (i / 16) * 3.0;
                fast->DrawCircle(x, y, diameter);
                reference::DrawCircle(*plain, x, y, diameter);
            }
            ASSERT_EQ(FirstDifference(fast, plain), "")
                << "hardness " << hardness << ", diameter " << diameter;
        }
    }
}

TEST_P(RasteriserDifferential, DenselyOverlappingSoftDabsMatchTheReference) {
    // Hundreds of soft dabs whose rims cross one small patch, as where many lines cross: most
    // pixel visits meet coverage that the new dab can only just reach or not at all. Wide dabs
    // vary slowly across a pixel, so a wrongly kept pixel would show.
    Geometry g(4);
    for (int step = 0; step < kHardnessSteps; ++step) {
        const double hardness = step / static_cast<double>(kHardnessSteps);
        Canvas fast(PenParam(1, hardness), 16, 16);
        Canvas plain(PenParam(1, hardness), 16, 16);
        for (int i = 0; i < 1000; ++i) {
            const double diameter = g.Size(2.0, 2000.0);
            const double reach = diameter * 0.5 * g.Uniform(0.0, 1.0);
            const double angle = g.Uniform(-3.2, 3.2);
            const double x = g.Coordinate(0.0, 16.0) + reach * std::cos(angle);
            const double y = g.Coordinate(0.0, 16.0) + reach * std::sin(angle);
            fast->DrawCircle(x, y, diameter);
            reference::DrawCircle(*plain, x, y, diameter);
        }
        ASSERT_EQ(FirstDifference(fast, plain), "") << "hardness " << hardness;
    }
}

TEST_P(RasteriserDifferential, RandomLinesWithTapersMatchTheReference) {
    // Segments of every length and direction with pressure ramps, across the edges too.
    Geometry g(2);
    for (int group = 0; group < 60; ++group) {
        const double size = g.Size(0.1, 40.0);
        const double hardness = static_cast<int>(g.Uniform(0, kHardnessSteps + 1)) /
                                static_cast<double>(kHardnessSteps);
        Canvas fast(PenParam(size, hardness), 80, 64);
        Canvas plain(PenParam(size, hardness), 80, 64);
        for (int i = 0; i < 8; ++i) {
            const double reach = size * 0.5 + 4.0;
            const PathPoint from{g.Coordinate(-reach, 80 + reach),
                                 g.Coordinate(-reach, 64 + reach)};
            const double length = g.OneIn(4) ? g.Uniform(0.0, 120.0) : g.Uniform(0.0, 6.0);
            const double angle =
                g.OneIn(3) ? (g.Uniform(0, 8) - 4) * 0.78539816339744831 : g.Uniform(-3.2, 3.2);
            const PathPoint to{from.x + length * std::cos(angle),
                               from.y + length * std::sin(angle)};
            const double p0 = g.Pressure();
            const double p1 = g.Pressure();
            fast->DrawLine(from, p0, to, p1);
            reference::DrawLine(*plain, from, p0, to, p1);
        }
        ASSERT_EQ(FirstDifference(fast, plain), "")
            << "group " << group << ", size " << size << ", hardness " << hardness;
    }
}

TEST_P(RasteriserDifferential, TaperedChainsOfPixelSegmentsMatchTheReference) {
    // Lines as the line tasks draw them: one-pixel segments whose pressure rises, holds and
    // falls, so consecutive dabs share their pixels.
    Geometry g(3);
    for (int group = 0; group < 24; ++group) {
        const double size = g.Size(1.0, 24.0);
        const double hardness = static_cast<int>(g.Uniform(0, kHardnessSteps + 1)) /
                                static_cast<double>(kHardnessSteps);
        Canvas fast(PenParam(size, hardness), 96, 96);
        Canvas plain(PenParam(size, hardness), 96, 96);
        const double angle =
            g.OneIn(3) ? (g.Uniform(0, 8) - 4) * 0.78539816339744831 : g.Uniform(-3.2, 3.2);
        const double ux = std::cos(angle);
        const double uy = std::sin(angle);
        const PathPoint start{g.Coordinate(0, 96), g.Coordinate(0, 96)};
        const int length = 20 + static_cast<int>(g.Uniform(0, 80));
        double previous = 0.0;
        PathPoint p0 = start;
        for (int t = 0; t <= length; ++t) {
            const double ramp = std::min({1.0, t / 10.0, (length - t) / 10.0});
            const PathPoint p1{start.x + ux * (t + 1), start.y + uy * (t + 1)};
            if (previous > 0.0 || ramp > 0.0) {
                fast->DrawLine(p0, previous, p1, ramp);
                reference::DrawLine(*plain, p0, previous, p1, ramp);
            }
            p0 = p1;
            previous = ramp;
        }
        ASSERT_EQ(FirstDifference(fast, plain), "")
            << "group " << group << ", size " << size << ", hardness " << hardness;
    }
}

// A whole run with the curve guide and a given worker count; the layer shows the dirty rectangle.
std::vector<uint8_t> RunEffect(const MoveEffectParam& param, const PointTarget& target,
                               const TestImage& image, unsigned workers) {
    SetDrawWorkerCount(workers);
    std::vector<uint8_t> pixels = DrawColoured(param, target, image, ":C");
    SetDrawWorkerCount(0);
    return pixels;
}

TEST(RasteriserDifferentialRuns, WholeRunsMatchTheReferenceAtEveryWorkerCount) {
    struct Case {
        int type;
        int size;
        int spacing;
        double pen;
        double hardness;
        PointTarget target;
    };
    const Case cases[] = {
        {VELTRIX_TYPE_RADIATE, 512, 150, 4.0, 1.0, {{256, 256}, {256, 200}, {256, 20}}},
        {VELTRIX_TYPE_RADIATE, 200, 400, 7.5, 0.3, {{90, 120}, {150, 120}, {-40, 300}}},
        {VELTRIX_TYPE_PARALLEL, 256, 23, 3.0, 0.5, {{20, 240}, {30, 10}, {250, 250}}},
        {VELTRIX_TYPE_PARALLEL, 160, 17, 9.0, 0.0, {{-30, 40}, {200, 60}, {-20, 150}}},
        {VELTRIX_TYPE_CIRCLE, 256, 31, 2.5, 0.75, {{60, 128}, {196, 128}, {128, 40}}},
        {VELTRIX_TYPE_CIRCLE, 180, 40, 5.0, 0.05, {{-50, 90}, {100, 30}, {20, 0}}},
        // Pens far wider than the canvas: one dab fills the buffer, and later ones are skipped.
        {VELTRIX_TYPE_RADIATE, 48, 300, 1e6, 1.0, {{24, 24}, {24, 10}, {24, 0}}},
        {VELTRIX_TYPE_PARALLEL, 40, 9, 1e9, 0.0, {{0, 5}, {40, 5}, {0, 40}}},
        {VELTRIX_TYPE_RADIATE, 48, 300, 300.0, 0.0, {{24, 24}, {24, 10}, {24, 0}}},
    };
    for (const Case& c : cases) {
        const TestImage image(c.size, c.size,
                              [](int x, int y) { return (x * 5 + y * 3) % 97 < 80; });
        MoveEffectParam param = SteadyParam(c.type, c.spacing);
        param.size = c.pen;
        param.hardness = c.hardness;
        param.in = 0.4;
        param.out = 0.7;
        param.easing = c.type == VELTRIX_TYPE_PARALLEL;
        std::vector<uint8_t> expected;
        {
            reference::Plugged plugged;
            expected = RunEffect(param, c.target, image, 1);
        }
        for (const unsigned workers : {1u, 2u, 3u}) {
            ASSERT_EQ(RunEffect(param, c.target, image, workers), expected)
                << "type " << c.type << ", size " << c.size << ", workers " << workers;
        }
    }
}

}  // namespace
