// Checks shared by the layouts: which parameter values can be laid out at all.
#pragma once

#include <cmath>

#include <veltrix/veltrix.h>

/// Whether every floating-point setting of the run is finite; a run with a NaN or infinite
/// setting lays out no tasks, since its geometry or its pen would be undefined.
inline bool HasFiniteSettings(const MoveEffectParam& param) {
    const double values[] = {param.curvature, param.size,    param.hardness, param.fluction,
                             param.in,        param.out,     param.posfluct, param.lenfluct,
                             param.spcfluct,  param.lengain, param.spcgain};
    for (double value : values) {
        if (!std::isfinite(value)) {
            return false;
        }
    }
    return true;
}

/// The first point of the guide's first segment, the origin of its shape; false when the guide
/// has no points.
template <typename Guide>
bool GuideOrigin(const Guide& guide, PathPoint& origin) {
    if (guide.segments.empty() || guide.segments.front().points.empty()) {
        return false;
    }
    origin = guide.segments.front().points.front();
    return true;
}
