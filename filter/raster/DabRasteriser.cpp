// DabRasteriser: the plain per-pixel dab, the soft pixel's sum, and the choice of fast kernel.
#include "filter/raster/DabRasteriser.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

#include "filter/raster/DabMath.h"

namespace {

// Beyond this radius the margins of the fast path's row and column skipping (a fiftieth of a
// pixel) could drown in the rounding of squared distances; such dabs go the plain way.
constexpr double kMaxFastRadius = 1e6;

// Dabs up to this many columns wide test every pixel of their range.
constexpr int32_t kVisitWhole = 8;

// Among the fast kernel's per-pixel results: a soft pixel whose sum is still to be formed.
constexpr int kSampleLater = 256;

// The bytes of sample counts 0 to 16 (dab::ByteOf of the count).
struct CountBytes {
    int bytes[17];
    CountBytes() {
        for (int n = 0; n <= 16; ++n) {
            bytes[n] = dab::ByteOf(n);
        }
    }
    int operator[](int64_t n) const { return bytes[n]; }
};
const CountBytes kCountBytes;

// dab::LeastSumAbove of each byte, and infinity for 255.
struct ByteThresholds {
    double above[256];
    ByteThresholds() {
        for (int c = 0; c < 255; ++c) {
            above[c] = dab::LeastSumAbove(static_cast<uint8_t>(c));
        }
        above[255] = INFINITY;
    }
    double operator[](int c) const { return above[c]; }
};
const ByteThresholds kByteAbove;

using dab::kMaxSpan;

// The plain algorithm's decision for one pixel whose coverage is below 255: its new byte, or
// kKeep. dx2 and dy2 are the squared offsets of the pixel centre, sx2 and sy2 those of its
// samples (the corners are samples 0 and 3 of the first and last sample rows).
int PlainByte(double dx2, double dy2, const double* sx2, const double* sy2, const dab::Shape& shape,
              double exponent) {
    const double q = dx2 + dy2;
    if (q < shape.solidBelow) {
        return 255;
    }
    bool allIn = true;
    bool allOut = true;
    for (const int i : {0, 3}) {
        for (const int j : {0, 3}) {
            const double d2 = sx2[j] + sy2[i];
            allIn = allIn && d2 <= shape.inCore;
            allOut = allOut && d2 >= shape.outside;
        }
    }
    if (allIn && !allOut) {
        return 255;
    }
    if (allOut && !(allIn && q < shape.outer2)) {
        return dab::kKeep;
    }
    return dab::ByteOf(dab::ExactSum(sx2, sy2, shape, exponent));
}

// Squared offsets of a pixel centre and of its four sample rows or columns: d = (p + 0.5) - c,
// then (d + o)^2, exactly as the algorithm forms them.
void SampleSquares(int32_t p, double centre, double& d2, double* s2) {
    const double d = (p + 0.5) - centre;
    d2 = d * d;
    for (int j = 0; j < 4; ++j) {
        const double s = d + dab::kOffsets[j];
        s2[j] = s * s;
    }
}

}  // namespace

namespace dab {

double ExactSum(const double* sx2, const double* sy2, const Shape& shape, double exponent) {
    double sum = 0.0;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            const double s2 = sx2[j] + sy2[i];
            if (s2 <= shape.inCore) {
                sum += 1.0;
            } else if (s2 < shape.outside) {
                const double b = 1.0 - shape.k * (std::sqrt(s2) - shape.coreRadius);
                // pow(b, 1) is b exactly (hardness 0), and far cheaper.
                sum += exponent == 1.0 ? b : std::pow(b, exponent);
            }
        }
    }
    return sum;
}

double LeastSumAbove(uint8_t c) {
    assert(c < 255);
    // Bisects the bit patterns of non-negative doubles, which order as their values do, keeping
    // ByteOf(low) <= c < ByteOf(high).
    const double zero = 0.0;
    const double sixteen = 16.0;  // 16 samples in: 255
    uint64_t low;
    uint64_t high;
    std::memcpy(&low, &zero, sizeof low);
    std::memcpy(&high, &sixteen, sizeof high);
    while (high - low > 1) {
        const uint64_t middle = low + (high - low) / 2;
        double value;
        std::memcpy(&value, &middle, sizeof value);
        (ByteOf(value) > c ? high : low) = middle;
    }
    double least;
    std::memcpy(&least, &high, sizeof least);
    return least;
}

}  // namespace dab

