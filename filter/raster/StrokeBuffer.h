// StrokeBuffer: a run's coverage bytes, the lines and dabs stamped into them, and the dirty
// rectangle they widen.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include <veltrix/veltrix.h>

#include "filter/raster/CoverageGrid.h"
#include "filter/raster/CoverageStore.h"
#include "filter/raster/DabRasteriser.h"

class LineSweep;
class StrokeBuffer;
struct SweepMemory;

/// Dabs of a smaller diameter (pixels) are not placed: a line of such a pen draws nothing.
constexpr double kSmallestDab = 0.1;

/// Draws one segment of a line instead of the buffer's own dab chain: the differential tests
/// and benchmarks plug in the straightforward rasteriser or a recorder this way.
using LineRasteriser = void (*)(StrokeBuffer& buffer, const PathPoint& from, double fromPressure,
                                const PathPoint& to, double toPressure);

/// The last dab a line's walk placed: diameter 0 (none yet) or more, in pixels. One per line,
/// owned by the line's walk on one thread. A dab that repeats it exactly, as the last dab of
/// one segment and the first of the next often do, would change no byte and is not placed.
struct LastDab {
    double cx = 0.0;
    double cy = 0.0;
    double diameter = 0.0;
};

/// How a buffer stamps its dabs.
struct RasterOptions {
    /// The fast path stays on the kernel every processor has (see DabRasteriser).
    bool baselineKernel = false;
    /// When set, DrawLine hands every segment to it; DrawCircle is unaffected.
    LineRasteriser lineRasteriser = nullptr;
};

/// One coverage byte per canvas pixel, row-major, only ever raised (atomic maximum), with the
/// dirty rectangle of every dab stamped or widened. Reset runs on the calling thread; DrawLine,
/// DrawCircle, WidenDirtyRect and Widen are thread-safe and run on the pool's workers.
class StrokeBuffer {
  public:
    /// A buffer for dabs of the pen `size` (pixels) and `hardness`; it has no pixels until Reset.
    StrokeBuffer(double size, double hardness, const RasterOptions& options = {});
    /// Gives the memory back to the coverage store.
    ~StrokeBuffer();

    StrokeBuffer(const StrokeBuffer&) = delete;
    StrokeBuffer& operator=(const StrokeBuffer&) = delete;

    /// Replaces the buffer with a zeroed one of width x height and empties the rectangle.
    /// Throws std::bad_alloc, leaving the buffer as it was.
    void Reset(int32_t width, int32_t height);
    bool HasPixels() const { return memory.bytes != nullptr; }
    int32_t Width() const { return width; }
    int32_t Height() const { return height; }

    /// Stamps the pen along from -> to; pressures 0..1 scale the pen size. Returns the union of
    /// the dabs' ranges it widened the dirty rectangle by (empty while a plugged rasteriser
    /// draws).
    /// With a `sweep`, dabs the sweep takes are gathered there and stamped when it flushes;
    /// the returned range is the same. With `last`, the line's last dab, a dab that repeats it
    /// is passed over (the bytes are the same); it then holds this segment's last dab.
    PixelRange DrawLine(const PathPoint& from, double fromPressure, const PathPoint& to,
                        double toPressure, LineSweep* sweep = nullptr, LastDab* last = nullptr);
    /// One soft round dab of `diameter` pixels centred at (x, y).
    void DrawCircle(double x, double y, double diameter);
    /// Widens the dirty rectangle exactly as that dab would, without stamping it: for dabs
    /// known to lie off the canvas. Returns the dab's range.
    PixelRange WidenDirtyRect(double x, double y, double diameter);
    /// Widens the dirty rectangle to include `range`.
    void Widen(const PixelRange& range);
    /// The empty range of this canvas, {width, height, 0, 0}.
    PixelRange NoRange() const { return {width, height, 0, 0}; }
    /// The dirty rectangle; read it once the workers are quiet.
    PixelRange DirtyRect() const;
    /// Notes that every coverage byte is zero again (the final compositing cleared the dirty
    /// rectangle as it read it), so handing the memory back need not clear the bytes. Calling
    /// thread, once the workers are quiet; nothing may be stamped afterwards.
    void NoteBytesZeroed() { bytesZeroed = true; }

    /// The coverage bytes (null before Reset).
    std::atomic<uint8_t>* Bytes() { return memory.bytes; }
    const std::atomic<uint8_t>* Bytes() const { return memory.bytes; }
    double PenSize() const { return size; }
    double Hardness() const { return hardness; }

    /// Stamps one dab over its clamped `range` unless the buffer is full; the rectangle is
    /// the caller's to widen.
    void StampDab(double cx, double cy, double diameter, const PixelRange& range);
    const DabRasteriser& Rasteriser() const { return rasteriser; }
    CoverageGrid Grid() const { return {memory.bytes, width, height, memory.floors}; }
    /// Whether one dab has filled every byte, so that no later dab can change one.
    bool Full() const { return full.load(std::memory_order_relaxed); }
    /// A line sweep's tables, kept for the next sweep of the run (thread-safe).
    std::unique_ptr<SweepMemory> TakeSweepMemory();
    void GiveSweepMemory(std::unique_ptr<SweepMemory> memory) noexcept;

  private:
    struct DabChain;
    PixelRange Walk(const DabChain& chain, LineSweep* sweep, LastDab* last);
    PixelRange WidenAsSkipped(const DabChain& chain, double a, double b) const;
    PixelRange WalkClipped(const DabChain& chain, LineSweep* sweep, LastDab* last);

    double size;
    double hardness;
    LineRasteriser plugged;
    DabRasteriser rasteriser;
    int32_t width = 0;
    int32_t height = 0;
    /// The coverage bytes and the tiles' floors, one byte per kFloorTile square (see
    /// CoverageGrid), from the coverage store.
    CoverageMemory memory;
    /// Dirty rectangle: columns minX <= x < maxX, rows minY <= y < maxY.
    std::atomic<int32_t> minX{0};
    std::atomic<int32_t> minY{0};
    std::atomic<int32_t> maxX{0};
    std::atomic<int32_t> maxY{0};
    /// Set once one dab has raised every byte to 255: later dabs cannot change a byte, so they
    /// only widen the dirty rectangle (pens far larger than the canvas).
    std::atomic<bool> full{false};
    bool bytesZeroed = false;
    std::mutex sweepLock;
    std::vector<std::unique_ptr<SweepMemory>> spareSweeps;
};
