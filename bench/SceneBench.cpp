// Whole runs: every scene at 1 worker and at every hardware thread, the straightforward
// rasteriser at 1 worker for the ratio, and the latency scene's tasks on one thread, no pool.
#include <algorithm>

#include "AllocationCounter.h"
#include "BenchSupport.h"
#include "ReferenceRasteriser.h"
#include "Scenes.h"
#include "filter/MoveEffectFilter.h"
#include "plugin/DrawRun.h"
#include "plugin/GuideCache.h"

namespace {

using bench::Scene;

// DrawEffect as a host calls it. Reports, in MiB, the stroke buffer (calloc) and the most heap
// (operator new) a run held beside it: tasks, paths, lines, pool.
void RunScene(benchmark::State& state, const Scene& scene, const RunOptions& options) {
    const MoveEffectImageParam& image = bench::DarkImage(scene.canvas);
    bench::Layer layer(scene.canvas);
    const MoveEffectCanvasParam canvas = layer.Param();
    int64_t peak = 0;
    for (auto _ : state) {
        allocation::ResetPeak();
        const int64_t before = allocation::BytesInUse();
        DrawRun(options, &scene.param, &scene.target, ":S", &image, &canvas, nullptr, nullptr);
        peak = std::max(peak, allocation::PeakBytes() - before);
    }
    state.counters["heap_MiB"] = static_cast<double>(peak) / (1 << 20);
    state.counters["buffer_MiB"] = static_cast<double>(scene.canvas) * scene.canvas / (1 << 20);
}

void BM_Scene(benchmark::State& state, const Scene& scene) {
    RunOptions options;
    options.workers = static_cast<unsigned>(state.range(0));
    RunScene(state, scene, options);
}

void BM_SceneReference(benchmark::State& state, const Scene& scene) {
    RunScene(state, scene, reference::Options(1));
}

// What DrawEffect does, minus the pool: the layout and every task on this thread, then the
// compositing. The filter (and its idle worker) is made once, outside the timing.
void BM_SceneTasksOnOneThread(benchmark::State& state, const Scene& scene) {
    const MoveEffectImageParam& image = bench::DarkImage(scene.canvas);
    bench::Layer layer(scene.canvas);
    const MoveEffectCanvasParam canvas = layer.Param();
    RunOptions one;
    one.workers = 1;
    MoveEffectFilter filter(scene.param, one);
    filter.SetTarget(scene.target);
    PathParser guide(*FindOrLoadGuide(":S"));
    filter.AttachGuide(&guide);
    for (auto _ : state) {
        filter.SetBaseImage(&image);
        switch (scene.param.type) {
            case VELTRIX_TYPE_PARALLEL:
                filter.CreateParallelPathTasks();
                break;
            case VELTRIX_TYPE_CIRCLE:
                filter.CreateCirclePathTasks();
                break;
            default:
                filter.CreateRadiatePathTasks();
                break;
        }
        filter.pool.RunAsSingleThread();
        filter.DrawToCanvas(canvas.colorMode, canvas.depth, canvas.color, canvas.pixels,
                            canvas.rowBytes);
    }
}

void Register() {
    for (const Scene& scene : bench::Scenes()) {
        auto* run = benchmark::RegisterBenchmark(("Scene/" + scene.name).c_str(), BM_Scene, scene);
        for (const unsigned workers : bench::WorkerCounts()) {
            run->Arg(workers);
        }
        bench::Configure(run->ArgName("workers")->UseRealTime()->Unit(benchmark::kMillisecond));
        bench::Configure(benchmark::RegisterBenchmark(("SceneReference/" + scene.name).c_str(),
                                                      BM_SceneReference, scene)
                             ->UseRealTime()
                             ->Unit(benchmark::kMillisecond));
        if (scene.name == "latency") {
            bench::Configure(
                benchmark::RegisterBenchmark(("SceneTasksOnOneThread/" + scene.name).c_str(),
                                             BM_SceneTasksOnOneThread, scene)
                    ->UseRealTime()
                    ->Unit(benchmark::kMillisecond));
        }
    }
}

const bool registered = bench::AddRegistrar(&Register);

}  // namespace
