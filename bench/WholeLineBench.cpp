// The headline comparison: DrawEffect against cairo stroking the same whole lines (or ring arcs)
// into an existing layer, on a 4096 x 4096 dark page, and the straightforward rasteriser.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "BenchSupport.h"
#include "ReferenceRasteriser.h"
#include "plugin/DrawRun.h"

namespace {

struct LineScene {
    const char* name;
    int type;
    double pen;
    double hardness;
};

// Radiate: 400 lines of about 819 px from radius 717 outward; circle: rings every 10 px around a
// 500 px circle, out to the corners. Default tapers, length 10, spacing 10, connect.
constexpr LineScene kScenes[] = {
    {"radiate4", VELTRIX_TYPE_RADIATE, 4.0, 1.0},
    {"radiate32", VELTRIX_TYPE_RADIATE, 32.0, 1.0},
    {"circle4", VELTRIX_TYPE_CIRCLE, 4.0, 1.0},
    {"soft4-50", VELTRIX_TYPE_RADIATE, 4.0, 0.5},
    {"soft4-0", VELTRIX_TYPE_RADIATE, 4.0, 0.0},
    {"soft32-50", VELTRIX_TYPE_RADIATE, 32.0, 0.5},
    {"soft32-0", VELTRIX_TYPE_RADIATE, 32.0, 0.0},
    // A hardness whose rim powers come from the table, not from products.
    {"soft4-60", VELTRIX_TYPE_RADIATE, 4.0, 0.6},
};

int Side() {
    return bench::Smoke() ? 256 : 4096;
}

MoveEffectParam ParamOf(const LineScene& scene) {
    MoveEffectParam param{};
    param.type = scene.type;
    param.curvature = 1.0;
    param.size = scene.pen;
    param.hardness = scene.hardness;
    param.in = param.out = 0.5;
    param.length = 10;
    param.spacing = 10;
    param.connect = 1;
    return param;
}

PointTarget TargetOf(const LineScene& scene) {
    const int s = Side();
    const auto at = [s](double x, double y) {
        return TargetPoint{static_cast<int32_t>(x * s), static_cast<int32_t>(y * s)};
    };
    if (scene.type == VELTRIX_TYPE_CIRCLE) {
        return {at(1548.0 / 4096, 0.5), at(2548.0 / 4096, 0.5), at(0.5, 1548.0 / 4096)};
    }
    return {at(0.5, 0.5), at(0.5, 1331.0 / 4096), at(0.5, 0.125)};
}

// A dark, opaque 8-bit RGBA page and a layer the host already holds (touched beforehand, so
// neither side pays for the host's page faults).
struct Page {
    std::vector<uint8_t> base;
    std::vector<uint8_t> layer;
    MoveEffectImageParam image{};
    MoveEffectCanvasParam canvas{};

