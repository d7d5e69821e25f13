// Hostile drawing records shared by the tests and the benchmark: every double field non-finite
// or huge, the int32 limits, channel orders past the pixel, bad sizes and row bytes.
#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include <veltrix/veltrix.h>

#include "DrawHarness.h"

namespace hostile {

constexpr int kSide = 1000;

/// The records of one call, starting from a sound run over a dark disc.
struct Records {
    MoveEffectParam param;
    PointTarget target;
    MoveEffectImageParam image;
    MoveEffectCanvasParam canvas;
};

struct Case {
    std::string name;
    bool draws;  ///< the geometry stays finite and in range, so the run must draw something
    std::function<void(Records&)> spoil;
    bool farTarget = false;  ///< a target point lies at the int32 limits
};

/// Cases that take about a second: a parallel target whose first point lies at the int32 limits
/// stacks its copies almost along their own length, so each of the most copies a run lays
/// crosses the canvas and draws there. Sanitized builds, ten times slower, leave them out.
inline bool SlowButBounded(int type, const Case& hostileCase) {
    return type == VELTRIX_TYPE_PARALLEL && hostileCase.farTarget &&
           hostileCase.name.rfind("p1", 0) == 0;
}

/// With hugePens, also pens of 1e300 pixels: each of their dabs covers the whole canvas, one
/// dab per pixel of line, so such a run takes seconds; the benchmark times them.
inline std::vector<Case> AllCases(bool hugePens) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    static const uint8_t kFarOrder[5] = {255, 200, 17, 9, 5};
    using P = MoveEffectParam;
    std::vector<Case> cases;
    const std::pair<const char*, double P::*> doubles[] = {{"curvature", &P::curvature},
                                                           {"size", &P::size},
                                                           {"hardness", &P::hardness},
                                                           {"fluction", &P::fluction},
                                                           {"in", &P::in},
                                                           {"out", &P::out},
                                                           {"posfluct", &P::posfluct},
                                                           {"lenfluct", &P::lenfluct},
                                                           {"spcfluct", &P::spcfluct},
                                                           {"lengain", &P::lengain},
                                                           {"spcgain", &P::spcgain}};
    const std::pair<const char*, double> badDoubles[] = {{"NaN", std::nan("")},
                                                         {"+inf", kInf},
                                                         {"-inf", -kInf},
                                                         {"1e300", 1e300},
                                                         {"-1e300", -1e300}};
    for (const auto& [field, member] : doubles) {
        for (const auto& [text, value] : badDoubles) {
            if (!hugePens && member == &P::size && std::isfinite(value)) {
                continue;
            }
            for (const uint8_t asdist : {0, 1}) {
                cases.push_back({std::string(field) + "=" + text + (asdist ? " asdist" : ""), false,
                                 [member = member, value = value, asdist](Records& r) {
                                     r.param.*member = value;
                                     r.param.asdist = asdist;
                                 }});
            }
        }
    }
    const std::pair<const char*, int32_t P::*> ints[] = {{"type", &P::type},
                                                         {"position", &P::position},
                                                         {"length", &P::length},
                                                         {"spacing", &P::spacing}};
    for (const auto& [field, member] : ints) {
        for (const int32_t value : {kMin, kMin + 1, -1, 0, kMax}) {
            cases.push_back({std::string(field) + "=" + std::to_string(value), false,
                             [member = member, value](Records& r) { r.param.*member = value; }});
        }
    }
    TargetPoint PointTarget::*const points[] = {&PointTarget::p1, &PointTarget::p2,
                                                &PointTarget::p3};
    for (int p = 0; p < 3; ++p) {
        for (const int32_t v : {kMin, kMax}) {
            const auto point = points[p];
            const std::string name = "p" + std::to_string(p + 1);
            cases.push_back({name + "=" + std::to_string(v), false,
                             [point, v](Records& r) {
                                 (r.target.*point) = {v, v};
                             },
                             true});
            cases.push_back({name + ".x=" + std::to_string(v), false,
                             [point, v](Records& r) { (r.target.*point).x = v; }, true});
        }
    }
    const auto add = [&cases](std::string name, std::function<void(Records&)> spoil,
                              bool draws = false) {
        cases.push_back({name, draws, spoil});
    };
    add("all points equal", [](Records& r) { r.target = {{500, 500}, {500, 500}, {500, 500}}; });
    add("channel order past the pixel", [](Records& r) {
        r.image.channelOrder = kFarOrder;
        r.image.channelCount = 127;
    });
    add("channel count -128", [](Records& r) { r.image.channelCount = -128; });
    add("no channel order", [](Records& r) { r.image.channelOrder = nullptr; });
    for (const int32_t v : {kMin, -1, 0}) {
        add("image width " + std::to_string(v), [v](Records& r) { r.image.width = v; });
        add("image height " + std::to_string(v), [v](Records& r) { r.image.height = v; });
    }
    // Rows narrower than the layer (a wider claim would promise memory the host lacks).
    for (const int32_t v : {-1, 0, kSide - 1}) {
        add("canvas rowBytes " + std::to_string(v), [v](Records& r) { r.canvas.rowBytes = v; });
    }
    // Row bytes 0 aliases every row onto the first: valid memory, a striped image.
    add("image rowBytes 0", [](Records& r) { r.image.rowBytes = 0; });
    // Bottom-up buffers: pixel (0, 0) is the last row in memory.
    add(
        "bottom-up image",
        [](Records& r) {
            r.image.pixels = static_cast<const uint8_t*>(r.image.pixels) + (kSide - 1) * kSide * 4;
            r.image.rowBytes = -kSide * 4;
        },
        true);
    add(
        "bottom-up canvas",
        [](Records& r) {
            r.canvas.pixels += (kSide - 1) * kSide;
            r.canvas.rowBytes = -kSide;
        },
        true);
    // Tiny gains once kept the layouts from crossing what the canvas cannot see, and spacing 0
    // with a gain laid about 1 / sqrt(gain) nearly equal rings.
    for (const double gain : {1e-12, -1e-12, 1e-7}) {
        const std::string g = " spcgain " + std::to_string(gain);
        add("far p3 spacing 1" + g, [gain](Records& r) {
            r.param.spacing = 1;
            r.param.spcgain = gain;
            r.target.p3 = {500, kMax};
        });
        add("far target" + g, [gain](Records& r) {
            r.param.spcgain = gain;
            r.target = {{200000000, 500}, {200000100, 500}, {200000050, 450}};
        });
        add("spacing 0" + g, [gain](Records& r) {
            r.param.spacing = 0;
            r.param.spcgain = gain;
        });
    }
    add("pen below the smallest dab, vast lines", [](Records& r) {
        r.param.size = 0.094;
        r.param.curvature = 3.1e151;
        r.param.length = kMax;
        r.param.lengain = r.param.in = r.param.out = 1e6;
    });
    add("image depth 200", [](Records& r) { r.image.depth = 200; });
    add("image colour mode -128", [](Records& r) { r.image.colorMode = -128; });
    add("canvas depth 200", [](Records& r) { r.canvas.depth = 200; });
    add("canvas colour mode 200", [](Records& r) { r.canvas.colorMode = 200; });
    return cases;
}

