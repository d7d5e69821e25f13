// Rasteriser benchmarks: one dab by diameter and hardness, lines by pen size, shared buffers.
#include <memory>
#include <vector>

#include "BenchSupport.h"
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
        filter = std::make_unique<MoveEffectFilter>(param, bench::OneWorker());
        Clear();
    }
    /// A fresh, empty buffer and rectangle.
    void Clear() {
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
    MoveEffectFilter& operator*() { return *filter; }

  private:
    std::vector<uint8_t> pixels;
    std::unique_ptr<MoveEffectFilter> filter;
};

// Dab centres on a grid, so every dab lands on untouched pixels until the grid is used up.
class FreshSpots {
  public:
    explicit FreshSpots(double spacing) : spacing(spacing) {}
    /// The next centre; true when the grid starts over (the caller clears the buffer).
    bool Next(double* x, double* y) {
        bool wrapped = false;
        x_ += spacing;
        if (x_ + spacing >= kCanvas) {
            x_ = spacing;
            y_ += spacing;
            if (y_ + spacing >= kCanvas) {
                y_ = spacing;
                wrapped = true;
            }
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

// Where the n-th 256-pixel line of a pen goes: seven lines a row, rows apart by the pen.
PathPoint LineStart(int n, double pen) {
    const int perRow = (kCanvas - 32) / 288;
    const int row = n / perRow;
    return {16.0 + (n % perRow) * 288.0, 8.0 + row * (pen + 4.0)};
}

int LinesPerCanvas(double pen) {
    return ((kCanvas - 32) / 288) * static_cast<int>((kCanvas - 16) / (pen + 4.0));
}

// One 256-pixel segment at full pressure, each on fresh pixels; items are pixels of length.
void BM_DrawLine(benchmark::State& state) {
    const double pen = static_cast<double>(state.range(0));
    BenchCanvas canvas(pen, 0.5);
    int n = 0;
    for (auto _ : state) {
        if (n == LinesPerCanvas(pen)) {
            state.PauseTiming();
            canvas.Clear();
            n = 0;
            state.ResumeTiming();
        }
        const PathPoint from = LineStart(n++, pen);
        (*canvas).DrawLine(from, 1.0, {from.x + 256.0, from.y + 0.7}, 1.0);
    }
    state.SetItemsProcessed(state.iterations() * 256);
}

// 256 pixels as the line tasks draw them: one-pixel segments, pressure rising over the first 32.
void DrawTaperedLine(MoveEffectFilter& filter, const PathPoint& from) {
    double pressure = 0.0;
    for (int i = 0; i < 256; ++i) {
        const double next = i < 32 ? (i + 1) / 32.0 : 1.0;
        filter.DrawLine({from.x + i, from.y}, pressure, {from.x + i + 1, from.y}, next);
        pressure = next;
    }
}

void BM_DrawLineInPixelSegments(benchmark::State& state) {
    const double pen = static_cast<double>(state.range(0));
    BenchCanvas canvas(pen, 0.5);
    int n = 0;
    for (auto _ : state) {
        if (n == LinesPerCanvas(pen)) {
            state.PauseTiming();
            canvas.Clear();
            n = 0;
            state.ResumeTiming();
        }
        DrawTaperedLine(*canvas, LineStart(n++, pen));
    }
    state.SetItemsProcessed(state.iterations() * 256);
}

// Threads drawing tapered lines (pen 8) into one buffer, each on its own rows (as tasks
// mostly do) or all on the same rows (every pixel contended). A fixed iteration count keeps
// every line on fresh pixels.
BenchCanvas* g_shared = nullptr;

void BM_SharedBufferLines(benchmark::State& state) {
    constexpr double kPen = 8.0;
    const bool sameRows = state.range(0) != 0;
    // The loop starts and ends with a barrier across the threads, so thread 0's set-up and
    // tear-down do not race with the others' stamps.
    if (state.thread_index() == 0) {
        g_shared = new BenchCanvas(kPen, 0.5);
    }
    int k = 0;
    for (auto _ : state) {
        const int n = sameRows ? k : k * state.threads() + state.thread_index();
        DrawTaperedLine(**g_shared, LineStart(n, kPen));
        ++k;
    }
    state.SetItemsProcessed(state.iterations() * 256);
    if (state.thread_index() == 0) {
        delete g_shared;
        g_shared = nullptr;
    }
}
void Register() {
    bench::Configure(benchmark::RegisterBenchmark("DrawCircle", BM_DrawCircle)
                         ->ArgNames({"diameter", "hardness%"})
                         ->ArgsProduct({{2, 3, 4, 8, 16, 32, 64}, {0, 50, 100}}));
    bench::Configure(benchmark::RegisterBenchmark("DrawLine", BM_DrawLine)
                         ->ArgName("pen")
                         ->RangeMultiplier(2)
                         ->Range(1, 64));
    bench::Configure(
        benchmark::RegisterBenchmark("DrawLineInPixelSegments", BM_DrawLineInPixelSegments)
            ->ArgName("pen")
            ->RangeMultiplier(4)
            ->Range(1, 64));
    auto* shared = benchmark::RegisterBenchmark("SharedBufferLines", BM_SharedBufferLines)
                       ->ArgName("sameRows")
                       ->Arg(0)
                       ->Arg(1);
    shared->Iterations(bench::Smoke() ? 1 : 500)->Threads(1)->Threads(2)->UseRealTime();
}

const bool registered = bench::AddRegistrar(&Register);

}  // namespace
