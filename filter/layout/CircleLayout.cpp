// The circle layout: the target ring, then rings inside and outside it while they show.
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "filter/layout/EllipseGeometry.h"
#include "filter/layout/Layouts.h"
#include "path/PathParser.h"
#include "task/PathTask.h"
#include "task/Random.h"

namespace {

// The most pieces a ring may have: about 5 million pixels of perimeter, a radius of some
// 800,000 pixels. A larger ring would need hundreds of megabytes for its path (a host's
// far-away target could exhaust the memory of the painting application), and a long line
// around it would take seconds to walk; it is not laid.
constexpr double kMaxRingPieces = 1048576.0;

// How many more rings of a pass with no gain, after `done` of them, certainly lay nothing and
// do not end the pass: rings too small to reach a canvas that lies away from the centre, or
// large enough to enclose it. Such rings fail the visibility test anyway; crossing them in one
// go keeps a far-away target from costing one test per spacing of distance. The margins keep
// the rings next to the canvas for the test itself.
double InvisibleRingRun(double radiusX, double radiusY, double step, double done, double nearest,
                        double farthest) {
    const double minR = std::min(radiusX, radiusY);
    const double maxR = std::max(radiusX, radiusY);
    const double reach = nearest - 1.0 - 1e-9 * nearest;      // below this a ring stays off
    const double enclose = farthest + 1.0 + 1e-9 * farthest;  // above this it encloses all
    const double next = done + 1;
    if (step > 0) {
        if (minR + next * step < 1) {
            return 0;  // the pass is about to end on a ring below one pixel
        }
        if (minR + next * step > enclose) {
            return std::numeric_limits<double>::infinity();
        }
        // Rings i with maxR + i * step < reach, counting conservatively.
        const double last = std::ceil((reach - maxR) / step) - 2;
        return last > done ? last - done : 0;
    }
    if (maxR + next * step < reach) {
        return std::numeric_limits<double>::infinity();  // already too small, and shrinking
    }
    // Rings i with minR + i * step > enclose, counting conservatively.
    const double last = std::ceil((minR - enclose) / -step) - 2;
    return last > done ? last - done : 0;
}

// Where the canvas, grown by two pixels, lies against a ring: wholly outside or wholly inside
// it (the ring then misses the canvas by a clear margin), or neither. Every point's level
// x^2/ra^2 + y^2/rb^2 falls as the radii grow, so along a pass with no gain the canvas is
// outside a run of growing rings and then never again, and once inside them stays inside.
enum class RingSide { kOutside, kInside, kNear };

RingSide SideOfRing(const PathPoint& center, double ra, double rb, double angle, double w,
                    double h) {
    if (!(std::min(ra, rb) >= 2.0)) {
        return RingSide::kNear;
    }
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double corners[4][2] = {{-2, -2}, {w + 2, -2}, {w + 2, h + 2}, {-2, h + 2}};
    int outside = 0;
    int inside = 0;
    for (const auto& corner : corners) {
        const double dx = corner[0] - center.x;
        const double dy = corner[1] - center.y;
        const double xi = c * dx + s * dy;
        const double eta = c * dy - s * dx;
        const double level = xi * xi / (ra * ra) + eta * eta / (rb * rb);
        outside += level > 1.0 + 1e-9;
        inside += level < 1.0 - 1e-9;
    }
    if (inside == 4) {
        return RingSide::kInside;  // all corners inside a convex ring: the whole canvas is
    }
    if (outside != 4) {
        return RingSide::kNear;
    }
    // Corners outside: the canvas is outside unless the ring reaches in across an edge or lies
    // within the canvas.
    for (int i = 0; i < 4; ++i) {
        const PathPoint from = {corners[i][0], corners[i][1]};
        const PathPoint to = {corners[(i + 1) % 4][0], corners[(i + 1) % 4][1]};
        if (LineIntersectsEllipse(from, to, center, ra, rb, angle)) {
            return RingSide::kNear;
        }
    }
    const bool centreIn =
        center.x >= -2 && center.x <= w + 2 && center.y >= -2 && center.y <= h + 2;
    return centreIn ? RingSide::kNear : RingSide::kOutside;
}

/// What the passes of one run share: the target, where the canvas lies from its centre, and
/// the source of the spacing jitter.
struct RingPlan {
    const LayoutContext& run;
    const CircleTarget& target;
    PathPoint center;
    double w;
    double h;
    double spacing;
    /// Rings per pass, kept as a double: it may exceed int32, and with spacing 0 it has no cap.
    double count;
    double maxDist;   ///< the farthest canvas corner from the centre
    double farthest;  ///< beyond this offset a ring of spacing 0 lies past every corner
    double nearest;   ///< the nearest canvas point from the centre (0 inside)
    double reach;     ///< rings below this stay clear of the canvas
    double enclose;   ///< rings above this enclose it
    Random& random;

