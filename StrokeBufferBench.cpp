// Rasteriser benchmarks: one dab by diameter and hardness, lines by pen size, shared buffers.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "filter/MoveEffectFilter.h"

namespace {

constexpr int32_t kCanvas = 2048;

// A filter over a white 8-bit gray canvas of kCanvas x kCanvas pixels.
class BenchCanvas {
public:
    BenchCanvas(double size, double hardness)
        : pixels(static_cast<size_t>(kCanvas) * kCanvas * 2, 255) {
        MoveEffectParam param{};
        param.size = size;
        param.hardness = hardness;
        filter = std::make_unique<MoveEffectFilter>(param, 1);
        static const uint8_t order[2] = {0, 1};
        MoveEffectImageParam image{};
        image.colorMode = 1;
        image.channelOrder = order;
        image.channelCount = 2;
        image.width = kCanvas;
        image.height = kCanvas;
        image.rowBytes = kCanvas * 2;
        image.pixels = pixels.data();
        filter->SetBaseImage(&image);
    }
    // Fresh, empty buffer and rectangle.
    void Clear() {
        MoveEffectImageParam image{};
        image.colorMode = 1;
        image.width = kCanvas;
        image.height = kCanvas;
        image.rowBytes = kCanvas * 2;
        image.pixels = pixels.data();
        filter->SetBaseImage(&image);
    }
    MoveEffectFilter& operator*() { return *filter; }

private:
    std::vector<uint8_t> pixels;
    std::unique_ptr<MoveEffectFilter> filter;
};

// Walks dab centres over a grid so that every dab lands on untouched pixels, clearing the
// buffer (untimed) when the grid is used up.
class FreshSpots {
public:
    explicit FreshSpots(double spacing) : spacing(spacing) {}
    bool Next(double* x, double* y) {
        x_ += spacing;
        if (x_ + spacing >= kCanvas) {
            x_ = spacing;
            y_ += spacing;
        }
        bool wrapped = false;
        if (y_ + spacing >= kCanvas) {
            y_ = spacing;
            wrapped = true;
        }
        *x = x_ + 0.3;
        *y = y_ + 0.6;
        return wrapped;
    }

private:
    double spacing;
    double x_ = 0.0;
    double y_ = 0.0;
};

void BM_DrawCircle(benchmark::State& state) {
    const double diameter = static_cast<double>(state.range(0));
    const double hardness = static_cast<double>(state.range(1)) / 100.0;
    BenchCanvas canvas(1.0, hardness);
    FreshSpots spots(diameter + 2.0);
    for (auto _ : state) {
        double x, y;
        if (spots.Next(&x, &y)) {
            state.PauseTiming();
            canvas.Clear();
            state.ResumeTiming();
        }
        (*canvas).DrawCircle(x, y, diameter);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DrawCircle)
    ->ArgNames({"diameter", "hardness%"})
    ->ArgsProduct({{1, 4, 16, 64}, {0, 50, 100}});

// A 256-pixel line at full pressure, on a fresh row each time; items are line pixels.
void BM_DrawLine(benchmark::State& state) {
    const double size = static_cast<double>(state.range(0));
    BenchCanvas canvas(size, 0.5);
    FreshSpots rows(size + 2.0);
    for (auto _ : state) {
        double x, y;
        if (rows.Next(&x, &y)) {
            state.PauseTiming();
            canvas.Clear();
            state.ResumeTiming();
        }
        (*canvas).DrawLine({x, y}, 1.0, {x + 256.0, y + 3.0}, 1.0);
    }
    state.SetItemsProcessed(state.iterations() * 256);
}
BENCHMARK(BM_DrawLine)->ArgName("pen")->RangeMultiplier(2)->Range(1, 64);

// The same line as the line tasks draw it: 256 one-pixel segments with a pressure ramp.
void BM_DrawLineInPixelSegments(benchmark::State& state) {
    const double size = static_cast<double>(state.range(0));
    BenchCanvas canvas(size, 0.5);
    FreshSpots rows(size + 2.0);
    for (auto _ : state) {
        double x, y;
        if (rows.Next(&x, &y)) {
            state.PauseTiming();
            canvas.Clear();
            state.ResumeTiming();
        }
        double pressure = 0.0;
        for (int i = 0; i < 256; ++i) {
            const double next = i < 32 ? (i + 1) / 32.0 : 1.0;
            (*canvas).DrawLine({x + i, y}, pressure, {x + i + 1, y}, next);
            pressure = next;
        }
    }
    state.SetItemsProcessed(state.iterations() * 256);
}
BENCHMARK(BM_DrawLineInPixelSegments)->ArgName("pen")->RangeMultiplier(4)->Range(1, 64);

// Threads stamping the same dabs into one buffer: the cost of contended atomic maxima.
void BM_DrawCircleContended(benchmark::State& state) {
    static BenchCanvas* canvas = nullptr;
    if (state.thread_index() == 0) {
        canvas = new BenchCanvas(1.0, 0.5);
    }
    FreshSpots spots(18.0);
    // Threads other than 0 may start before the canvas exists; spin is avoided by a barrier
    // that Google Benchmark provides implicitly at the first iteration.
    for (auto _ : state) {
        double x, y;
        spots.Next(&x, &y);
        (**canvas).DrawCircle(x, y, 16.0);
    }
    state.SetItemsProcessed(state.iterations());
    if (state.thread_index() == 0) {
        delete canvas;
        canvas = nullptr;
    }
}
BENCHMARK(BM_DrawCircleContended)->Threads(1)->Threads(2)->UseRealTime();

}  // namespace
