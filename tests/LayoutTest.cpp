// Layouts: how many paths each effect lays and where, rings and their visibility.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "PipelineTestSupport.h"
#include "filter/MoveEffectFilter.h"
#include "path/PathParser.h"
#include "task/PathTask.h"

namespace {

constexpr int kCanvas = 1000;

MoveEffectParam Param(int type, int spacing, double spcgain = 0.0) {
    MoveEffectParam param{};
    param.type = type;
    param.size = 2.0;
    param.hardness = 1.0;
    param.curvature = 1.0;
    param.spacing = spacing;
    param.spcgain = spcgain;
    param.length = 10;
    return param;
}

// A filter over a blank canvas with the straight guide, ready to lay out.
struct LayoutRig {
    explicit LayoutRig(const MoveEffectParam& param, int width = kCanvas, int height = kCanvas)
        : image(width, height, [](int, int) { return false; }), filter(param, 1) {
        guide.CreateLine();
        filter.AttachGuide(&guide);
        MoveEffectImageParam base = image.Param();
        filter.SetBaseImage(&base);
    }

    std::vector<std::shared_ptr<PathTask>> Tasks() {
        std::vector<std::shared_ptr<PathTask>> result;
        for (auto& task : filter.pool.QueuedTasks()) {
            result.push_back(std::static_pointer_cast<PathTask>(task));
        }
        return result;
    }