// The fast kernel for each instruction set; see DabKernel.inc.
namespace generic {
#if defined(__SSE2__) || defined(__ARM_NEON)
typedef double Lanes __attribute__((vector_size(16)));
typedef int64_t Mask __attribute__((vector_size(16)));
constexpr int32_t kLanes = 2;
#else
typedef double Lanes __attribute__((vector_size(8)));
typedef int64_t Mask __attribute__((vector_size(8)));
constexpr int32_t kLanes = 1;
#endif
// Bit l set where lane l of the mask is.
inline int MaskBits(Mask mask) {
    int bits = 0;
    for (int l = 0; l < kLanes; ++l) {
        bits |= (mask[l] != 0) << l;
    }
    return bits;
}
inline Lanes SquareRoot(Lanes v) {
#if defined(__SSE2__)
    return __builtin_ia32_sqrtpd(v);
#else
    for (int l = 0; l < kLanes; ++l) {
        v[l] = std::sqrt(v[l]);
    }
    return v;
#endif
}
// PowerTable::At of each lane, for 0 <= b < 1.
inline Lanes TableTerms(const PowerTable& power, Lanes b) {
    for (int l = 0; l < kLanes; ++l) {
        b[l] = power.At(b[l]);
    }
    return b;
}
// Lane by lane the lesser and the greater, for operands that are not NaN.
inline Lanes Least(Lanes a, Lanes b) {
#if defined(__SSE2__)
    return __builtin_ia32_minpd(a, b);
#else
    for (int l = 0; l < kLanes; ++l) {
        a[l] = b[l] < a[l] ? b[l] : a[l];
    }
    return a;
#endif
}
inline Lanes Greatest(Lanes a, Lanes b) {
#if defined(__SSE2__)
    return __builtin_ia32_maxpd(a, b);
#else
    for (int l = 0; l < kLanes; ++l) {
        a[l] = b[l] > a[l] ? b[l] : a[l];
    }
    return a;
#endif
}
#include "filter/raster/DabKernel.inc"
}  // namespace generic

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VELTRIX_HAVE_AVX2_KERNEL 1
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
namespace avx2 {
typedef double Lanes __attribute__((vector_size(32)));
typedef int64_t Mask __attribute__((vector_size(32)));
constexpr int32_t kLanes = 4;
inline int MaskBits(Mask mask) {
    return __builtin_ia32_movmskpd256((Lanes)mask);
}
inline Lanes SquareRoot(Lanes v) {
    return __builtin_ia32_sqrtpd256(v);
}
inline Lanes Least(Lanes a, Lanes b) {
    return __builtin_ia32_minpd256(a, b);
}
inline Lanes Greatest(Lanes a, Lanes b) {
    return __builtin_ia32_maxpd256(a, b);
}
// PowerTable::At four lanes at once, its operations in its order, the intervals gathered.
inline Lanes TableTerms(const PowerTable& power, Lanes b) {
    const Lanes position = b * static_cast<double>(PowerTable::kIntervals);
    const __m128i index = _mm256_cvttpd_epi32(static_cast<__m256d>(position));
    const __m128i field = _mm_slli_epi32(index, 1);  // two doubles per interval
    const double* fields = &power.Intervals()->value;
    // The masked form, from zeros: the plain one starts from an undefined vector, which GCC 12
    // takes for an uninitialised read.
    const auto gather = [&](const double* from) {
        const __m256d all = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
        return static_cast<Lanes>(
            _mm256_mask_i32gather_pd(_mm256_setzero_pd(), from, field, all, 8));
    };
    const Lanes value = gather(fields);
    const Lanes slope = gather(fields + 1);
    return value + slope * (position - static_cast<Lanes>(_mm256_cvtepi32_pd(index)));
}
#include "filter/raster/DabKernel.inc"
}  // namespace avx2
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif

DabRasteriser::DabRasteriser(double h, bool baselineKernel)
    : hardness(h),
      exponent(4.0 * h + 1.0),
      power(4.0 * h + 1.0),
      kernel(&generic::StampFast),
      maxByte(&generic::MaxByte) {
    fast = h >= 0.0 && h <= 1.0 && power.Usable();
#if defined(VELTRIX_HAVE_AVX2_KERNEL)
    if (__builtin_cpu_supports("avx2") && !baselineKernel) {
        kernel = &avx2::StampFast;
        maxByte = &avx2::MaxByte;
    }
#endif
}

bool DabRasteriser::StampPlain(std::atomic<uint8_t>* buffer, int32_t width, double cx, double cy,
                               double diameter, const PixelRange& range) const {
    const dab::Shape shape(diameter, hardness);
    double sy2[4];
    double sx2[4];
    double dy2;
    double dx2;
    // A byte raised to 255 stays there whatever other workers do, so this is exact.
    bool allFull = true;
    for (int32_t y = range.y0; y < range.y1; ++y) {
        std::atomic<uint8_t>* row = buffer + static_cast<int64_t>(y) * width;
        SampleSquares(y, cy, dy2, sy2);
        for (int32_t x = range.x0; x < range.x1; ++x) {
            const uint8_t current = row[x].load(std::memory_order_relaxed);
            if (current == 255) {
                continue;
            }
            SampleSquares(x, cx, dx2, sx2);
            const int value = PlainByte(dx2, dy2, sx2, sy2, shape, exponent);
            if (value != dab::kKeep) {
                dab::Raise(row[x], current, static_cast<uint8_t>(value));
            }
            allFull = allFull && value == 255;
        }
    }
    return allFull;
}

bool DabRasteriser::Sweepable(const dab::Shape& shape, int32_t columns) const {
    // MaxByte relies on dabs of 0.1 px and more, the smallest that lines place.
    return fast && columns <= kMaxSpan && shape.outerRadius >= 0.05 &&
           shape.outerRadius <= kMaxFastRadius;
}

bool DabRasteriser::Stamp(const CoverageGrid& grid, double cx, double cy, double diameter,
                          const PixelRange& range) const {
    assert(range.x0 >= 0 && range.y0 >= 0 && range.x1 <= grid.width && range.y1 <= grid.height);
    const int32_t columns = range.x1 - range.x0;
    if (columns <= 0 || range.y1 <= range.y0) {
        return false;
    }
    const dab::Shape shape(diameter, hardness);
    if (!fast || columns > kMaxSpan || !(shape.outerRadius <= kMaxFastRadius)) {
        return StampPlain(grid.bytes, grid.width, cx, cy, diameter, range);
    }
    kernel({grid, cx, cy, range, shape, exponent, &power});
    return false;
}