    double Jitter() const {
        return run.param.spcfluct != 0.0 ? random.Uniform() * run.param.spcfluct * spacing : 0.0;
    }
};

/// For a pass with no gain before its first visible ring: crosses the rings that certainly lay
/// nothing, first by the distance bounds, then (thin rings defeat those) by bisection over the
/// run of rings the canvas lies before: outside growing rings, inside shrinking ones. Once the
/// canvas lies beyond the rings no later ring meets it: then false, the pass is over. Ring i
/// has the offset (i + 1) * step; the last two rings of a run are left to the caller's test.
bool SkipInvisibleRings(const RingPlan& plan, int dir, double step, double& iteration,
                        double& offset) {
    const CircleTarget& target = plan.target;
    const double skip = InvisibleRingRun(target.radiusX, target.radiusY, step, iteration,
                                         plan.nearest, plan.maxDist);
    if (skip > 0) {
        if (!(iteration + skip < plan.count + 1)) {
            return false;
        }
        iteration += skip;
        offset = iteration * step;
    }
    const RingSide before = dir > 0 ? RingSide::kOutside : RingSide::kInside;
    const RingSide beyond = dir > 0 ? RingSide::kInside : RingSide::kOutside;
    auto side = [&](double i) {
        const double o = (i + 1) * step;
        return SideOfRing(plan.center, target.radiusX + o, target.radiusY + o, target.angle, plan.w,
                          plan.h);
    };
    const RingSide first = side(iteration);
    if (first == beyond) {
        return false;
    }
    if (first == before) {
        double good = iteration;
        double span = 1;
        while (good + span < plan.count + 1 && side(good + span) == before) {
            good += span;
            span *= 2;
        }
        for (; span >= 1; span = std::floor(span / 2)) {
            if (good + span < plan.count + 1 && side(good + span) == before) {
                good += span;
            }
        }
        if (good - 2 > iteration) {
            iteration = good - 2;
            offset = iteration * step;
        }
    }
    return true;
}

/// One pass from the target ring, outward (dir 1) or inward (dir -1): rings every spacing (the
/// spacing growing by the gain) until they stop showing on the canvas.
void LayPass(const RingPlan& plan, int dir) {
    const MoveEffectParam& param = plan.run.param;
    const CircleTarget& target = plan.target;
    const double spacing = plan.spacing;
    double step = spacing * dir;
    double offset = 0.0;
    bool found = false;
    for (double iteration = 0; spacing == 0.0 || iteration < plan.count + 1; iteration += 1) {
        // Without a gain each offset is an exact multiple of the step.
        if (!found && spacing != 0.0 && param.spcgain == 0.0 &&
            !SkipInvisibleRings(plan, dir, step, iteration, offset)) {
            break;
        }
        if (step * dir < 0) {
            break;
        }
        offset += 0.5 * param.spcgain + step;
        if (spacing == 0.0 && std::fabs(offset) > plan.farthest) {
            break;
        }
        const double ra = target.radiusX + offset;
        const double rb = target.radiusY + offset;
        if (ra < 1 || rb < 1) {
            break;
        }
        // Before the first visible ring: a growing pass whose ring encloses the canvas, or a
        // shrinking one whose ring lies within the nearest distance, lays nothing more. The
        // gain can turn the offset back by at most half of itself before the pass ends.
        if (!found && spacing != 0.0) {
            const double slack = std::fabs(param.spcgain) + 1.0;
            if (dir > 0 ? std::min(ra, rb) > plan.enclose + slack
                        : std::max(ra, rb) < plan.reach - slack) {
                break;
            }
        }
        // Rings that enclose the canvas or stay clear of it fail the visibility test; the
        // cheap test spares a pass of many such rings its cost.
        const bool clear = std::min(ra, rb) > plan.enclose || std::max(ra, rb) < plan.reach;
        if (!clear &&
            IsEllipseIn(plan.center, ra, rb, target.angle, plan.run.width, plan.run.height)) {
            const double rj = plan.Jitter();
            // Inward rings take the odd indices, outward ones the even, after the target's 0.
            const double index = std::min(iteration, 4e18) * 2 + (dir < 0 ? 1 : 2);
            AppendCircleTask(plan.run, &target, plan.center, target.angle, target.startAngle,
                             ra + rj, rb + rj, static_cast<int64_t>(index));
            found = true;
        } else if (found) {
            break;
        }
        step += param.spcgain;
    }
}

}  // namespace

