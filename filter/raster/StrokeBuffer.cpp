// The stroke buffer: lines as chains of soft round dabs, stamped by atomic maximum.
#include "filter/raster/StrokeBuffer.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>
#include <type_traits>

#include "filter/raster/CanvasGeometry.h"
#include "filter/raster/LineSweep.h"

// Concurrency. Workers stamp overlapping dabs into one buffer, so each pixel update is an
// atomic maximum (dab::Raise): a relaxed load, and a compare-and-swap only when the dab's
// value is larger. Relaxed order suffices because nothing else is published through the
// buffer; the pool's completion handshake orders every stamp before DrawToCanvas. The dabs of
// one DrawLine gather their ranges locally and widen the shared rectangle once, by the same
// load-then-CAS minimum and maximum, which writes only while the rectangle still grows.
// Measured (2 cores): the CASes cost about 20% over plain stores on hard dabs whose every
// pixel is new (1.28 us against 1.06 us at diameter 16), but where it matters, on lines, they
// cost 1 to 3%: the typical scene's 331k one-pixel segments took 103 ms of CPU with CASes and
// 99.6 ms with (unsafe) plain stores, tapered pen-4 lines 494 us against 488 us per 256 pixels
// (median of 5). A lock of the filter's mutex per dab costs about as little on one thread but
// serialises the workers: two threads drawing their own lines went from 47k to 97k pixels/s
// with CASes but from 39k to 47k with the lock.

namespace {

// Edges are clamped to [0, size] in double before conversion, so huge or infinite extents
// convert safely; on that range floor and ceil follow from truncation, which costs no call.
// The lower bounds are also capped at the canvas size and the upper ones at 0: the
// rectangle's minima start at the size and its maxima at 0, so that changes no result.
PixelRange RangeOf(double cx, double cy, double radius, int32_t width, int32_t height) {
    const auto lower = [](double edge, int32_t size) {
        return static_cast<int32_t>(std::min(std::max(edge, 0.0), double(size)));
    };
    const auto upper = [](double edge, int32_t size) {
        const double clamped = std::max(std::min(edge, double(size)), 0.0);
        const int32_t whole = static_cast<int32_t>(clamped);
        return whole + (clamped > whole ? 1 : 0);
    };
    return {lower(cx - radius, width), lower(cy - radius, height), upper(cx + radius, width),
            upper(cy + radius, height)};
}

// False for NaN anywhere, or an infinite dab at an infinite centre: such a dab has no extent,
// and its edges would reach RangeOf as NaN.
bool HasExtent(double cx, double cy, double radius) {
    return !std::isnan(cx - radius) && !std::isnan(cx + radius) && !std::isnan(cy - radius) &&
           !std::isnan(cy + radius);
}

void LowerTo(std::atomic<int32_t>& bound, int32_t value) {
    int32_t current = bound.load(std::memory_order_relaxed);
    while (value < current &&
           !bound.compare_exchange_weak(current, value, std::memory_order_relaxed)) {
    }
}

void RaiseTo(std::atomic<int32_t>& bound, int32_t value) {
    int32_t current = bound.load(std::memory_order_relaxed);
    while (value > current &&
           !bound.compare_exchange_weak(current, value, std::memory_order_relaxed)) {
    }
}

// Segments up to this length are walked dab by dab exactly as written. Longer ones (only
// hostile input makes them: the line tasks draw one-pixel segments) are clipped to the stretch
// whose dabs can reach the canvas, so their cost is bounded by the canvas, not their length.
constexpr double kPlainWalkLength = 65536.0;

}  // namespace

/// One line's dab chain: pressure moves linearly from p0 to p1 over `length` pixels, and
/// the pen's diameter is pressure times `size`.
struct StrokeBuffer::DabChain {
    double fromX;
    double fromY;
    double ux;
    double uy;
    double length;
    double p0;
    double p1;
    double size;
    double reach;  ///< PenReach(size): no dab centred farther off the canvas touches it

    double PressureAt(double t) const {
        // With equal ends (a line's untapered middle) the formula gives p0 + 0 for the finite t
        // and positive lengths walked, without the division.
        const double p = p1 == p0 ? p0 + 0.0 : p0 + (p1 - p0) * t / length;
        return std::min(std::max(p, 0.0), 1.0);
    }
};