    TestImage image;
    PathParser guide;
    MoveEffectFilter filter;
};

PathPoint FirstPoint(const PathTask& task) {
    return task.path.segments.front().points.front();
}
PathPoint LastPoint(const PathTask& task) {
    return task.path.segments.back().points.back();
}

TEST(RadiateLayout, RepeatedAdditionDecidesWhetherTheLastAngleIsLaid) {
    const struct {
        int spacing;
        double curvature;
        size_t paths;
    } cases[] = {{1000, 1, 5},
                 {500, 1, 9},
                 {250, 1, 16},
                 {50, 1, 80},
                 // non-positive spacing or non-finite settings lay nothing
                 {0, 1, 0},
                 {-50, 1, 0},
                 {50, std::nan(""), 0}};
    for (const auto& c : cases) {
        MoveEffectParam param = Param(VELTRIX_TYPE_RADIATE, c.spacing);
        param.curvature = c.curvature;
        LayoutRig rig(param);
        rig.filter.SetTarget(PointTarget{{500, 500}, {520, 500}, {900, 500}});
        rig.filter.CreateRadiatePathTasks();
        EXPECT_EQ(rig.Tasks().size(), c.paths)
            << "spacing " << c.spacing << " curvature " << c.curvature;
    }
}

// A task's first and last points.
std::string Ends(const PathTask& task) {
    std::ostringstream text;
    text << FirstPoint(task).x << "," << FirstPoint(task).y << " " << LastPoint(task).x << ","
         << LastPoint(task).y;
    return text.str();
}

TEST(RadiateLayout, PathsRunFromTheNearToTheFarRadius) {
    LayoutRig rig(Param(VELTRIX_TYPE_RADIATE, 1000));
    rig.filter.SetTarget(PointTarget{{500, 500}, {500, 400}, {800, 500}});
    rig.filter.CreateRadiatePathTasks();
    auto tasks = rig.Tasks();
    ASSERT_EQ(tasks.size(), 5u);
    EXPECT_EQ(Ends(*tasks[0]), "600,500 800,500");
    EXPECT_EQ(Ends(*tasks[1]), "500,600 500,800");  // a right angle further round (+y)
}

TEST(RadiateLayout, GuideWithoutWidthCollapsesToThePathStart) {
    LayoutRig rig(Param(VELTRIX_TYPE_RADIATE, 1000));
    rig.guide.Clear();
    rig.guide.AppendMoveTo({5, 0});
    rig.guide.AppendLineTo({5, 30});
    rig.filter.SetTarget(PointTarget{{500, 500}, {520, 500}, {900, 500}});
    rig.filter.CreateRadiatePathTasks();
    ASSERT_FALSE(rig.Tasks().empty());
    EXPECT_EQ(Ends(*rig.Tasks()[0]), "520,500 520,530");  // 30 sideways, nothing lengthwise
}

std::vector<double> ParallelOffsets(int spacing, double spcgain) {
    LayoutRig rig(Param(VELTRIX_TYPE_PARALLEL, spacing, spcgain));
    rig.filter.SetTarget(PointTarget{{100, 100}, {400, 100}, {100, 300}});
    rig.filter.CreateParallelPathTasks();
    std::vector<double> offsets;
    for (auto& task : rig.Tasks()) {
        EXPECT_NEAR(FirstPoint(*task).x, 100, 1e-9);
        EXPECT_NEAR(LastPoint(*task).x, 400, 1e-9);
        offsets.push_back(FirstPoint(*task).y - 100);
    }
    return offsets;
}

TEST(ParallelLayout, StacksPathsUpToTheThirdPointWithTheGainChangingEachGap) {
    EXPECT_EQ(ParallelOffsets(50, 0), (std::vector<double>{0, 50, 100, 150, 200}));
    EXPECT_EQ(ParallelOffsets(50, -10), (std::vector<double>{0, 45, 80, 105, 120}));
    EXPECT_EQ(ParallelOffsets(50, 10), (std::vector<double>{0, 55, 120, 195}));
    EXPECT_TRUE(ParallelOffsets(0, 0).empty());  // spacing below one lays nothing
}

TEST(ParallelLayout, ThirdPointOnTheFirstLaysOnePathWithoutJitter) {
    MoveEffectParam param = Param(VELTRIX_TYPE_PARALLEL, 50);
    param.spcfluct = 1.0;
    LayoutRig rig(param);
    rig.filter.SetTarget(PointTarget{{100, 100}, {400, 100}, {100, 100}});
    rig.filter.CreateParallelPathTasks();
    auto tasks = rig.Tasks();
    ASSERT_EQ(tasks.size(), 1u);
    EXPECT_TRUE(FirstPoint(*tasks[0]).x == 100 && FirstPoint(*tasks[0]).y == 100);
}

// Radii of the ring tasks, read from each ring's first point (angle and start angle 0).
std::vector<double> RingRadii(int spacing, double spcgain) {
    LayoutRig rig(Param(VELTRIX_TYPE_CIRCLE, spacing, spcgain));
    rig.filter.SetTarget(CircleTarget{500, 500, 100.0, 100.0, 0.0, 0.0});
    rig.filter.CreateCirclePathTasks();
    std::vector<double> radii;
    for (auto& task : rig.Tasks()) {
        radii.push_back(std::round((FirstPoint(*task).x - 500) * 1e6) / 1e6);
    }
    return radii;
}

TEST(CircleLayout, LaysTheTargetThenInnerThenOuterRingsWhileVisible) {
    std::vector<double> expected = {100, 50};
    for (int r = 150; r <= 700; r += 50) {
        expected.push_back(r);
    }
    EXPECT_EQ(RingRadii(50, 0), expected);
    EXPECT_EQ(RingRadii(50, 10),
              (std::vector<double>{100, 55, 20, 155, 220, 295, 380, 475, 580, 695}));
    // Zero spacing without gain and negative spacing end after the target ring.
    EXPECT_EQ(RingRadii(0, 0), (std::vector<double>{100}));
    EXPECT_EQ(RingRadii(-50, 0), (std::vector<double>{100}));
    EXPECT_GT(RingRadii(0, 5).size(), 1u);
    EXPECT_GT(RingRadii(0, -5).size(), 1u);
}

TEST(CircleLayout, PassesThatSkipHiddenRingsLayWhatRingByRingTestsLay) {
    // Thin, far and enclosing rings around a small canvas: the passes cross runs of rings that
    // miss the canvas and end once no later ring can meet it. The rings laid must be those a
    // pass testing every ring in turn lays.
    const PointTarget targets[] = {
        {{30, 20}, {30, -20000}, {36, -10000}},  // thin rings, their tips on the canvas
        {{30, 60}, {30, -20000}, {31, -10000}},  // thin rings just below it
        {{-5000, 24}, {5000, 24}, {0, 30}},      // flat rings across it
        {{32, -3000}, {32, 3000}, {40, 0}},      // tall rings, the canvas inside
        {{100, 100}, {-3000, -2000}, {0, 0}},    // a far centre
        {{10, 10}, {50, 40}, {30, 10}},          // rings on the canvas
        {{-5000, 200}, {0, 200}, {-2500, 190}},  // thin rings growing toward it sideways
        {{40, 128}, {135, -100000}, {110, 71}},  // thin rings growing around it
    };
    for (const PointTarget& points : targets) {
        for (const int spacing : {3, 40}) {
            LayoutRig rig(Param(VELTRIX_TYPE_CIRCLE, spacing), 64, 48);
            MoveEffectFilter& filter = rig.filter;
            filter.SetTarget(points);
            const CircleTarget t = *filter.circleTarget;
            const PathPoint centre = {double(t.centerX), double(t.centerY)};
            const double maxDist = std::max(
                std::max(std::hypot(centre.x, centre.y), std::hypot(64 - centre.x, centre.y)),
                std::max(std::hypot(centre.x, 48 - centre.y),
                         std::hypot(64 - centre.x, 48 - centre.y)));
            const double count = std::trunc(maxDist / spacing);
            size_t expected = 1;  // the target ring
            for (const int dir : {-1, 1}) {
                double offset = 0;
                bool found = false;
                for (double i = 0; i < count + 1; i += 1) {
                    offset += spacing * dir;
                    const double ra = t.radiusX + offset;
                    const double rb = t.radiusY + offset;
                    if (ra < 1 || rb < 1) {
                        break;
                    }
                    if (filter.IsEllipseIn(centre, ra, rb, t.angle)) {
                        ++expected;
                        found = true;
                    } else if (found) {
                        break;
                    }
                }
            }
            filter.CreateCirclePathTasks();
            EXPECT_EQ(rig.Tasks().size(), expected)
                << "p2 (" << points.p2.x << ", " << points.p2.y << "), spacing " << spacing;
        }
    }
}

TEST(CircleLayout, RingsTooLargeToHoldInMemoryAreNotLaid) {
    LayoutRig rig(Param(VELTRIX_TYPE_CIRCLE, 50));
    rig.filter.SetTarget(CircleTarget{500, 500, 100.0, 100.0, 0.0, 0.0});
    rig.filter.AppendCircleTask({500, 500}, 0.0, 0.0, 1e8, 1e8);
    EXPECT_TRUE(rig.Tasks().empty());
    rig.filter.AppendCircleTask({500, 500}, 0.0, 0.0, 1e4, 1e4);
    EXPECT_EQ(rig.Tasks().size(), 1u);
}

TEST(CircleLayout, VisibilityMeansTheOutlineMeetsTheCanvas) {
    LayoutRig rig(Param(VELTRIX_TYPE_CIRCLE, 50));
    const struct {
        PathPoint center;
        double a, b;
        bool visible;
    } cases[] = {
        {{500, 500}, 100, 100, true},     // inside
        {{0, 500}, 100, 50, true},        // across the left edge
        {{500, 500}, 800, 800, false},    // encloses the canvas
        {{-300, -300}, 100, 100, false},  // wholly outside
        {{500, 500}, 700, 700, true},     // through the corners' neighbourhood
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rig.filter.IsEllipseIn(c.center, c.a, c.b, 0.3), c.visible)
            << c.center.x << "," << c.center.y << " " << c.a;
    }
}

}  // namespace
