// CoverageStore: zeroed coverage memory for a run, kept for the next run instead of freed.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "filter/raster/CoverageGrid.h"

/// A run's coverage bytes and tile floors, all zero when taken. Owned by whoever took it until
/// it is given back.
struct CoverageMemory {
    std::atomic<uint8_t>* bytes = nullptr;
    std::atomic<uint8_t>* floors = nullptr;
    size_t byteCapacity = 0;
    size_t floorCapacity = 0;
};

/// Freshly allocated memory costs a page fault per 4 KiB page on its first write (about 45 ms
/// for a 4096 x 4096 canvas here), so the memory of the last run is kept and handed to the next
/// one that fits in it, cleared only where that run drew. At most one piece is kept. It is freed
/// by ReleaseGuides, and by the first run that comes more than kIdleSeconds after it was kept
/// (which then takes fresh memory). Thread-safe: concurrent runs never share memory.
namespace coverage_store {

constexpr double kIdleSeconds = 30.0;

/// Zeroed memory for a width x height canvas. Throws std::bad_alloc.
CoverageMemory Take(int32_t width, int32_t height);
/// Takes back memory used for a width x height canvas whose writes all lie in `dirty` (and in
/// the floor tiles it overlaps): clears those and keeps it, or frees it. With `bytesZeroed`,
/// the caller has already zeroed the coverage bytes, and only the floors are cleared.
void Give(const CoverageMemory& memory, int32_t width, int32_t height, const PixelRange& dirty,
          bool bytesZeroed = false) noexcept;
/// Frees the kept memory.
void Release() noexcept;

}  // namespace coverage_store
