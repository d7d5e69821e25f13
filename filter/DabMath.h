// Dab arithmetic shared by the plain and the fast rasteriser, in the algorithm's own order.
#pragma once

#include <atomic>
#include <cstdint>

#include "filter/DabRasteriser.h"

namespace dab {

/// The widest range (in pixels) of the fast path's per-dab tables; wider dabs go the plain way.
constexpr int32_t kMaxSpan = 256;

/// Sample offsets from a pixel centre, along each axis; the outer ones are the corners.
constexpr double kOffsets[4] = {-0.375, -0.125, 0.125, 0.375};

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

/// Raises a coverage byte to `value` unless another worker got it there or higher first.
inline void Raise(std::atomic<uint8_t>& cell, uint8_t current, uint8_t value) {
    while (value > current &&
           !cell.compare_exchange_weak(current, value, std::memory_order_relaxed)) {
    }
}

/// The 16-sample sum as written: sample rows top to bottom, each left to right, a power
/// function per rim sample. sx2 and sy2 are the squared sample offsets of the pixel.
double ExactSum(const double* sx2, const double* sy2, const Shape& shape, double exponent);

/// One dab for the fast path.
struct Job {
    std::atomic<uint8_t>* buffer;
    int32_t width;
    double cx;
    double cy;
    PixelRange range;
    Shape shape;
    double exponent;
    const PowerTable* power;
};

/// The byte of a soft pixel whose sum must be formed (0..255), or kKeep when it cannot
/// exceed `current`; sx2 and sy2 are its squared sample offsets.
int SoftByte(const double* sx2, const double* sy2, const Job& job, uint8_t current);

}  // namespace dab
