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

// Rings whose offset lies within this many pixels of the last ring laid in their pass are not
// laid: a quarter of the distance between the canvas's coverage samples, so the two rings
// cover the same samples but for those within 1/16 px of the pen's edge. Only a spacing of 0,
// or a gain that brings the step near 0, makes such rings; without the rule a tiny gain laid
// about 1 / sqrt(gain) of them.
constexpr double kRingResolution = 1.0 / 16.0;

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
    /// How many rings a pass may test: up to `count` for a spacing, or, with spacing 0 and a
    /// gain, until the offset g n^2 / 2 passes the farthest corner.
    double rings;
    LayoutJitter& random;

    double Jitter(int64_t index) const {
        return run.param.spcfluct != 0.0 ? random.Next(index) * run.param.spcfluct * spacing : 0.0;
    }
};

/// See RingPlan::rings.
double RingsPerPass(double spacing, double count, double gain, double farthest) {
    if (spacing != 0.0) {
        return count + 1;
    }
    return gain != 0.0 ? std::ceil(std::sqrt(2.0 * farthest / std::fabs(gain))) + 2.0 : 1.0;
}

/// Moves a pass to just before ring i: the offset and step its running sums give there, in
/// closed form (with the first step s and the gain g, ring i has the offset
/// (i + 1) s + g (i + 1)^2 / 2; only the rounding of the sums differs).
void MoveToRing(double i, double first, double gain, double& iteration, double& offset,
                double& step) {
    iteration = i;
    offset = i * first + 0.5 * gain * i * i;
    step = first + i * gain;
}

/// For a pass before its first visible ring: crosses the rings that certainly lay nothing,
/// first (without a gain) by the distance bounds, then (thin rings defeat those) by bisection
/// over the run of rings the canvas lies before: outside growing rings, inside shrinking ones.
/// Once the canvas lies beyond the rings no later ring meets it: then false, the pass is over.
/// With the first step s and the gain g, ring i has the offset (i + 1) s + g (i + 1)^2 / 2 (the
/// running sums of the pass, but for their rounding), and the bisection stays where the offsets
/// move one way. The last two rings of a run are left to the caller's test. Moves `offset` and
/// `step` to where the pass's sums would have them before ring `iteration`.
bool SkipInvisibleRings(const RingPlan& plan, int dir, double first, double& iteration,
                        double& offset, double& step) {
    const CircleTarget& target = plan.target;
    const double gain = plan.run.param.spcgain;
    const auto offsetAt = [&](double i) {
        return (i + 1) * first + 0.5 * gain * (i + 1) * (i + 1);
    };
    const auto moveTo = [&](double i) { MoveToRing(i, first, gain, iteration, offset, step); };
    if (gain == 0.0) {
        const double skip = InvisibleRingRun(target.radiusX, target.radiusY, first, iteration,
                                             plan.nearest, plan.maxDist);
        if (skip > 0) {
            if (!(iteration + skip < plan.count + 1)) {
                return false;
            }
            moveTo(iteration + skip);
        }
    }
    // Rings grow (or shrink) one way while dir (s + g (i + 1.5)) > 0.
    const double limit =
        dir * gain < 0.0 ? std::min(plan.rings, std::floor(-first / gain - 1.5) + 1) : plan.rings;
    if (!(iteration < limit)) {
        return true;
    }
    const RingSide before = dir > 0 ? RingSide::kOutside : RingSide::kInside;
    const RingSide beyond = dir > 0 ? RingSide::kInside : RingSide::kOutside;
    auto side = [&](double i) {
        const double o = offsetAt(i);
        return SideOfRing(plan.center, target.radiusX + o, target.radiusY + o, target.angle, plan.w,
                          plan.h);
    };
    const RingSide now = side(iteration);
    if (now == beyond) {
        return false;
    }
    if (now == before) {
        double good = iteration;
        double span = 1;
        while (good + span < limit && side(good + span) == before) {
            good += span;
            span *= 2;
        }
        for (; span >= 1; span = std::floor(span / 2)) {
            if (good + span < limit && side(good + span) == before) {
                good += span;
            }
        }
        if (good - 2 > iteration) {
            moveTo(good - 2);
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
    // The target ring's offset: rings nearer than kRingResolution to the last laid are not laid.
    double laidOffset = 0.0;
    bool found = false;
    for (double iteration = 0; spacing == 0.0 || iteration < plan.count + 1; iteration += 1) {
        if (!found && (spacing != 0.0 || param.spcgain != 0.0) &&
            !SkipInvisibleRings(plan, dir, spacing * dir, iteration, offset, step)) {
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
            if (std::fabs(offset - laidOffset) < kRingResolution) {
                // Too near the last ring laid to be told apart: cross to the first ring that
                // is not (while the offsets move one way; past that the pass ends anyway).
                const auto near = [&](double i) {
                    const double o =
                        (i + 1) * dir * spacing + 0.5 * param.spcgain * (i + 1) * (i + 1);
                    return std::fabs(o - laidOffset) < kRingResolution;
                };
                double lo = iteration;
                double next = iteration + 1;
                for (double span = 1; next < plan.rings && near(next); span *= 2) {
                    lo = next;
                    next = iteration + 2 * span;
                }
                while (next - lo > 1) {
                    const double mid = std::floor(lo + (next - lo) / 2);
                    (near(mid) ? lo : next) = mid;
                }
                MoveToRing(std::min(next, plan.rings), dir * spacing, param.spcgain, iteration,
                           offset, step);
                iteration -= 1;
                continue;
            }
            laidOffset = offset;
            // Inward rings take the odd indices, outward ones the even, after the target's 0.
            const double index = std::min(iteration, 4e18) * 2 + (dir < 0 ? 1 : 2);
            const double rj = plan.Jitter(static_cast<int64_t>(index));
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
    LayoutJitter random(run.tasks.seeds);
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
                        RingsPerPass(spacing, count, param.spcgain,
                                     maxDist + std::max(target.radiusX, target.radiusY)),
                        random};

    const double j = plan.Jitter(0);
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

    // The task builds its path when it runs: a run's rings would otherwise hold all their
    // pieces (tens of MiB) before the first one is drawn.
    auto task = std::make_shared<PathTask>(run.tasks, ring);
    task->pathIndex = index;
    run.guide.PrepareSegments(false);
    task->SetRing({center, angle, startAngle, a, b, n});
    run.pool.Enqueue(task);
}
