// Dab arithmetic shared by the plain and the fast rasteriser, in the algorithm's own order.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "filter/raster/CoverageGrid.h"
#include "filter/raster/PowerTable.h"

namespace dab {

/// The widest range (in pixels) of the fast path's per-dab tables; wider dabs go the plain way.
constexpr int32_t kMaxSpan = 256;

/// Sample offsets from a pixel centre, along each axis; the outer ones are the corners.
constexpr double kOffsets[4] = {-0.375, -0.125, 0.125, 0.375};

/// Every sample lies within this many pixels of its pixel's centre (0.375 sqrt(2) < 0.5304), so a
/// dab of outer radius R changes only pixels whose centres lie within R + kSampleReach of its
/// own.
constexpr double kSampleReach = 0.5304;

/// Marks "leave the pixel as it is" among byte results.
constexpr int kKeep = -1;

/// The per-dab quantities, computed in the algorithm's order of arithmetic.
struct Shape {
    double outerRadius;  ///< R
    double coreRadius;   ///< r = R h
    double k;            ///< 1 / (R - r), or 0 for a (nearly) hard dab
    double outer2;       ///< R^2
    double solidBelow;   ///< r^2 - 1
    double inCore;       ///< r^2 + 1e-12
    double outside;      ///< R^2 - 1e-12

    Shape(double diameter, double hardness) {
        outerRadius = diameter * 0.5;
        coreRadius = outerRadius * hardness;
        const double softWidth = outerRadius - coreRadius;
        k = softWidth > 1e-12 ? 1.0 / softWidth : 0.0;
        const double core2 = coreRadius * coreRadius;
        outer2 = outerRadius * outerRadius;
        solidBelow = core2 - 1.0;
        inCore = core2 + 1e-12;
        outside = outer2 - 1e-12;
    }
};

/// The byte of a 16-sample sum. Every step is monotone in the sum, which the fast path relies
/// on. A negative exponent (hardness below -0.25) can make the sum huge or NaN, hence the clamp.
inline uint8_t ByteOf(double sum) {
    double scaled = sum * 0.0625 * 255 + 0.5;
    if (!(scaled > 0.0)) {
        scaled = 0.0;
    } else if (scaled > 255.0) {
        scaled = 255.0;
    }
    return static_cast<uint8_t>(scaled);
}

/// The least sum whose byte (ByteOf) exceeds `c`, for c below 255: a sum's byte is at most c
/// exactly when the sum is not at least this. Costs a bisection; kernels keep a table.
double LeastSumAbove(uint8_t c);

/// Raises a coverage byte to `value` unless another worker got it there or higher first.
inline void Raise(std::atomic<uint8_t>& cell, uint8_t current, uint8_t value) {
    // Nothing exceeds 255, so a plain store of it is already the maximum, and costs far less
    // than a compare-and-swap.
    if (value == 255) {
        if (current != 255) {
            cell.store(255, std::memory_order_relaxed);
        }
        return;
    }
    while (value > current &&
           !cell.compare_exchange_weak(current, value, std::memory_order_relaxed)) {
    }
}

/// The 16-sample sum as written: sample rows top to bottom, each left to right, a power
/// function per rim sample. sx2 and sy2 are the squared sample offsets of the pixel.
double ExactSum(const double* sx2, const double* sy2, const Shape& shape, double exponent);

/// One dab for the fast path.
struct Job {
    CoverageGrid grid;
    double cx;
    double cy;
    PixelRange range;
    Shape shape;
    double exponent;
    const PowerTable* power;
};

/// Squared offsets of a pixel's four sample rows (or columns) from its centre offset d, then
/// (last) of the centre: (d + o)^2 as the algorithm forms them, and d^2.
inline void SampleRowSquares(double d, double* s2) {
    for (int r = 0; r < 4; ++r) {
        const double s = d + kOffsets[r];
        s2[r] = s * s;
    }
    s2[4] = d * d;
}

/// The smallest of (d + o)^2 over the four sample offsets, each formed as the algorithm does.
inline double NearestSampleSquare(double d) {
    double s2[5];
    SampleRowSquares(d, s2);
    return std::min(std::min(s2[0], s2[1]), std::min(s2[2], s2[3]));
}

/// True when a soft dab leaves a byte at `current` as it is: `nearest` is the smallest squared
/// distance of the pixel's samples from the dab's centre and `q` that of its centre (or lower
/// bounds of both, for a whole tile). Every step from a squared distance to a sample's term is
/// monotone, so no sample gives more than the nearest one, and PowerTable::KeepBeyond says how
/// far out on the rim that one must lie. Pixels the core fills whole (q below r^2 - 1, or a
/// nearest sample inside the core) are never kept.
inline bool Keeps(double nearest, double q, const Job& job, uint8_t current) {
    const Shape& shape = job.shape;
    if (current == 0 || q < shape.solidBelow || !(nearest > shape.inCore)) {
        return false;
    }
    const double softWidth = shape.outerRadius - shape.coreRadius;
    // The relative margin covers the rounding of this distance and of the algorithm's root.
    const double beyond =
        (shape.coreRadius + job.power->KeepBeyond(current) * softWidth) * (1.0 + 1e-12);
    return nearest > beyond * beyond;
}

/// The dabs over one row of a line sweep, in order of their first column, as parallel arrays
/// that the kernel reads kLanes at a time. Each array holds `count` entries and then at least
/// four of padding: no radius, infinitely far.
struct RowDabs {
    const double* cx;
    const double* dy2;     ///< (y + 0.5 - cy)^2 for the row y, as the algorithm forms it
    const double* radius;  ///< the dab's outer radius R
    const Job* const* jobs;
};

}  // namespace dab
