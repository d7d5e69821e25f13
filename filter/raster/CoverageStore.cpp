// CoverageStore: one kept piece of coverage memory, cleared where its run drew.
#include "filter/raster/CoverageStore.h"

#include <algorithm>
#include <cassert>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <type_traits>

namespace coverage_store {

namespace {

static_assert(sizeof(std::atomic<uint8_t>) == 1 &&
                  std::is_trivially_default_constructible<std::atomic<uint8_t>>::value,
              "coverage bytes are plain zeroed bytes");

using Clock = std::chrono::steady_clock;

std::mutex g_lock;
CoverageMemory g_kept;
Clock::time_point g_keptAt;

void Free(const CoverageMemory& memory) {
    std::free(memory.bytes);
    std::free(memory.floors);
}

std::atomic<uint8_t>* Zeroed(size_t count) {
    // calloc hands large blocks out as fresh zero pages: the pages a run never touches cost
    // nothing.
    return static_cast<std::atomic<uint8_t>*>(std::calloc(count == 0 ? 1 : count, 1));
}

void ClearRect(std::atomic<uint8_t>* bytes, int64_t stride, int64_t x0, int64_t y0, int64_t x1,
               int64_t y1) {
    for (int64_t y = y0; y < y1; ++y) {
        std::memset(static_cast<void*>(bytes + y * stride + x0), 0, static_cast<size_t>(x1 - x0));
    }
}

}  // namespace

CoverageMemory Take(int32_t width, int32_t height) {
    const size_t byteCount = static_cast<size_t>(width) * static_cast<size_t>(height);
    const size_t floorCount = static_cast<size_t>(FloorTilesAcross(width)) *
                              static_cast<size_t>(FloorTilesAcross(height));
    {
        std::lock_guard<std::mutex> lock(g_lock);
        if (g_kept.bytes != nullptr) {
            const bool idle = Clock::now() - g_keptAt > std::chrono::duration<double>(kIdleSeconds);
            const bool fits =
                g_kept.byteCapacity >= byteCount && g_kept.floorCapacity >= floorCount;
            if (fits && !idle) {
                const CoverageMemory memory = g_kept;
                g_kept = {};
                return memory;
            }
            if (idle) {
                Free(g_kept);
                g_kept = {};
            }
        }
    }
    CoverageMemory memory{Zeroed(byteCount), Zeroed(floorCount), std::max<size_t>(byteCount, 1),
                          std::max<size_t>(floorCount, 1)};
    if (memory.bytes == nullptr || memory.floors == nullptr) {
        Free(memory);
        throw std::bad_alloc();
    }
    return memory;
}

void Give(const CoverageMemory& memory, int32_t width, int32_t height, const PixelRange& dirty,
          bool bytesZeroed) noexcept {
    if (memory.bytes == nullptr) {
        return;
    }
    if (dirty.x0 < dirty.x1 && dirty.y0 < dirty.y1) {
        if (!bytesZeroed) {
            ClearRect(memory.bytes, width, dirty.x0, dirty.y0, dirty.x1, dirty.y1);
        }
        const int64_t tiles = FloorTilesAcross(width);
        ClearRect(memory.floors, tiles, dirty.x0 / kFloorTile, dirty.y0 / kFloorTile,
                  FloorTilesAcross(dirty.x1), FloorTilesAcross(dirty.y1));
    }
    // A write outside the rectangle would reach the next run: every byte must be zero again.
    (void)height;
    assert(std::all_of(memory.bytes, memory.bytes + static_cast<size_t>(width) * height,
                       [](const std::atomic<uint8_t>& b) { return b.load() == 0; }));
    assert(std::all_of(memory.floors,
                       memory.floors + FloorTilesAcross(width) * FloorTilesAcross(height),
                       [](const std::atomic<uint8_t>& b) { return b.load() == 0; }));
    CoverageMemory previous;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        // Keep the larger piece: it serves every canvas the smaller one would.
        if (memory.byteCapacity >= g_kept.byteCapacity) {
            previous = g_kept;
            g_kept = memory;
            g_keptAt = Clock::now();
        } else {
            previous = memory;
        }
    }
    Free(previous);
}

void Release() noexcept {
    CoverageMemory previous;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        previous = g_kept;
        g_kept = {};
    }
    Free(previous);
}

}  // namespace coverage_store