    Page() : base(size_t(Side()) * Side() * 4, 16), layer(base.size(), 1) {
        static const uint8_t kOrder[4] = {0, 1, 2, 3};
        static const uint8_t kColour[3] = {20, 30, 40};
        for (size_t i = 3; i < base.size(); i += 4) {
            base[i] = 255;
        }
        image = {VELTRIX_COLOR_RGB, VELTRIX_DEPTH_U8, 0, kOrder, 4,      Side(), Side(),
                 Side() * 4,        base.data(),      0, 0,      nullptr};
        canvas = {VELTRIX_COLOR_RGB, VELTRIX_DEPTH_U8, kColour, layer.data(), Side() * 4};
    }
};

Page& SharedPage() {
    static Page page;
    return page;
}

void BM_Lines(benchmark::State& state, const LineScene& scene, RunOptions options) {
    Page& page = SharedPage();
    const MoveEffectParam param = ParamOf(scene);
    const PointTarget target = TargetOf(scene);
    for (auto _ : state) {
        DrawRun(options, &param, &target, ":S", &page.image, &page.canvas, nullptr, nullptr);
    }
}

void BM_Veltrix(benchmark::State& state, const LineScene& scene) {
    RunOptions options;
    options.workers = static_cast<unsigned>(state.range(0));
    BM_Lines(state, scene, options);
}

void BM_Straightforward(benchmark::State& state, const LineScene& scene) {
    BM_Lines(state, scene, reference::Options(1));
}

// The lines the scene draws, from the line sink.
std::vector<std::vector<VeltrixLinePoint>> LinesOf(const LineScene& scene) {
    std::vector<std::vector<VeltrixLinePoint>> lines;
    Page& page = SharedPage();
    const MoveEffectParam param = ParamOf(scene);
    const PointTarget target = TargetOf(scene);
    VeltrixDrawOptions options{};
    options.structSize = sizeof options;
    options.lines = [](const VeltrixLine* line, void* user) {
        static_cast<std::vector<std::vector<VeltrixLinePoint>>*>(user)->emplace_back(
            line->points, line->points + line->pointCount);
    };
    options.linesUser = &lines;
    DrawEffectWithOptions(&param, &target, ":S", &page.image, &page.canvas, nullptr, nullptr,
                          &options);
    return lines;
}

// Cairo, on one thread, clears an existing ARGB32 layer and strokes each whole line (an arc of
// its ring for circles) once, round caps, at the line's widest diameter.
void BM_Cairo(benchmark::State& state, const LineScene& scene) {
    const auto lines = LinesOf(scene);
    const PointTarget target = TargetOf(scene);
    const double cx = 0.5 * (target.p1.x + target.p2.x);
    const double cy = 0.5 * (target.p1.y + target.p2.y);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, Side(), Side());
    cairo_t* cr = cairo_create(surface);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(cr, 0, 0, 0, 0);
    cairo_paint(cr);
    for (auto _ : state) {
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        cairo_paint(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        cairo_set_source_rgb(cr, 0.1, 0.1, 0.2);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        for (const auto& line : lines) {
            double width = 0.0;
            for (const VeltrixLinePoint& p : line) {
                width = std::max(width, p.diameter);
            }
            cairo_set_line_width(cr, width);
            const VeltrixLinePoint& a = line.front();
            const VeltrixLinePoint& b = line.back();
            if (scene.type == VELTRIX_TYPE_CIRCLE) {
                const double r = std::hypot(a.x - cx, a.y - cy);
                double from = std::atan2(a.y - cy, a.x - cx);
                double to = std::atan2(b.y - cy, b.x - cx);
                if (line.size() > 8 && to <= from) {
                    to += 2 * M_PI;
                }
                cairo_new_sub_path(cr);
                cairo_arc(cr, cx, cy, r, from, to);
            } else {
                cairo_move_to(cr, a.x, a.y);
                cairo_line_to(cr, b.x, b.y);
            }
            cairo_stroke(cr);
        }
        cairo_surface_flush(surface);
    }
    state.counters["lines"] = static_cast<double>(lines.size());
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

void Register() {
    for (const LineScene& scene : kScenes) {
        const std::string name = scene.name;
        auto* veltrix = benchmark::RegisterBenchmark(("Lines/" + name).c_str(), BM_Veltrix, scene);
        for (const unsigned workers : bench::WorkerCounts()) {
            veltrix->Arg(workers);
        }
        bench::Configure(veltrix->Unit(benchmark::kMillisecond)->UseRealTime());
        bench::Configure(
            benchmark::RegisterBenchmark(("LinesCairo/" + name).c_str(), BM_Cairo, scene)
                ->Unit(benchmark::kMillisecond));
        // The straightforward rasteriser takes seconds a call on soft wide pens, even small.
        if (bench::Smoke() && scene.hardness < 1.0 && scene.pen > 4.0) {
            continue;
        }
        bench::Configure(benchmark::RegisterBenchmark(("LinesStraightforward/" + name).c_str(),
                                                      BM_Straightforward, scene)
                             ->Unit(benchmark::kMillisecond)
                             ->UseRealTime());
    }
}

const bool registered = bench::AddRegistrar(&Register);

}  // namespace
