// Where dabs land: a canvas's pixel ranges and its coverage bytes with their tile floors.
#pragma once

#include <atomic>
#include <cstdint>

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
