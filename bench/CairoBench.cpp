// The comparison target: the segments a scene draws, replayed through DrawLine and stroked
// with Cairo at the same widths with round caps, on an A8 surface, in the same process.
#include <cairo.h>

#include <mutex>
#include <vector>

#include "BenchSupport.h"
#include "Scenes.h"
#include "filter/MoveEffectFilter.h"
#include "plugin/DrawRun.h"

namespace {

using bench::Scene;

struct Segment {
    PathPoint from;
    double fromPressure;
    PathPoint to;
    double toPressure;
};

std::mutex g_recordLock;
std::vector<Segment>* g_recording = nullptr;

void Record(StrokeBuffer&, const PathPoint& from, double p0, const PathPoint& to, double p1) {
    std::lock_guard<std::mutex> lock(g_recordLock);
    g_recording->push_back({from, p0, to, p1});
}

// Every DrawLine of one run of the scene, in the order one worker makes them.
std::vector<Segment> RecordSegments(const Scene& scene) {
    std::vector<Segment> segments;
    std::vector<uint8_t> layerPixels(static_cast<size_t>(scene.canvas) * scene.canvas);
    MoveEffectCanvasParam canvas{};
    canvas.colorMode = 3;
    canvas.pixels = layerPixels.data();
    canvas.rowBytes = scene.canvas;
    g_recording = &segments;
    RunOptions options;
    options.workers = 1;
    options.raster.lineRasteriser = &Record;
    DrawRun(options, &scene.param, &scene.target, ":S", &bench::DarkImage(scene.canvas), &canvas,
            nullptr, nullptr);
    g_recording = nullptr;
    return segments;
}

void BM_ReplaySegments(benchmark::State& state, const Scene& scene) {
    const std::vector<Segment> segments = RecordSegments(scene);
    RunOptions one;
    one.workers = 1;
    MoveEffectFilter filter(scene.param, one);
    for (auto _ : state) {
        state.PauseTiming();
        filter.SetBaseImage(&bench::DarkImage(scene.canvas));
        state.ResumeTiming();
        for (const Segment& s : segments) {
            filter.DrawLine(s.from, s.fromPressure, s.to, s.toPressure);
        }
    }
    state.counters["segments"] = static_cast<double>(segments.size());
}

// Cairo gets its best case: consecutive segments of one width are joined into one path (round
// joins), and each path is stroked once. A segment's width is its mean pen diameter.
void BM_CairoStroke(benchmark::State& state, const Scene& scene) {
    const std::vector<Segment> segments = RecordSegments(scene);
    const double size = scene.param.size;
    int64_t strokes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        cairo_surface_t* surface =
            cairo_image_surface_create(CAIRO_FORMAT_A8, scene.canvas, scene.canvas);
        cairo_t* cr = cairo_create(surface);
        state.ResumeTiming();
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        double width = -1.0;
        PathPoint last{0.0, 0.0};
        strokes = 0;
        for (const Segment& s : segments) {
            const double w = 0.5 * (s.fromPressure + s.toPressure) * size;
            if (std::max(s.fromPressure, s.toPressure) * size < 0.1) {
                continue;
            }
            if (w != width || s.from.x != last.x || s.from.y != last.y) {
                if (width > 0.0) {
                    cairo_stroke(cr);
                    ++strokes;
                }
                width = w;
                cairo_set_line_width(cr, w);
                cairo_move_to(cr, s.from.x, s.from.y);
            }
            cairo_line_to(cr, s.to.x, s.to.y);
            last = s.to;
        }
        if (width > 0.0) {
            cairo_stroke(cr);
            ++strokes;
        }
        cairo_surface_flush(surface);
        state.PauseTiming();
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
        state.ResumeTiming();
    }
    state.counters["strokes"] = static_cast<double>(strokes);
}

void Register() {
    for (const char* name : {"radiate", "parallel", "circle"}) {
        const Scene scene = bench::FindScene(name);
        bench::Configure(benchmark::RegisterBenchmark(("ReplaySegments/" + scene.name).c_str(),
                                                      BM_ReplaySegments, scene)
                             ->Unit(benchmark::kMillisecond));
        bench::Configure(benchmark::RegisterBenchmark(("CairoStroke/" + scene.name).c_str(),
                                                      BM_CairoStroke, scene)
                             ->Unit(benchmark::kMillisecond));
    }
}

const bool registered = bench::AddRegistrar(&Register);

}  // namespace