// Stamps the chain: the pressure is taken before each step and the dab placed after it. The
// dabs' ranges are gathered locally and returned; the caller widens the rectangle once.
PixelRange StrokeBuffer::Walk(const DabChain& chain, LineSweep* sweep, LastDab* last) {
    PixelRange reached = NoRange();
    double t = 0.0;
    LastDab none;
    LastDab& previous = last != nullptr ? *last : none;
    do {
        const double s = chain.PressureAt(t) * chain.size;
        double next;
        if (s < kSmallestDab) {
            next = t + 0.1;
        } else {
            next = t + std::min(s, 1.0);
            const double cx = chain.fromX + chain.ux * next;
            const double cy = chain.fromY + chain.uy * next;
            const PixelRange range = RangeOf(cx, cy, s * 0.5, width, height);
            // A repeat raises each byte to what the dab it repeats already raised it to.
            if (cx != previous.cx || cy != previous.cy || s != previous.diameter) {
                if (sweep != nullptr) {
                    sweep->Add(cx, cy, s, range);
                } else {
                    StampDab(cx, cy, s, range);
                }
                previous = {cx, cy, s};
            }
            reached.Unite(range);
        }
        // Unreachable below kPlainWalkLength; stops a walk whose step no longer moves t.
        if (!(next > t)) {
            break;
        }
        t = next;
    } while (!(t > chain.length));
    return reached;
}

// Widens the rectangle as the dabs whose steps start at t in [a, b] would, without stamping
// them (they cannot reach the canvas). Along a straight chain each edge of a dab's range is
// linear in t between the pressure's breakpoints (clamping at 0 and 1, the 0.1 diameter below
// which no dab exists, the diameter 1 where the step stops growing), so the union of the
// clamped ranges is that of the dabs at a, b and those breakpoints.
PixelRange StrokeBuffer::WidenAsSkipped(const DabChain& chain, double a, double b) const {
    PixelRange reached = NoRange();
    const auto widenAt = [&](double t, bool firstOfRun) {
        double s = chain.PressureAt(t) * chain.size;
        if (s < kSmallestDab) {
            if (!firstOfRun) {
                return;
            }
            s = kSmallestDab;  // the smallest dab there is, where dabs start or stop
        }
        const double at = t + std::min(s, 1.0);
        reached.Unite(RangeOf(chain.fromX + chain.ux * at, chain.fromY + chain.uy * at, s * 0.5,
                              width, height));
    };
    widenAt(a, false);
    widenAt(b, false);
    if (chain.p1 == chain.p0) {
        return reached;
    }
    // Pressure 0 and 1, the pressures of diameter 0.1 and of diameter 1.
    const double levels[4] = {0.0, 1.0, kSmallestDab / chain.size, 1.0 / chain.size};
    for (int i = 0; i < 4; ++i) {
        const double t = (levels[i] - chain.p0) * chain.length / (chain.p1 - chain.p0);
        if (t > a && t < b) {
            widenAt(t, i == 2);
        }
    }
    return reached;
}

// A chain too long to walk: only the stretch whose dabs may touch the canvas is walked, from a
// point on the line near the canvas; the stretches before and after it only widen the
// rectangle. The walked dabs' positions agree with a full walk to within rounding.
PixelRange StrokeBuffer::WalkClipped(const DabChain& chain, LineSweep* sweep, LastDab* last) {
    const RayStretch near =
        ClipLine(chain.fromX, chain.fromY, chain.ux, chain.uy,
                 {-chain.reach, -chain.reach, width + chain.reach, height + chain.reach}, false);
    const double lo = near.enter;
    const double hi = near.leave;

    // A dab lies at most one step (1 pixel) past the t its step starts from.
    const double nearStart = std::max(lo - 2.0, 0.0);
    const double nearEnd = std::min(hi + 1.0, chain.length);
    if (!(nearStart < nearEnd)) {
        return WidenAsSkipped(chain, 0.0, chain.length);
    }
    PixelRange reached = NoRange();
    if (nearStart > 0.0) {
        reached = WidenAsSkipped(chain, 0.0, nearStart);
    }
    DabChain walked = chain;
    walked.fromX = chain.fromX + chain.ux * nearStart;
    walked.fromY = chain.fromY + chain.uy * nearStart;
    walked.length = nearEnd - nearStart;
    if (nearStart > 0.0) {
        walked.p0 = chain.p0 + (chain.p1 - chain.p0) * nearStart / chain.length;
    }
    if (nearEnd < chain.length) {
        walked.p1 = chain.p0 + (chain.p1 - chain.p0) * nearEnd / chain.length;
    }
    reached.Unite(Walk(walked, sweep, last));
    if (nearEnd < chain.length) {
        reached.Unite(WidenAsSkipped(chain, nearEnd, chain.length));
    }
    return reached;
}

