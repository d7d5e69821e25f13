// Bands of rows on every core, for the program's whole-picture passes.
#include "render/RowBands.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

void ForEachRowBand(int32_t rows, int32_t minRows,
                    const std::function<void(int32_t from, int32_t to)>& paint) {
    const int32_t cores = static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    const int32_t bands = std::clamp<int32_t>(rows / std::max<int32_t>(minRows, 1), 1, cores);
    const auto edge = [&](int32_t band) { return int32_t(int64_t(rows) * band / bands); };
    std::vector<std::thread> helpers;
    for (int32_t band = 1; band < bands; ++band) {
        try {
            helpers.emplace_back(paint, edge(band), edge(band + 1));
        } catch (const std::system_error&) {
            paint(edge(band), edge(band + 1));
        }
    }
    paint(0, edge(1));
    for (std::thread& helper : helpers) {
        helper.join();
    }
}
