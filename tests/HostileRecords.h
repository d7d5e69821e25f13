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

#include "PipelineTestSupport.h"

namespace hostile {

constexpr int kSide = 1000;

/// The records of one call, starting from a sound parallel run over a dark disc.
struct Records {
    MoveEffectParam param;
    PointTarget target;
    MoveEffectImageParam image;
    MoveEffectCanvasParam canvas;
};

struct Case {
    std::string name;
    /// Whether the geometry stays finite and in range, so the run must draw something.
    bool draws;
    std::function<void(Records&)> spoil;
    /// Whether a target point lies at the int32 limits.
    bool farTarget = false;
};

/// Cases that take about a second: a parallel target whose first point lies at the int32 limits
/// stacks its copies almost along their own length, so each of the most copies a run lays
/// crosses the canvas and draws there. Sanitized builds, ten times slower, leave them out.
inline bool SlowButBounded(int type, const Case& hostileCase) {
    return type == VELTRIX_TYPE_PARALLEL && hostileCase.farTarget &&
           hostileCase.name.rfind("p1", 0) == 0;
}

inline const TestImage& DarkDisc() {
    static const TestImage image(kSide, kSide, [](int x, int y) {
        const int dx = x - kSide / 2;
        const int dy = y - kSide / 2;
        return dx * dx + dy * dy < kSide * kSide / 5;
    });
    return image;
}

inline Records SoundRecords(int type, TestLayer& layer) {
    Records records{};
    records.param = SteadyParam(type, type == VELTRIX_TYPE_RADIATE ? 30 : 12);
    records.param.length = 60;
    records.target = type == VELTRIX_TYPE_CIRCLE ? PointTarget{{300, 500}, {700, 500}, {500, 350}}
                                                 : PointTarget{{500, 500}, {200, 200}, {800, 300}};
    records.image = DarkDisc().Param();
    records.canvas = layer.Param();
    return records;
}

/// With hugePens, also pens of 1e300 pixels: each of their dabs covers the whole canvas, one
/// dab per pixel of line, so such a run takes seconds; the benchmark times them.
inline std::vector<Case> AllCases(bool hugePens) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    static const uint8_t kFarOrder[5] = {255, 200, 17, 9, 5};

