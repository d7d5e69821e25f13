// Bands of rows on every core, for the program's whole-picture passes.
#include "render/RowBands.h"

#include <algorithm>
#include <thread>
#include <vector>

void ForEachRowBand(int32_t rows, int32_t minRows,
                    const std::function<void(int32_t from, int32_t to)>& paint) {
    const int32_t cores = static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    const int32_t bands = std::clamp<int32_t>(rows / std::max<int32_t>(minRows, 1), 1, cores);
    const auto edge = [&](int32_t band) { return int32_t(int64_t(rows) * band / bands); };
    std::vector<std::thread> helpers;
    try {
        helpers.reserve(static_cast<size_t>(bands - 1));
    } catch (...) {
        // Without room to keep them, no thread is started: every band is painted here.
    }
    for (int32_t band = 1; band < bands; ++band) {
        // A thread that cannot be started or kept (no resources, no memory) leaves its band
        // to this thread; the helpers already running are joined below either way.
        if (helpers.size() < helpers.capacity()) {
            try {
                helpers.emplace_back(paint, edge(band), edge(band + 1));
                continue;
            } catch (...) {
            }
        }
        paint(edge(band), edge(band + 1));
    }
    paint(0, edge(1));
    for (std::thread& helper : helpers) {
        helper.join();
    }
}
