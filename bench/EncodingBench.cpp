// Per-encoding benchmarks: base-image sampling (GetPixelDepth) and compositing (DrawToCanvas).
#include <cstring>
#include <vector>

#include "BenchSupport.h"
#include "filter/MoveEffectFilter.h"

namespace {

int CanvasSide() {
    return bench::Smoke() ? 64 : 4096;  // the typical scene's canvas
}

int ChannelWidth(int depth) {
    return depth == VELTRIX_DEPTH_U8 ? 1 : depth == VELTRIX_DEPTH_FLOAT ? 4 : 2;
}

// An RGBA base image in the given encoding with a gradient, so channels vary.
std::vector<uint8_t> GradientImage(int depth, int side) {
    const int width = ChannelWidth(depth);
    std::vector<uint8_t> pixels(static_cast<size_t>(side) * side * 4 * width);
    for (size_t i = 0; i < pixels.size() / width; ++i) {
        const float level = static_cast<float>(i % 251) / 250.0f;
        uint8_t* at = &pixels[i * width];
        if (depth == VELTRIX_DEPTH_U8) {
            *at = static_cast<uint8_t>(level * 255.0f);
        } else if (depth == VELTRIX_DEPTH_U16) {
            const auto v = static_cast<uint16_t>(level * 65535.0f);
            std::memcpy(at, &v, 2);
        } else if (depth == VELTRIX_DEPTH_HALF) {
            const uint16_t v = MoveEffectFilter::Float32To16(level);
            std::memcpy(at, &v, 2);
        } else {
            std::memcpy(at, &level, 4);
        }
    }
    return pixels;
}

void BM_GetPixelDepth(benchmark::State& state) {
    const int depth = static_cast<int>(state.range(0));
    const int side = CanvasSide();
    const std::vector<uint8_t> pixels = GradientImage(depth, side);
    static const uint8_t order[4] = {0, 1, 2, 3};
    MoveEffectImageParam image{};
    image.colorMode = 0;
    image.depth = static_cast<uint8_t>(depth);
    image.channelOrder = order;
    image.channelCount = 4;
    image.width = side;
    image.height = side;
    image.rowBytes = side * 4 * ChannelWidth(depth);
    image.pixels = pixels.data();
    MoveEffectFilter filter(MoveEffectParam{}, bench::OneWorker());
    filter.SetBaseImage(&image);
    for (auto _ : state) {
        int sum = 0;
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                sum += filter.GetPixelDepth(x, y);
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * side * side);
}

// The yardstick of compositing: copying an 8-bit RGBA layer of the canvas once.
void BM_CopyLayer(benchmark::State& state) {
    const size_t bytes = static_cast<size_t>(CanvasSide()) * CanvasSide() * 4;
    std::vector<uint8_t> from(bytes, 1);
    std::vector<uint8_t> to(bytes, 2);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
}

void BM_DrawToCanvas(benchmark::State& state) {
    const int depth = static_cast<int>(state.range(0));
    RunOptions options;
    options.workers = static_cast<unsigned>(state.range(1));
    const int side = CanvasSide();
    std::vector<uint8_t> base(static_cast<size_t>(side) * side * 2, 255);
    static const uint8_t grayOrder[2] = {0, 1};
    MoveEffectImageParam image{};
    image.colorMode = 1;
    image.channelOrder = grayOrder;
    image.channelCount = 2;
    image.width = side;
    image.height = side;
    image.rowBytes = side * 2;
    image.pixels = base.data();
    MoveEffectParam param{};
    param.size = 6.0;
    param.hardness = 0.5;
    MoveEffectFilter filter(param, options);
    filter.SetBaseImage(&image);
    // Diagonal strokes over the whole canvas, so the dirty rectangle is the canvas.
    for (int i = -side; i < side; i += 16) {
        filter.DrawLine({static_cast<double>(i), 0.0}, 1.0,
                        {static_cast<double>(i + side), static_cast<double>(side)}, 1.0);
    }
    const int width = ChannelWidth(depth);
    std::vector<uint8_t> layer(static_cast<size_t>(side) * side * 4 * width);
    std::vector<uint8_t> colour(3 * width, 0x40);
    for (auto _ : state) {
        filter.DrawToCanvas(0, depth, colour.data(), layer.data(), side * 4 * width);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * side * side);
}

void Register() {
    bench::Configure(benchmark::RegisterBenchmark("GetPixelDepth", BM_GetPixelDepth)
                         ->ArgName("depth")
                         ->DenseRange(VELTRIX_DEPTH_U8, VELTRIX_DEPTH_FLOAT));
    // Depth by workers: compositing goes in bands on the pool's idle workers.
    auto* canvas = benchmark::RegisterBenchmark("DrawToCanvas", BM_DrawToCanvas)
                       ->ArgNames({"depth", "workers"})
                       ->UseRealTime();
    for (int depth = VELTRIX_DEPTH_U8; depth <= VELTRIX_DEPTH_FLOAT; ++depth) {
        for (const unsigned workers : bench::WorkerCounts()) {
            canvas->Args({depth, static_cast<int64_t>(workers)});
        }
    }
    bench::Configure(canvas);
    bench::Configure(benchmark::RegisterBenchmark("CopyLayer", BM_CopyLayer)->UseRealTime());
}

const bool registered = bench::AddRegistrar(&Register);

}  // namespace
