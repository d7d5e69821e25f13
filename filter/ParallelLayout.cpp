// The parallel layout: speed lines of one shape stacked side by side.
#include <cmath>
#include <memory>

#include "filter/LayoutGuards.h"
#include "filter/MoveEffectFilter.h"
#include "path/PathParser.h"
#include "task/PathTask.h"
#include "task/Random.h"

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
    double offset = 0.0;
    double step = param.spacing;
    const double halfGain = 0.5 * param.spcgain;
    for (;;) {
        double o = offset;
        if (param.spcfluct != 0.0) {
            o = offset + random.Uniform() * param.spcfluct * param.spacing;
        }
        layPath(x1 + dirX * o, y1 + dirY * o);
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
