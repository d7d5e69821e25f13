// The parallel layout: speed lines of one shape stacked side by side.
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "filter/layout/Layouts.h"
#include "filter/raster/CanvasGeometry.h"
#include "path/PathParser.h"
#include "task/PathTask.h"
#include "task/Random.h"

namespace {

// Up to this many paths are laid as they come. Beyond it only paths that can come near the
// canvas are laid (the others would find no marked sample and draw nothing), so a far third
// point costs what the canvas holds, not what the distance holds.
constexpr double kPathsLaidWhole = 65536.0;

// The most paths one run lays: as many as are laid whole.
constexpr size_t kMaxPaths = static_cast<size_t>(kPathsLaidWhole) + 1;

// Of the paths that reach the canvas from a third point tens of thousands of spacings away, at
// most this many plus the canvas's width and height (enough for copies stacked across it at
// every pixel). More only come from copies stacked almost along their own length, each
// crossing the canvas again a fraction of a pixel from the last: tens of thousands of them
// took seconds.
constexpr size_t kMaxReachingPaths = 4096;

struct Interval {
    double lo;
    double hi;
};

// The offsets o at which the convex hull of `points` (relative to the stack's base), moved by
// o along `dir`, meets the box: the line {o * dir} clipped against the Minkowski difference of
// the box and the hull, whose corners are every box corner minus every point.
bool ReachOfHull(const std::vector<PathPoint>& points, double dirX, double dirY,
                 const double box[4], Interval& reach) {
    std::vector<PathPoint> corners;
    corners.reserve(points.size() * 4);
    for (const PathPoint& p : points) {
        for (double cx : {box[0], box[2]}) {
            for (double cy : {box[1], box[3]}) {
                corners.push_back({cx - p.x, cy - p.y});
            }
        }
    }
    const double nx = -dirY;
    const double ny = dirX;
    double lo = INFINITY;
    double hi = -INFINITY;
    for (size_t i = 0; i < corners.size(); ++i) {
        const double si = nx * corners[i].x + ny * corners[i].y;
        const double ai = dirX * corners[i].x + dirY * corners[i].y;
        if (si == 0.0) {
            lo = std::min(lo, ai);
            hi = std::max(hi, ai);
        }
        for (size_t j = i + 1; j < corners.size(); ++j) {
            const double sj = nx * corners[j].x + ny * corners[j].y;
            if ((si < 0.0 && sj > 0.0) || (si > 0.0 && sj < 0.0)) {
                const double aj = dirX * corners[j].x + dirY * corners[j].y;
                const double a = ai + si / (si - sj) * (aj - ai);
                lo = std::min(lo, a);
                hi = std::max(hi, a);
            }
        }
    }
    if (!(lo <= hi)) {
        return false;
    }
    // Rounding room, relative to the size of the numbers involved.
    const double slack = 1.0 + 1e-9 * std::max(std::fabs(lo), std::fabs(hi));
    reach = {lo - slack, hi + slack};
    return true;
}

/// The stack: copies of the guide's shape at p1, moved along (dirX, dirY) by offsets up to
/// `length` (the distance to p3).
struct Stack {
    double x1;
    double y1;
    double dirX;
    double dirY;
    double length;
    GuideMapping mapping;
};

/// Where along the stack the shape can come near the canvas: one interval of offsets per
/// drawing segment, from the hull of its points (a curve lies within its control points),
/// sorted by their starts. False when every offset may reach it (a first piece drawn before any
/// move starts at the canvas origin, whatever the offset).
bool ReachIntervals(const LayoutContext& run, const Stack& stack, std::vector<Interval>& reach) {
    const Box canvas = SampleBox(run.width, run.height);
    const double box[4] = {canvas.x0 - stack.x1, canvas.y0 - stack.y1, canvas.x1 - stack.x1,
                           canvas.y1 - stack.y1};
    auto shapePoint = [&](const PathPoint& g) { return stack.mapping.Map(g, 0.0, 0.0); };
    PathPoint pen = {0.0, 0.0};
    bool penKnown = false;
    for (const PathSegment& source : run.guide.segments) {
        if (source.points.empty()) {
            continue;
        }
        if (source.kind == PathSegment::kMove) {
            pen = shapePoint(source.points.back());
            penKnown = true;
            continue;
        }
        if (!penKnown) {
            return false;
        }
        std::vector<PathPoint> hull = {pen};
        for (const PathPoint& g : source.points) {
            hull.push_back(shapePoint(g));
        }
        pen = hull.back();
        Interval interval;
        if (ReachOfHull(hull, stack.dirX, stack.dirY, box, interval)) {
            reach.push_back(interval);
        }
    }
    std::sort(reach.begin(), reach.end(),
              [](const Interval& a, const Interval& b) { return a.lo < b.lo; });
    return true;
}

/// The reach intervals, widened by the most the spacing jitter can move an offset.
struct Reach {
    std::vector<Interval> intervals;
    double jitter;

