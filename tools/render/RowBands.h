// Work split into bands of rows, one per core.
#pragma once

#include <cstdint>
#include <functional>

// Calls paint(from, to) over bands of [0, rows) that together cover it once, on as many
// threads as there are cores (the calling thread paints one band), and returns when all are
// done. Bands hold at least minRows rows. Where a thread cannot be started its band is painted
// on the calling thread instead. paint must not throw.
void ForEachRowBand(int32_t rows, int32_t minRows,
                    const std::function<void(int32_t from, int32_t to)>& paint);
