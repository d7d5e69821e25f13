// DabRasteriser: stamps soft round dabs into the stroke buffer, skipping what cannot change a byte.
#pragma once

#include <atomic>
#include <cstdint>

#include "filter/PowerTable.h"

namespace dab {
struct Job;
}

/// A dab's pixel range, columns x0 <= x < x1 and rows y0 <= y < y1, clamped to the canvas.
struct PixelRange {
    int32_t x0;
    int32_t y0;
    int32_t x1;
    int32_t y1;

    /// Grows to the union of the bounds (as the dirty rectangle unites them; an empty range
    /// of a W x H canvas is {W, H, 0, 0}).
    void Unite(const PixelRange& other) {
        x0 = other.x0 < x0 ? other.x0 : x0;
        y0 = other.y0 < y0 ? other.y0 : y0;
        x1 = other.x1 > x1 ? other.x1 : x1;
        y1 = other.y1 > y1 ? other.y1 : y1;
    }
};

/// Coverage floors: one byte per tile of kFloorTile x kFloorTile pixels, row-major, never
/// above any coverage byte of its tile. Bytes only rise, so a floor once true stays true; soft
/// dabs pass over tiles whose floor they cannot beat without reading their pixels.
constexpr int32_t kFloorTile = 4;

/// The number of floor tiles across `pixels` pixels.
inline int64_t FloorTilesAcross(int32_t pixels) {
    return (static_cast<int64_t>(pixels) + kFloorTile - 1) / kFloorTile;
}

/// Where dabs are stamped.
struct CoverageGrid {
    std::atomic<uint8_t>* bytes;  ///< width x height coverage bytes, row-major
    int32_t width;
    int32_t height;
    std::atomic<uint8_t>* floors;  ///< the tiles' floors, or null to read every pixel
};

/// The dab of one run's pen hardness. Every stamp gives exactly the bytes of the plain
/// algorithm: per pixel the core test, the corner tests and the 16-sample integration with a
/// power function per rim sample. Read-only after construction; Stamp is thread-safe (each
/// pixel is raised by an atomic maximum).
class DabRasteriser {
  public:
    explicit DabRasteriser(double hardness);

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

    /// Test-only: filters created while it is set use the baseline kernel even where a wider
    /// vector unit exists, so tests cover both.
    static std::atomic<bool> baselineKernelOnly;

  private:
    double hardness;
    double exponent;
    PowerTable power;
    /// Hardness in [0, 1]: the core lies inside the dab, the exponent in [1, 5].
    bool fast;
    /// The fast kernel for this processor's vector unit.
    void (*kernel)(const dab::Job& job);
};
