// MoveEffectFilter: one drawing run, from the host's records to the composited layer.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include <veltrix/veltrix.h>

#include "filter/DabRasteriser.h"
#include "threadpool/ThreadPool.h"

class PathParser;

/// Frees what calloc gave.
struct CallocDeleter {
    void operator()(void* p) const noexcept;
};

/// The base image as the filter keeps it: the host's pixels are used in place, not owned.
struct BaseImage {
    int8_t colorMode = 0;
    uint8_t depth = 0;
    uint8_t channelOrder[5] = {0, 0, 0, 0, 0};
    const uint8_t* pixels = nullptr;  ///< null: no base image
    int32_t width = 0;
    int32_t height = 0;
    int32_t rowBytes = 0;
    int32_t bytesPerPixel = 0;
    bool invertGray = false;
    uint8_t maskDepth = 0;
    int32_t maskRowBytes = 0;
    const uint8_t* mask = nullptr;
};

/// One drawing run. Set-up and compositing run on the calling thread; DrawLine, DrawCircle and
/// GetPixelDepth also run on the pool's workers during ApplyEffect. Neither copied nor moved.
class MoveEffectFilter {
  public:
    /// Copies the parameters and starts the pool (`workerCount` 0: one per hardware thread).
    explicit MoveEffectFilter(const MoveEffectParam& param, unsigned workerCount = 0);
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
    /// Records the base image and creates the zeroed stroke buffer; null pixels are ignored.
    void SetBaseImage(const MoveEffectImageParam* image);
    MoveEffectParam GetParameter() const { return param; }

    /// The pool's progress hook: forwards to the host until it asks to stop.
    static int OnProgress(int total, int completed, void* filter);
    /// Lays out the effect's tasks and runs them; the argument has no effect.
    void ApplyEffect(bool unused);

    // Rasterising, sampling and compositing (thread-safe where marked).
    /// Stamps the pen along from -> to; pressures 0..1 scale the pen size. Returns the union of
    /// the dabs' ranges it widened the dirty rectangle by (empty while a test rasteriser is
    /// plugged in). Thread-safe.
    PixelRange DrawLine(const PathPoint& from, double fromPressure, const PathPoint& to,
                        double toPressure);
    /// One soft round dab of `diameter` pixels centred at (x, y). Thread-safe.
    void DrawCircle(double x, double y, double diameter);
    /// Widens the dirty rectangle exactly as that dab would, without stamping it: for dabs
    /// known to lie off the canvas. Returns the dab's range. Thread-safe.
    PixelRange WidenDirtyRect(double x, double y, double diameter);
    /// The empty range of this canvas, {width, height, 0, 0}.
    PixelRange NoRange() const { return {baseImage.width, baseImage.height, 0, 0}; }
    /// Darkness times opacity of the base image at a point (truncated to a pixel), 0..255,
    /// or -1 outside the canvas. Thread-safe.
    int GetPixelDepth(const PathPoint& point) const;
    int GetPixelDepth(int x, int y) const;
    static float GetChannelAsFloat(const uint8_t* pixel, int index, int depth);
    /// Clears the host's layer and writes colour plus coverage for the dirty rectangle.
    void DrawToCanvas(int colorMode, int depth, const uint8_t* color, uint8_t* pixels,
                      int rowBytes);
    static uint16_t Float32To16(float value);
    static float Float16To32(uint16_t value);

    // Layouts: build the run's PathTasks and enqueue them in the pool.
    void CreateCirclePathTasks();
    void AppendCircleTask(const PathPoint& center, double angle, double startAngle, double radiusX,
                          double radiusY);
    bool IsEllipseIn(const PathPoint& center, double radiusX, double radiusY, double angle) const;
    static bool LineIntersectsEllipse(const PathPoint& from, const PathPoint& to,
                                      const PathPoint& center, double radiusX, double radiusY,
                                      double angle);
    void CreateRadiatePathTasks();
    void CreateParallelPathTasks();

    std::mutex mutex;
    std::atomic<bool> cancelled{false};
    MoveEffectParam param;
    std::unique_ptr<CircleTarget> circleTarget;
    std::unique_ptr<ParallelTarget> parallelTarget;
    std::unique_ptr<RadiateTarget> radiateTarget;
    PathParser* guide = nullptr;
    BaseImage baseImage;
    /// One coverage byte per canvas pixel, row-major; only ever raised (atomic maximum).
    /// Allocated zeroed by calloc, so untouched pages are never written.
    std::unique_ptr<std::atomic<uint8_t>[], CallocDeleter> strokeBuffer;
    /// The stroke buffer's floors, one byte per kFloorTile square (see CoverageGrid).
    std::unique_ptr<std::atomic<uint8_t>[], CallocDeleter> coverageFloors;
    /// Dirty rectangle: columns minX <= x < maxX, rows minY <= y < maxY.
    std::atomic<int32_t> minX{0};
    std::atomic<int32_t> minY{0};
    std::atomic<int32_t> maxX{0};
    std::atomic<int32_t> maxY{0};
    /// Set once one dab has raised every byte of the buffer to 255: later dabs cannot change
    /// a byte, so they only widen the dirty rectangle (pens far larger than the canvas).
    std::atomic<bool> strokeBufferFull{false};
    ThreadPool pool;
    void* progressUser = nullptr;
    ProgressCallback progressProc = nullptr;
    /// Stamps the dabs of this run's pen hardness.
    DabRasteriser rasteriser;

    /// Test-only: when set, DrawLine hands every segment to this rasteriser instead (the
    /// differential tests and benchmarks plug in the straightforward one). Change it only
    /// while no run is active.
    using LineRasteriser = void (*)(MoveEffectFilter& filter, const PathPoint& from,
                                    double fromPressure, const PathPoint& to, double toPressure);
    static std::atomic<LineRasteriser> lineRasteriser;
};