    std::vector<Case> cases;
    const struct {
        const char* name;
        double MoveEffectParam::*field;
    } doubles[] = {{"curvature", &MoveEffectParam::curvature},
                   {"size", &MoveEffectParam::size},
                   {"hardness", &MoveEffectParam::hardness},
                   {"fluction", &MoveEffectParam::fluction},
                   {"in", &MoveEffectParam::in},
                   {"out", &MoveEffectParam::out},
                   {"posfluct", &MoveEffectParam::posfluct},
                   {"lenfluct", &MoveEffectParam::lenfluct},
                   {"spcfluct", &MoveEffectParam::spcfluct},
                   {"lengain", &MoveEffectParam::lengain},
                   {"spcgain", &MoveEffectParam::spcgain}};
    const struct {
        const char* name;
        double value;
    } badDoubles[] = {
        {"NaN", kNaN}, {"+inf", kInf}, {"-inf", -kInf}, {"1e300", 1e300}, {"-1e300", -1e300}};
    for (const auto& field : doubles) {
        for (const auto& value : badDoubles) {
            if (!hugePens && field.field == &MoveEffectParam::size && std::isfinite(value.value)) {
                continue;
            }
            for (const uint8_t asdist : {0, 1}) {
                cases.push_back(
                    {std::string(field.name) + "=" + value.name + (asdist ? " asdist" : ""), false,
                     [field, value, asdist](Records& r) {
                         r.param.*field.field = value.value;
                         r.param.asdist = asdist;
                     }});
            }
        }
    }
    const struct {
        const char* name;
        int32_t MoveEffectParam::*field;
    } ints[] = {{"type", &MoveEffectParam::type},
                {"position", &MoveEffectParam::position},
                {"length", &MoveEffectParam::length},
                {"spacing", &MoveEffectParam::spacing}};
    for (const auto& field : ints) {
        for (const int32_t value : {kMin, kMin + 1, -1, 0, kMax}) {
            cases.push_back({std::string(field.name) + "=" + std::to_string(value), false,
                             [field, value](Records& r) { r.param.*field.field = value; }});
        }
    }
    TargetPoint PointTarget::*const points[] = {&PointTarget::p1, &PointTarget::p2,
                                                &PointTarget::p3};
    for (int p = 0; p < 3; ++p) {
        for (const int32_t value : {kMin, kMax}) {
            const auto point = points[p];
            cases.push_back({"p" + std::to_string(p + 1) + "=" + std::to_string(value), false,
                             [point, value](Records& r) {
                                 (r.target.*point) = {value, value};
                             },
                             true});
            cases.push_back({"p" + std::to_string(p + 1) + ".x=" + std::to_string(value), false,
                             [point, value](Records& r) { (r.target.*point).x = value; }, true});
        }
    }
    cases.push_back({"all points equal", false, [](Records& r) {
                         r.target = {{500, 500}, {500, 500}, {500, 500}};
                     }});
    cases.push_back({"channel order past the pixel", false, [](Records& r) {
                         r.image.channelOrder = kFarOrder;
                         r.image.channelCount = 127;
                     }});
    cases.push_back({"channel count -128", false, [](Records& r) { r.image.channelCount = -128; }});
    cases.push_back(
        {"no channel order", false, [](Records& r) { r.image.channelOrder = nullptr; }});
    for (const int32_t value : {kMin, -1, 0}) {
        cases.push_back({"image width " + std::to_string(value), false,
                         [value](Records& r) { r.image.width = value; }});
        cases.push_back({"image height " + std::to_string(value), false,
                         [value](Records& r) { r.image.height = value; }});
    }
    // Rows narrower than the layer (a wider claim would promise memory the host lacks).
    for (const int32_t value : {-1, 0, kSide - 1}) {
        cases.push_back({"canvas rowBytes " + std::to_string(value), false,
                         [value](Records& r) { r.canvas.rowBytes = value; }});
    }
    // Row bytes 0 aliases every row onto the first: valid memory, a striped image.
    cases.push_back({"image rowBytes 0", false, [](Records& r) { r.image.rowBytes = 0; }});
    // Bottom-up buffers: pixel (0, 0) is the last row in memory.
    cases.push_back({"bottom-up image", true, [](Records& r) {
                         const auto* first = static_cast<const uint8_t*>(r.image.pixels);
                         r.image.pixels = first + static_cast<size_t>(kSide - 1) * kSide * 4;
                         r.image.rowBytes = -kSide * 4;
                     }});
    cases.push_back({"bottom-up canvas", true, [](Records& r) {
                         r.canvas.pixels += static_cast<size_t>(kSide - 1) * kSide;
                         r.canvas.rowBytes = -kSide;
                     }});
    cases.push_back({"image depth 200", false, [](Records& r) { r.image.depth = 200; }});
    cases.push_back(
        {"image colour mode -128", false, [](Records& r) { r.image.colorMode = -128; }});
    cases.push_back({"canvas depth 200", false, [](Records& r) { r.canvas.depth = 200; }});
    cases.push_back(
        {"canvas colour mode 200", false, [](Records& r) { r.canvas.colorMode = 200; }});
    return cases;
}

/// What one call did: its wall time and the layer's non-zero bytes.
struct Outcome {
    double seconds;
    long drawn;
};

/// Runs one case of one effect type on a fresh layer with the straight guide.
inline Outcome Run(int type, const Case& hostileCase) {
    TestLayer layer(kSide, kSide);
    Records records = SoundRecords(type, layer);
    hostileCase.spoil(records);
    const auto start = std::chrono::steady_clock::now();
    DrawEffect(&records.param, &records.target, ":S", &records.image, &records.canvas, nullptr,
               nullptr);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long drawn = static_cast<long>(
        std::count_if(layer.pixels.begin(), layer.pixels.end(), [](uint8_t c) { return c != 0; }));
    return {seconds, drawn};
}

}  // namespace hostile
