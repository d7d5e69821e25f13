// The radiate layout: lines fanning over a full turn from a centre, between two radii.
#include <cmath>
#include <memory>

#include "filter/layout/Layouts.h"
#include "path/PathParser.h"
#include "task/PathTask.h"
#include "task/Random.h"

void CreateRadiatePathTasks(const LayoutContext& run, const RadiateTarget* radiateTarget) {
    const MoveEffectParam& param = run.param;
    const PathParser* guide = &run.guide;
    if (radiateTarget == nullptr || !HasFiniteSettings(param)) {
        return;
    }
    PathPoint origin;
    if (!GuideOrigin(*guide, origin)) {
        return;
    }
    const RadiateTarget& target = *radiateTarget;
    // Integer differences as doubles: exact, and free of int32 overflow.
    const double cx = target.p1.x;
    const double cy = target.p1.y;
    const double d2 = std::hypot(target.p2.x - cx, target.p2.y - cy);
    const double d3 = std::hypot(target.p3.x - cx, target.p3.y - cy);
    const TargetPoint& farPoint = d3 >= d2 ? target.p3 : target.p2;
    const double alpha0 = std::atan2(farPoint.y - cy, farPoint.x - cx);
    const double rNear = d3 >= d2 ? d2 : d3;
    const double rFar = d3 >= d2 ? d3 : d2;

    const double dAlpha = static_cast<double>(param.spacing) * 90 / 1000 * kPi / 180;
    if (dAlpha <= 0) {
        return;
    }
    // A guide with no horizontal extent is laid with its lengthwise extent collapsed.
    const double scale = guide->pathWidth != 0.0 ? (rFar - rNear) / guide->pathWidth : 0.0;
    if (!std::isfinite(scale)) {
        return;
    }

    LayoutJitter random(run.tasks.seeds);
    const double alphaEnd = alpha0 + 2 * kPi;
    int64_t index = 0;
    for (double alpha = alpha0; alpha <= alphaEnd; alpha += dAlpha, ++index) {
        double beta = alpha;
        if (param.spcfluct != 0.0) {
            beta = alpha + (0.5 - random.Next(index) * param.spcfluct) * dAlpha;
        }
        const double cosB = std::cos(beta);
        const double sinB = std::sin(beta);
        const GuideMapping mapping{origin, scale, param.curvature, cosB, sinB};
        // The guide's origin lands on the inner circle in direction beta.
        run.pool.Enqueue(TaskAlongGuide(run.tasks, *guide, mapping, cx + rNear * cosB,
                                        cy + rNear * sinB, index));
    }
}