    /// The first interval that may still hold an offset at or after o, or the count.
    size_t Next(double o) const {
        size_t i = 0;
        while (i < intervals.size() && intervals[i].hi + jitter < o) {
            ++i;
        }
        return i;
    }
    bool Holds(double o) const {
        for (const Interval& interval : intervals) {
            if (o >= interval.lo && o <= interval.hi) {
                return true;
            }
        }
        return false;
    }
};

/// With a gain the offsets are running sums: copy n lies at n s + g n^2 / 2 for the spacing s
/// and gain g, and the step to the next is s + n g. Moves index, offset and step to the last
/// copy before the first that lies at `from` or beyond, evaluated in that closed form (so only
/// the rounding of the sums differs from stepping there); false when no copy gets there before
/// the step stops growing the offsets.
bool CrossWithGain(double spacing, double gain, double from, double& index, double& offset,
                   double& step) {
    const auto at = [&](double n) { return n * spacing + 0.5 * gain * n * n; };
    // Offsets grow while the step is positive: up to n = -s / g for a negative gain.
    const double last = gain < 0.0 ? std::floor(-spacing / gain) : 9007199254740992.0;
    double lo = index;
    double hi = index + 1.0;
    while (hi < last && at(hi) < from) {
        lo = hi;
        hi = std::min(last, index + (hi - index) * 2.0);
    }
    if (!(at(hi) >= from)) {
        return false;
    }
    while (hi - lo > 1.0) {
        const double mid = std::floor(lo + (hi - lo) / 2.0);
        (at(mid) < from ? lo : hi) = mid;
    }
    if (lo > index) {
        index = lo;
        offset = at(lo);
        step = spacing + lo * gain;
    }
    return true;
}

/// Lays the stack's copies at offsets 0, spacing, ... (growing by the gain) with jitter, up to
/// its length; with `reach`, only the copies that can come near the canvas.
void LayStack(const LayoutContext& run, const Stack& stack, const Reach* reach,
              LayoutJitter& random) {
    const MoveEffectParam& param = run.param;
    const size_t maxPaths = reach == nullptr
                                ? kMaxPaths
                                : kMaxReachingPaths + static_cast<size_t>(std::max(run.width, 0)) +
                                      static_cast<size_t>(std::max(run.height, 0));
    size_t laid = 0;
    // A copy's index is its place in the whole stack, counting the copies crossed or dropped,
    // so that seeded runs keep each copy's randomness whatever is laid.
    double index = 0.0;
    double offset = 0.0;
    double step = param.spacing;
    const double halfGain = 0.5 * param.spcgain;
    for (;;) {
        if (reach != nullptr) {
            // The offsets that cannot reach the canvas are crossed in one go.
            const size_t next = reach->Next(offset);
            if (next == reach->intervals.size()) {
                break;
            }
            const double from = reach->intervals[next].lo - reach->jitter;
            if (offset < from && param.spcgain == 0.0) {
                // Without a gain each offset is an exact multiple of the spacing.
                const double k = std::floor(from / param.spacing);
                if (!(k * param.spacing <= stack.length)) {
                    break;
                }
                if (k * param.spacing > offset) {
                    offset = k * param.spacing;
                    index = k;
                }
            } else if (offset < from &&
                       !CrossWithGain(param.spacing, param.spcgain, from, index, offset, step)) {
                break;
            }
        }
        double o = offset;
        if (param.spcfluct != 0.0) {
            o = offset + random.Next(static_cast<int64_t>(index)) * param.spcfluct * param.spacing;
        }
        if (reach == nullptr || reach->Holds(o)) {
            if (laid == maxPaths) {
                break;
            }
            run.pool.Enqueue(TaskAlongGuide(run.tasks, run.guide, stack.mapping,
                                            stack.x1 + stack.dirX * o, stack.y1 + stack.dirY * o,
                                            static_cast<int64_t>(index)));
            ++laid;
        }
        offset += halfGain + step;
        index += 1;
        if (offset > stack.length) {
            break;
        }
        step += param.spcgain;
        if (!(step > 0)) {
            break;
        }
    }
}

}  // namespace

void CreateParallelPathTasks(const LayoutContext& run, const ParallelTarget* parallelTarget) {
    const MoveEffectParam& param = run.param;
    const PathParser& guide = run.guide;
    if (parallelTarget == nullptr || !HasFiniteSettings(param)) {
        return;
    }
    PathPoint origin;
    if (!GuideOrigin(guide, origin)) {
        return;
    }
    const ParallelTarget& target = *parallelTarget;
    // Integer differences as doubles: exact, and free of int32 overflow.
    const double x1 = target.p1.x;
    const double y1 = target.p1.y;
    const double theta = std::atan2(target.p2.y - y1, target.p2.x - x1);
    const double l1 = std::hypot(target.p2.x - x1, target.p2.y - y1);
    const double l3 = std::hypot(target.p3.x - x1, target.p3.y - y1);
    // A guide with no horizontal extent is laid with its lengthwise extent collapsed.
    const double scale = guide.pathWidth != 0.0 ? l1 / guide.pathWidth : 0.0;
    if (!std::isfinite(scale)) {
        return;
    }
    LayoutJitter random(run.tasks.seeds);
    if (param.spacing < 1) {
        return;
    }
    const GuideMapping mapping{origin, scale, param.curvature, std::cos(theta), std::sin(theta)};
    // p3 on p1 gives no stacking direction: the single path at p1, without jitter.
    if (l3 == 0.0) {
        run.pool.Enqueue(TaskAlongGuide(run.tasks, guide, mapping, x1, y1, 0));
        return;
    }
    const Stack stack{x1, y1, (target.p3.x - x1) / l3, (target.p3.y - y1) / l3, l3, mapping};
    // A far third point: only the copies that can come near the canvas are laid.
    Reach reach{{}, std::fabs(param.spcfluct * param.spacing)};
    const bool onlyReaching =
        l3 / param.spacing > kPathsLaidWhole && ReachIntervals(run, stack, reach.intervals);
    LayStack(run, stack, onlyReaching ? &reach : nullptr, random);
}