PixelRange StrokeBuffer::DrawLine(const PathPoint& from, double fromPressure, const PathPoint& to,
                                  double toPressure, LineSweep* sweep, LastDab* last) {
    if (plugged != nullptr) {
        plugged(*this, from, fromPressure, to, toPressure);
        return NoRange();
    }
    // Non-finite input would make the walk endless; a pen below 0.1 never makes a dab.
    if (!memory.bytes || !std::isfinite(from.x) || !std::isfinite(from.y) || !std::isfinite(to.x) ||
        !std::isfinite(to.y) || !std::isfinite(fromPressure) || !std::isfinite(toPressure) ||
        !std::isfinite(size) || size < kSmallestDab) {
        return NoRange();
    }
    const double dx = to.x - from.x;
    const double dy = to.y - from.y;
    const double d = std::hypot(dx, dy);
    // Not positive: nothing to draw. Infinite: the end points are too far apart to measure.
    if (!(d > 0.0) || !std::isfinite(d)) {
        return NoRange();
    }
    const DabChain chain{from.x,       from.y,     dx / d, dy / d,        d,
                         fromPressure, toPressure, size,   PenReach(size)};
    const PixelRange reached =
        d <= kPlainWalkLength ? Walk(chain, sweep, last) : WalkClipped(chain, sweep, last);
    Widen(reached);
    return reached;
}

void StrokeBuffer::DrawCircle(double cx, double cy, double diameter) {
    const double outerRadius = diameter * 0.5;
    if (!memory.bytes || !HasExtent(cx, cy, outerRadius)) {
        return;
    }
    const PixelRange range = RangeOf(cx, cy, outerRadius, width, height);
    StampDab(cx, cy, diameter, range);
    Widen(range);
}

PixelRange StrokeBuffer::WidenDirtyRect(double cx, double cy, double diameter) {
    const double radius = diameter * 0.5;
    if (!memory.bytes || !HasExtent(cx, cy, radius)) {
        return NoRange();
    }
    const PixelRange range = RangeOf(cx, cy, radius, width, height);
    Widen(range);
    return range;
}

void StrokeBuffer::Widen(const PixelRange& range) {
    LowerTo(minX, range.x0);
    LowerTo(minY, range.y0);
    RaiseTo(maxX, range.x1);
    RaiseTo(maxY, range.y1);
}

// Stamps one dab unless the buffer is already full, and notes when a dab over the whole canvas
// fills it.
void StrokeBuffer::StampDab(double cx, double cy, double diameter, const PixelRange& range) {
    if (full.load(std::memory_order_relaxed)) {
        return;
    }
    const CoverageGrid grid{memory.bytes, width, height, memory.floors};
    const bool filled = rasteriser.Stamp(grid, cx, cy, diameter, range);
    if (filled && range.x0 == 0 && range.y0 == 0 && range.x1 == width && range.y1 == height) {
        full.store(true, std::memory_order_relaxed);
    }
}

PixelRange StrokeBuffer::DirtyRect() const {
    return {minX.load(std::memory_order_relaxed), minY.load(std::memory_order_relaxed),
            maxX.load(std::memory_order_relaxed), maxY.load(std::memory_order_relaxed)};
}

StrokeBuffer::StrokeBuffer(double penSize, double penHardness, const RasterOptions& options)
    : size(penSize),
      hardness(penHardness),
      plugged(options.lineRasteriser),
      rasteriser(penHardness, options.baselineKernel) {}

std::unique_ptr<SweepMemory> StrokeBuffer::TakeSweepMemory() {
    {
        const std::lock_guard<std::mutex> hold(sweepLock);
        if (!spareSweeps.empty()) {
            std::unique_ptr<SweepMemory> memory = std::move(spareSweeps.back());
            spareSweeps.pop_back();
            return memory;
        }
    }
    return std::make_unique<SweepMemory>();
}

void StrokeBuffer::GiveSweepMemory(std::unique_ptr<SweepMemory> memory) noexcept {
    if (memory == nullptr) {
        return;
    }
    try {
        const std::lock_guard<std::mutex> hold(sweepLock);
        spareSweeps.push_back(std::move(memory));
    } catch (...) {
        // Kept only to be reused: dropping it loses nothing.
    }
}

StrokeBuffer::~StrokeBuffer() {
    coverage_store::Give(memory, width, height, DirtyRect(), bytesZeroed);
}

void StrokeBuffer::Reset(int32_t newWidth, int32_t newHeight) {
    assert(newWidth >= 0 && newHeight >= 0);
    // Taken before anything changes, so a failure leaves the buffer as it was.
    const CoverageMemory next = coverage_store::Take(newWidth, newHeight);
    coverage_store::Give(memory, width, height, DirtyRect(), bytesZeroed);
    memory = next;
    bytesZeroed = false;
    width = newWidth;
    height = newHeight;
    full.store(false, std::memory_order_relaxed);
    minX.store(width, std::memory_order_relaxed);
    minY.store(height, std::memory_order_relaxed);
    maxX.store(0, std::memory_order_relaxed);
    maxY.store(0, std::memory_order_relaxed);
}