/// What one call did: its wall time, the layer's non-zero bytes and the dabs it placed near the
/// canvas (as the line sink counts them, one per pixel of line).
struct Outcome {
    double seconds;
    long drawn;
    int64_t dabs;
};

/// Runs one case of one effect type on a fresh layer with the straight guide, on `workers`
/// workers (0: one per hardware thread).
inline Outcome Run(int type, const Case& hostileCase, unsigned workers = 0) {
    static const TestImage disc(kSide, kSide, [](int x, int y) {
        return (x - kSide / 2) * (x - kSide / 2) + (y - kSide / 2) * (y - kSide / 2) <
               kSide * kSide / 5;
    });
    TestLayer layer(kSide, kSide);
    Records r{SteadyParam(type, type == VELTRIX_TYPE_RADIATE ? 30 : 12),
              type == VELTRIX_TYPE_CIRCLE ? PointTarget{{300, 500}, {700, 500}, {500, 350}}
                                          : PointTarget{{500, 500}, {200, 200}, {800, 300}},
              disc.Param(), layer.Param()};
    r.param.length = 60;
    hostileCase.spoil(r);
    const auto start = std::chrono::steady_clock::now();
    LineRecorder lines(int64_t{1} << 24);
    RunOptions options;
    options.workers = workers;
    options.lines = &lines;
    DrawRun(options, &r.param, &r.target, ":S", &r.image, &r.canvas, nullptr, nullptr);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    int64_t dabs = 0;
    for (const RecordedLine& line : lines.TakeSorted()) {
        dabs += static_cast<int64_t>(line.points.size());
    }
    return {seconds.count(),
            static_cast<long>(layer.pixels.size() -
                              std::count(layer.pixels.begin(), layer.pixels.end(), 0)),
            dabs};
}

}  // namespace hostile
