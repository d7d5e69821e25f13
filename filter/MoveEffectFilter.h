// MoveEffectFilter: one drawing run, from the host's records to the composited layer.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include <veltrix/veltrix.h>

#include "filter/RunOptions.h"
#include "filter/raster/BaseImageMarks.h"
#include "filter/raster/BaseImageSampler.h"
#include "filter/raster/StrokeBuffer.h"
#include "task/PathTask.h"
#include "threadpool/ThreadPool.h"

class PathParser;
struct LayoutContext;

/// One drawing run. It owns the targets, the base-image sampler, the stroke buffer and the
/// pool, lays out the tasks (filter/layout), runs them and composites. Set-up and compositing
/// run on the calling thread; the forwarding drawing and sampling members are thread-safe like
/// the classes they forward to. Neither copied nor moved.
class MoveEffectFilter {
  public:
    /// Copies the parameters (clamping the taper fractions) and starts the pool.
    explicit MoveEffectFilter(const MoveEffectParam& param, const RunOptions& options = {});
    ~MoveEffectFilter();

    MoveEffectFilter(const MoveEffectFilter&) = delete;
    MoveEffectFilter& operator=(const MoveEffectFilter&) = delete;

    // Set-up, in the order DrawEffect uses.
    void SetTarget(const PointTarget& target);
    void SetTarget(const CircleTarget& target);
    void SetTarget(const ParallelTarget& target);
    void SetTarget(const RadiateTarget& target);
    static void CreateCircleParam(const PointTarget* target, CircleTarget* circle);
    void AttachGuide(PathParser* guide);
    void SetProgressCallback(ProgressCallback proc, void* user);
    /// Records the base image and creates the zeroed stroke buffer. A null image or pixels or
    /// a negative size changes nothing; allocation failure throws and changes nothing.
    void SetBaseImage(const MoveEffectImageParam* image);
    MoveEffectParam GetParameter() const { return param; }

    /// The pool's progress hook: forwards to the host until it asks to stop.
    static int OnProgress(int total, int completed, void* filter);
    /// Lays out the effect's tasks and runs them; the argument has no effect.
    void ApplyEffect(bool unused);

    // Forwarded to the stroke buffer, the sampler and compositing.
    PixelRange DrawLine(const PathPoint& from, double fromPressure, const PathPoint& to,
                        double toPressure) {
        return strokes.DrawLine(from, fromPressure, to, toPressure);
    }
    void DrawCircle(double x, double y, double diameter) { strokes.DrawCircle(x, y, diameter); }
    int GetPixelDepth(const PathPoint& point) const { return base.GetPixelDepth(point); }
    int GetPixelDepth(int x, int y) const { return base.GetPixelDepth(x, y); }
    static float GetChannelAsFloat(const uint8_t* pixel, int index, int depth) {
        return BaseImageSampler::GetChannelAsFloat(pixel, index, depth);
    }
    static uint16_t Float32To16(float value);
    static float Float16To32(uint16_t value);
    /// Clears the host's layer and writes colour plus coverage for the dirty rectangle. With
    /// `lastUse`, the coverage is cleared on the way and cannot be composited again.
    void DrawToCanvas(int colorMode, int depth, const uint8_t* color, uint8_t* pixels, int rowBytes,
                      bool lastUse = false);

    // The layouts, for this run's target of their kind.
    void CreateCirclePathTasks();
    void AppendCircleTask(const PathPoint& center, double angle, double startAngle, double radiusX,
                          double radiusY);
    bool IsEllipseIn(const PathPoint& center, double radiusX, double radiusY, double angle) const;
    static bool LineIntersectsEllipse(const PathPoint& from, const PathPoint& to,
                                      const PathPoint& center, double radiusX, double radiusY,
                                      double angle);
    void CreateRadiatePathTasks();
    void CreateParallelPathTasks();

    /// What this run's tasks share (valid while the filter lives).
    const TaskEnvironment& Tasks() const { return tasks; }

    std::atomic<bool> cancelled{false};
    MoveEffectParam param;
    std::unique_ptr<CircleTarget> circleTarget;
    std::unique_ptr<ParallelTarget> parallelTarget;
    std::unique_ptr<RadiateTarget> radiateTarget;
    PathParser* guide = nullptr;
    BaseImageSampler base;
    BaseImageMarks marks;
    StrokeBuffer strokes;
    ThreadPool pool;
    void* progressUser = nullptr;
    ProgressCallback progressProc = nullptr;

  private:
    LayoutContext MakeLayoutContext();
    TaskEnvironment tasks;
};