void CreateCirclePathTasks(const LayoutContext& run, const CircleTarget* circleTarget) {
    const MoveEffectParam& param = run.param;
    if (circleTarget == nullptr || !HasFiniteSettings(param)) {
        return;
    }
    const CircleTarget& target = *circleTarget;
    if (!std::isfinite(target.radiusX) || !std::isfinite(target.radiusY) ||
        !std::isfinite(target.angle) || !std::isfinite(target.startAngle)) {
        return;
    }
    const PathPoint center = {static_cast<double>(target.centerX),
                              static_cast<double>(target.centerY)};
    const double w = run.width;
    const double h = run.height;
    const double maxDist = std::max(
        std::max(std::hypot(0 - center.x, 0 - center.y), std::hypot(w - center.x, 0 - center.y)),
        std::max(std::hypot(0 - center.x, h - center.y), std::hypot(w - center.x, h - center.y)));
    const double spacing = param.spacing;
    const double count = spacing != 0.0 ? std::trunc(maxDist / spacing) : 0.0;
    const double outX = std::max({0 - center.x, 0.0, center.x - w});
    const double outY = std::max({0 - center.y, 0.0, center.y - h});
    const double nearest = std::hypot(outX, outY);
    Random random = LayoutRandom(run.tasks);
    const RingPlan plan{run,
                        target,
                        center,
                        w,
                        h,
                        spacing,
                        count,
                        maxDist,
                        maxDist + std::max(target.radiusX, target.radiusY),
                        nearest,
                        nearest - 1.0 - 1e-9 * nearest,
                        maxDist + 1.0 + 1e-9 * maxDist,
                        random};

    const double j = plan.Jitter();
    AppendCircleTask(run, &target, center, target.angle, target.startAngle, target.radiusX + j,
                     target.radiusY + j);
    // With spacing 0 the same ring would be laid forever: without a gain only the target ring
    // is laid, and a growing gain stops once the rings are past the farthest canvas corner.
    if (spacing == 0.0 && param.spcgain == 0.0) {
        return;
    }
    if (count < 0) {
        return;
    }
    LayPass(plan, -1);
    LayPass(plan, 1);
}

void AppendCircleTask(const LayoutContext& run, const CircleTarget* ring, const PathPoint& center,
                      double angle, double startAngle, double radiusX, double radiusY,
                      int64_t index) {
    const MoveEffectParam& param = run.param;
    PathParser* guide = &run.guide;
    const double a = radiusX;
    const double b = radiusY;
    const double n0 = std::ceil(((a + b) * 3 - std::sqrt((a * 3 + b) * (b * 3 + a))) * kPi / 5);
    if (!(n0 <= kMaxRingPieces)) {
        return;
    }
    int32_t n = n0 > 3 ? static_cast<int32_t>(n0) : 3;
    if (n % 2 != 0) {
        n += 1;
    }

    auto task = std::make_shared<PathTask>(run.tasks, ring);
    task->pathIndex = index;
    guide->PrepareSegments(false);
    guide->ResetPosition();
    const double step = guide->totalLength / n;
    const double y0 = guide->currentPoint.y;
    const double cosA = std::cos(angle);
    const double sinA = std::sin(angle);
    for (int32_t k = 0; k <= n; ++k) {
        const double phi = k * 2.0 * kPi / n + startAngle;
        const double off = k == 0 ? 0.0 : (guide->currentPoint.y - y0) * param.curvature;
        const double cosPhi = std::cos(phi);
        const double sinPhi = std::sin(phi);
        const double x = center.x + cosA * cosPhi * (off + a) - sinA * sinPhi * (off + b);
        const double y = center.y + sinA * cosPhi * (off + a) + cosA * sinPhi * (off + b);
        PathSegment segment;
        segment.kind = k == 0 ? PathSegment::kMove : PathSegment::kLine;
        segment.points.push_back({x, y});
        task->AppendPathSegment(segment);
        guide->MoveNext(step);
    }
    run.pool.Enqueue(task);
}
