// DabRasteriser: stamps soft round dabs into the stroke buffer, skipping what cannot change a byte.
#pragma once

#include <atomic>
#include <cstdint>

#include "filter/raster/CoverageGrid.h"
#include "filter/raster/PowerTable.h"

namespace dab {
struct Job;
struct RowDabs;
struct Shape;
}  // namespace dab

/// The dab of one run's pen hardness. Every stamp gives exactly the bytes of the plain
/// algorithm: per pixel the core test, the corner tests and the 16-sample integration with a
/// power function per rim sample. Read-only after construction; Stamp is thread-safe (each
/// pixel is raised by an atomic maximum).
class DabRasteriser {
  public:
    /// `baselineKernel` keeps the fast path on the kernel every processor has, even where a
    /// wider vector unit exists (the differential tests cover both kernels that way).
    explicit DabRasteriser(double hardness, bool baselineKernel = false);

    /// Stamps a dab of `diameter` pixels centred at (cx, cy) over `range` of `grid`, and
    /// raises the floors of the tiles it reads. The range must be the dab's clamped range; the
    /// caller widens the dirty rectangle. Returns true only when every byte of the range is now
    /// 255 (reported by the plain way, which large dabs take; the fast way always returns
    /// false).
    bool Stamp(const CoverageGrid& grid, double cx, double cy, double diameter,
               const PixelRange& range) const;

    /// The same dab pixel by pixel as the algorithm is written, for any hardness and size;
    /// returns whether every byte of the range is now 255.
    bool StampPlain(std::atomic<uint8_t>* buffer, int32_t width, double cx, double cy,
                    double diameter, const PixelRange& range) const;

    /// Whether MaxByte takes a dab of this shape over `columns` columns (the fast path's
    /// limits); others must be stamped.
    bool Sweepable(const dab::Shape& shape, int32_t columns) const;

    /// The largest byte that the dabs [from, to) of `row` whose columns reach x give pixel
    /// (x, y), each exactly as stamping it would, or `current` (below 255) when none gives
    /// more. Each dab must be Sweepable and reach row y. The kernel may also weigh up to three
    /// entries past `to`: they must be dabs whose ranges start past column x, or the row's
    /// padding (see dab::RowDabs). Thread-safe; reads no coverage.
    uint8_t MaxByte(const dab::RowDabs& row, int32_t from, int32_t to, int32_t x, int32_t y,
                    uint8_t current) const {
        return static_cast<uint8_t>(maxByte(row, from, to, x, y, current));
    }

    /// The hardness the dabs are stamped with.
    double Hardness() const { return hardness; }
    /// The exponent and power table of soft rims, for building jobs.
    double Exponent() const { return exponent; }
    const PowerTable* Power() const { return &power; }

  private:
    double hardness;
    double exponent;
    PowerTable power;
    /// Hardness in [0, 1]: the core lies inside the dab, the exponent in [1, 5].
    bool fast;
    /// The fast kernel for this processor's vector unit.
    void (*kernel)(const dab::Job& job);
    int (*maxByte)(const dab::RowDabs& row, int32_t from, int32_t to, int32_t x, int32_t y,
                   uint8_t current);
};
