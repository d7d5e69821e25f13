// Shared by the layouts: which settings can be laid out, and the guide mapped into the canvas.
#pragma once

#include <cmath>
#include <memory>

#include <veltrix/veltrix.h>

#include "path/PathParser.h"
#include "task/PathTask.h"

constexpr double kPi = 3.14159265358979323846;

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
inline bool GuideOrigin(const PathParser& guide, PathPoint& origin) {
    if (guide.segments.empty() || guide.segments.front().points.empty()) {
        return false;
    }
    origin = guide.segments.front().points.front();
    return true;
}

/// How a guide point becomes a canvas point: its offset from the guide's origin, scaled by
/// `scale` lengthwise and by `curvature` sideways, turned by the angle (cosA, sinA) and
/// placed at a base point.
struct GuideMapping {
    PathPoint origin;
    double scale;
    double curvature;
    double cosA;
    double sinA;

    PathPoint Map(const PathPoint& g, double baseX, double baseY) const {
        const double lx = (g.x - origin.x) * scale;
        const double ly = (g.y - origin.y) * curvature;
        return {baseX + cosA * lx - sinA * ly, baseY + sinA * lx + cosA * ly};
    }
};

/// The uniform draws in [0, 1] behind a layout's spacing jitter. Seeded runs derive each path's
/// draw from its index, so that the paths a layout crosses or drops shift no other path's;
/// unseeded runs draw from one stream.
class LayoutJitter {
  public:
    explicit LayoutJitter(const RandomSeeds& seeds)
        : seeds(seeds), stream(seeds.Make(RandomSeeds::Role::kLayout, 0, 0.0, 1.0)) {}

    double Next(int64_t index) {
        if (!seeds.Seeded()) {
            return stream.Uniform();
        }
        const uint32_t start = seeds.DeviceValue(RandomSeeds::Role::kLayout, index);
        return Random::WithDeviceValue(start, 0.0, 1.0).Uniform();
    }

  private:
    RandomSeeds seeds;
    Random stream;
};

/// A task whose path is every guide segment, of the same kind, mapped to the base point;
/// `index` numbers the path within its layout.
inline std::shared_ptr<PathTask> TaskAlongGuide(const TaskEnvironment& run, const PathParser& guide,
                                                const GuideMapping& mapping, double baseX,
                                                double baseY, int64_t index) {
    auto task = std::make_shared<PathTask>(run, nullptr);
    task->pathIndex = index;
    for (const PathSegment& source : guide.segments) {
        PathSegment segment;
        segment.kind = source.kind;
        segment.points.reserve(source.points.size());
        for (const PathPoint& g : source.points) {
            segment.points.push_back(mapping.Map(g, baseX, baseY));
        }
        task->AppendPathSegment(segment);
    }
    return task;
}
