// The three layouts: each turns a target and the guide into the run's line tasks.
#pragma once

#include <cstdint>

#include <veltrix/veltrix.h>

#include "filter/layout/LayoutSupport.h"
#include "path/PathParser.h"
#include "task/PathTask.h"
#include "threadpool/ThreadPool.h"

/// What a layout reads, and where its tasks go. Layouts run on the calling thread before the
/// pool runs; they walk the guide and enqueue tasks, and draw nothing themselves.
struct LayoutContext {
    const MoveEffectParam& param;
    PathParser& guide;
    int32_t width;  ///< the canvas, in pixels
    int32_t height;
    const TaskEnvironment& tasks;  ///< handed to every task
    ThreadPool& pool;
};

/// Rings around the circle target: the target ring, then inward and outward passes while
/// rings meet the canvas. A null target lays nothing.
void CreateCirclePathTasks(const LayoutContext& run, const CircleTarget* target);
/// Enqueues one ring of the given radii (pixels) turned by `angle`, starting at `startAngle`
/// (radians), with the guide's height profile as its offset, as the layout's path `index`;
/// rings of more than about a million pieces are not laid.
void AppendCircleTask(const LayoutContext& run, const CircleTarget* ring, const PathPoint& center,
                      double angle, double startAngle, double radiusX, double radiusY,
                      int64_t index = 0);
/// Lines over a full turn around p1, from the nearer to the farther of p2 and p3.
void CreateRadiatePathTasks(const LayoutContext& run, const RadiateTarget* target);
/// Copies of the guide from p1 towards p2, stacked towards p3.
void CreateParallelPathTasks(const LayoutContext& run, const ParallelTarget* target);
