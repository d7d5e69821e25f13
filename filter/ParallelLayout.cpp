// The parallel layout: speed lines of one shape stacked side by side.
#include <algorithm>
#include <cmath>
#include <memory>

#include "filter/LayoutGuards.h"
#include "filter/MoveEffectFilter.h"
#include "path/PathParser.h"
#include "task/PathTask.h"
#include "task/Random.h"

namespace {

// Up to this many paths are laid as they come; beyond it only paths that can reach the canvas
// are laid (the others would find no marked sample), so a far third point costs no more than
// the canvas holds.
constexpr double kPathsLaidWhole = 65536.0;

struct Bounds {
    double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    void Add(double x, double y) {
        minX = std::min(minX, x);
        minY = std::min(minY, y);
        maxX = std::max(maxX, x);
        maxY = std::max(maxY, y);
    }
};

}  // namespace

void MoveEffectFilter::CreateParallelPathTasks() {
    if (!parallelTarget || !HasFiniteSettings(param)) {
        return;
    }
    PathPoint origin;
    if (!GuideOrigin(*guide, origin)) {
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
    const double scale = guide->pathWidth != 0.0 ? l1 / guide->pathWidth : 0.0;
    if (!std::isfinite(scale)) {
        return;
    }

    Random random(0.0, 1.0);
    if (param.spacing < 1) {
        return;
    }
    const double cosT = std::cos(theta);
    const double sinT = std::sin(theta);
    // The guide's shape relative to its base point; its control points bound every curve.
    Bounds shape;
    for (const PathSegment& source : guide->segments) {
        for (const PathPoint& g : source.points) {
            const double lx = (g.x - origin.x) * scale;
            const double ly = (g.y - origin.y) * param.curvature;
            shape.Add(cosT * lx - sinT * ly, sinT * lx + cosT * ly);
        }
    }
    const double w = baseImage.width;
    const double h = baseImage.height;
    auto reaches = [&](double baseX, double baseY) {
        return baseX + shape.maxX > -2.0 && baseX + shape.minX < w + 1.0 &&
               baseY + shape.maxY > -2.0 && baseY + shape.minY < h + 1.0;
    };
    auto layPath = [&](double baseX, double baseY) {
        auto task = std::make_shared<PathTask>(this, nullptr);
        for (const PathSegment& source : guide->segments) {
            PathSegment segment;
            segment.kind = source.kind;
            segment.points.reserve(source.points.size());
            for (const PathPoint& g : source.points) {
                const double lx = (g.x - origin.x) * scale;
                const double ly = (g.y - origin.y) * param.curvature;
                segment.points.push_back(
                    {baseX + cosT * lx - sinT * ly, baseY + sinT * lx + cosT * ly});
            }
            task->AppendPathSegment(segment);
        }
        pool.Enqueue(task);
    };

    // p3 on p1 gives no stacking direction: the single path at p1, without jitter.
    if (l3 == 0.0) {
        layPath(x1, y1);
        return;
    }
    const double dirX = (target.p3.x - x1) / l3;
    const double dirY = (target.p3.y - y1) / l3;
    const bool onlyReaching = l3 / param.spacing > kPathsLaidWhole;
    // Offsets that can bring the shape near the canvas, for crossing the others in one go
    // when there is no gain (each offset is then an exact multiple of the spacing).
    double firstReach = -INFINITY;
    double lastReach = INFINITY;
    if (onlyReaching && param.spcgain == 0.0) {
        const double jitterReach = std::fabs(param.spcfluct * param.spacing) + 2.0;
        auto range = [&](double base, double dir, double lo, double hi, double limit) {
            if (dir == 0.0) {
                if (base + hi <= -2.0 || base + lo >= limit + 1.0) {
                    firstReach = INFINITY;  // never reaches
                }
                return;
            }
            double a = (-2.0 - hi - base) / dir;
            double b = (limit + 1.0 - lo - base) / dir;
            if (a > b) {
                std::swap(a, b);
            }
            firstReach = std::max(firstReach, a - jitterReach);
            lastReach = std::min(lastReach, b + jitterReach);
        };
        range(x1, dirX, shape.minX, shape.maxX, w);
        range(y1, dirY, shape.minY, shape.maxY, h);
    }
    double offset = 0.0;
    double step = param.spacing;
    const double halfGain = 0.5 * param.spcgain;
    for (;;) {
        if (offset < firstReach) {
            // Cross the offsets that cannot reach the canvas; multiples of the spacing stay
            // exact, as repeated addition would give them.
            const double k = std::floor(firstReach / param.spacing);
            if (!(k * param.spacing <= l3)) {
                break;
            }
            offset = std::max(offset, k * param.spacing);
        }
        if (offset > lastReach) {
            break;
        }
        double o = offset;
        if (param.spcfluct != 0.0) {
            o = offset + random.Uniform() * param.spcfluct * param.spacing;
        }
        if (!onlyReaching || reaches(x1 + dirX * o, y1 + dirY * o)) {
            layPath(x1 + dirX * o, y1 + dirY * o);
        }
        offset += halfGain + step;
        if (offset > l3) {
            break;
        }
        step += param.spcgain;
        if (!(step > 0)) {
            break;
        }
    }
}
