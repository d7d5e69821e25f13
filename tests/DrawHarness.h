// The drawing tests' one door into the library's internals: runs with test options, and filters
// over small canvases whose coverage and dirty rectangle the tests read. Also base images,
// layers and settings for whole runs.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <veltrix/veltrix.h>

#include "ReferenceRasteriser.h"
#include "filter/MoveEffectFilter.h"
#include "plugin/DrawRun.h"

/// How a test run draws; the defaults are those of a host's run.
struct TestRun {
    unsigned workers = 0;         ///< 0: one per hardware thread
    bool reference = false;       ///< the straightforward rasteriser and the plain walk
    bool baselineKernel = false;  ///< the dab kernel without wider vector units
    bool crossUnseen = true;      ///< line tasks cross stretches that cannot mark or draw
};

inline RunOptions OptionsOf(const TestRun& run) {
    RunOptions options = run.reference ? reference::Options(run.workers) : RunOptions{};
    options.workers = run.workers;
    options.crossUnseenStretches = run.crossUnseen && !run.reference;
    options.raster.baselineKernel = run.baselineKernel;
    return options;
}

/// DrawEffect with the run's options.
inline void Draw(const TestRun& run, const MoveEffectParam& param, const PointTarget& target,
                 const char* guide, const MoveEffectImageParam& image,
                 const MoveEffectCanvasParam& canvas, ProgressCallback progress = nullptr,
                 void* user = nullptr) {
    DrawRun(OptionsOf(run), &param, &target, guide, &image, &canvas, progress, user);
}

/// A filter over a white, opaque 8-bit gray base image of width x height for drawing dabs and
/// lines directly. The run's workers size its pool and baselineKernel picks the dab kernel;
/// reference and crossUnseen do not apply.
class Canvas {
  public:
    Canvas(const MoveEffectParam& param, int32_t width, int32_t height, const TestRun& run = {})
        : width(width), height(height), pixels(static_cast<size_t>(width) * height * 2 + 1, 255) {
        static constexpr uint8_t kGrayOrder[2] = {0, 1};
        const MoveEffectImageParam image{
            1, 0, 0, kGrayOrder, 2, width, height, width * 2, pixels.data(), 0, 0, nullptr};
        RunOptions options;
        options.workers = run.workers == 0 ? 1 : run.workers;
        options.raster.baselineKernel = run.baselineKernel;
        filter = std::make_unique<MoveEffectFilter>(param, options);
        filter->SetBaseImage(&image);
    }

    uint8_t At(int32_t x, int32_t y) const { return filter->strokes.Bytes()[y * width + x]; }
    std::vector<uint8_t> Coverage() const {
        std::vector<uint8_t> bytes(static_cast<size_t>(width) * height);
        for (size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = filter->strokes.Bytes()[i];
        }
        return bytes;
    }
    /// The dirty rectangle as {minX, minY, maxX, maxY}.
    std::vector<int32_t> Rect() const {
        const PixelRange r = filter->strokes.DirtyRect();
        return {r.x0, r.y0, r.x1, r.y1};
    }
    int32_t Width() const { return width; }
    int32_t Height() const { return height; }
    MoveEffectFilter& operator*() { return *filter; }
    MoveEffectFilter* operator->() { return filter.get(); }

  private:
    int32_t width;
    int32_t height;
    std::vector<uint8_t> pixels;
    std::unique_ptr<MoveEffectFilter> filter;
};

/// Effect parameters with the given pen and everything else zero.
inline MoveEffectParam PenParam(double size, double hardness) {
    MoveEffectParam param{};
    param.size = size;
    param.hardness = hardness;
    return param;
}

/// Settings with every fluctuation off: a hard 4-pixel pen, half-line tapers, length 10.
inline MoveEffectParam SteadyParam(int type, int spacing) {
    MoveEffectParam param = PenParam(4.0, 1.0);
    param.type = type;
    param.curvature = 1.0;
    param.in = param.out = 0.5;
    param.length = 10;
    param.spacing = spacing;
    param.connect = 1;
    return param;
}

/// An 8-bit RGBA base image, opaque black where `dark(x, y)` holds and white elsewhere.
struct TestImage {
    TestImage(int width, int height, const std::function<bool(int, int)>& dark)
        : width(width), height(height), pixels(static_cast<size_t>(width) * height * 4, 255) {
        for (int i = 0; i < width * height; ++i) {
            if (dark(i % width, i / width)) {
                pixels[i * 4] = pixels[i * 4 + 1] = pixels[i * 4 + 2] = 0;
            }
        }
    }
    MoveEffectImageParam Param() const {
        static constexpr uint8_t kOrder[4] = {0, 1, 2, 3};
        return {0, 0, 0, kOrder, 4, width, height, width * 4, pixels.data(), 0, 0, nullptr};
    }

    int width;
    int height;
    std::vector<uint8_t> pixels;
};

/// An alpha-only 8-bit layer: one coverage byte per pixel.
struct TestLayer {
    TestLayer(int width, int height) : width(width), pixels(static_cast<size_t>(width) * height) {}
    MoveEffectCanvasParam Param() { return {3, 0, nullptr, pixels.data(), width}; }

    int width;
    std::vector<uint8_t> pixels;
};

/// A whole run into an RGBA layer with a colour, so that the dirty rectangle shows as coloured
/// pixels even where the coverage is 0.
inline std::vector<uint8_t> DrawColoured(const TestRun& run, const MoveEffectParam& param,
                                         const PointTarget& target, const TestImage& image,
                                         const char* guide = ":S") {
    std::vector<uint8_t> pixels(static_cast<size_t>(image.width) * image.height * 4);
    static constexpr uint8_t kColour[3] = {10, 20, 30};
    Draw(run, param, target, guide, image.Param(), {0, 0, kColour, pixels.data(), image.width * 4});
    return pixels;
}

/// The same with a host's default run.
inline std::vector<uint8_t> DrawColoured(const MoveEffectParam& param, const PointTarget& target,
                                         const TestImage& image, const char* guide = ":S") {
    return DrawColoured(TestRun{}, param, target, image, guide);
}
