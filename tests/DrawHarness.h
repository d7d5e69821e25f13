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
#include "filter/DabRasteriser.h"
#include "filter/MoveEffectFilter.h"
#include "plugin/DrawOptions.h"
#include "task/PathTask.h"

/// How a test run draws; the defaults are those of a host's run.
struct TestRun {
    unsigned workers = 0;         ///< 0: one per hardware thread
    bool reference = false;       ///< the straightforward rasteriser and the plain walk
    bool baselineKernel = false;  ///< the dab kernel without wider vector units
    bool crossUnseen = true;      ///< line tasks cross stretches that cannot mark or draw
};

/// Applies a TestRun's options while alive and restores the earlier ones. Create it while no
/// run is active.
class ScopedRunOptions {
  public:
    explicit ScopedRunOptions(const TestRun& run)
        : workers(GetDrawWorkerCount()),
          baseline(DabRasteriser::baselineKernelOnly.load()),
          cross(PathTask::crossUnseenStretches.load()),
          rasteriser(MoveEffectFilter::lineRasteriser.load()) {
        SetDrawWorkerCount(run.workers);
        DabRasteriser::baselineKernelOnly = run.baselineKernel;
        PathTask::crossUnseenStretches = run.crossUnseen && !run.reference;
        MoveEffectFilter::lineRasteriser = run.reference ? &reference::DrawLine : rasteriser;
    }
    ~ScopedRunOptions() {
        SetDrawWorkerCount(workers);
        DabRasteriser::baselineKernelOnly = baseline;
        PathTask::crossUnseenStretches = cross;
        MoveEffectFilter::lineRasteriser = rasteriser;
    }
    ScopedRunOptions(const ScopedRunOptions&) = delete;
    ScopedRunOptions& operator=(const ScopedRunOptions&) = delete;

  private:
    unsigned workers;
    bool baseline;
    bool cross;
    MoveEffectFilter::LineRasteriser rasteriser;
};

/// DrawEffect with the run's options.
inline void Draw(const TestRun& run, const MoveEffectParam& param, const PointTarget& target,
                 const char* guide, const MoveEffectImageParam& image,
                 const MoveEffectCanvasParam& canvas, ProgressCallback progress = nullptr,
                 void* user = nullptr) {
    ScopedRunOptions options(run);
    DrawEffect(&param, &target, guide, &image, &canvas, progress, user);
}

/// A filter over a white, opaque 8-bit gray canvas of width x height, or over a given base
/// image, for drawing dabs and lines directly. The run's workers size the filter's pool and
/// baselineKernel picks the dab kernel; reference and crossUnseen do not apply.
class Canvas {
  public:
    Canvas(const MoveEffectParam& param, int32_t width, int32_t height, const TestRun& run = {})
        : pixels(static_cast<size_t>(width) * height * 2 + 1, 255) {
        static constexpr uint8_t kGrayOrder[2] = {0, 1};
        MoveEffectImageParam image{};
        image.colorMode = 1;
        image.channelOrder = kGrayOrder;
        image.channelCount = 2;
        image.width = width;
        image.height = height;
        image.rowBytes = width * 2;
        image.pixels = pixels.data();
        Start(param, image, run);
    }
    /// The host's image must outlive the canvas.
    Canvas(const MoveEffectParam& param, const MoveEffectImageParam& image,
           const TestRun& run = {}) {
        Start(param, image, run);
    }
    ~Canvas() {
        filter.reset();
        DabRasteriser::baselineKernelOnly = baseline;
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    uint8_t At(int32_t x, int32_t y) const {
        return filter->strokeBuffer[static_cast<size_t>(y) * width + x].load();
    }
    std::vector<uint8_t> Coverage() const {
        std::vector<uint8_t> bytes(static_cast<size_t>(width) * height);
        for (size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = filter->strokeBuffer[i].load();
        }
        return bytes;
    }
    /// The dirty rectangle as {minX, minY, maxX, maxY}.
    std::vector<int32_t> Rect() const {
        return {filter->minX.load(), filter->minY.load(), filter->maxX.load(), filter->maxY.load()};
    }
    int32_t Width() const { return width; }
    int32_t Height() const { return height; }
    MoveEffectFilter& operator*() { return *filter; }
    MoveEffectFilter* operator->() { return filter.get(); }

  private:
    void Start(const MoveEffectParam& param, const MoveEffectImageParam& image,
               const TestRun& run) {
        baseline = DabRasteriser::baselineKernelOnly.load();
        DabRasteriser::baselineKernelOnly = run.baselineKernel;
        filter = std::make_unique<MoveEffectFilter>(param, run.workers == 0 ? 1 : run.workers);
        filter->SetBaseImage(&image);
        width = image.width;
        height = image.height;
    }

    std::vector<uint8_t> pixels;
    std::unique_ptr<MoveEffectFilter> filter;
    bool baseline = false;
    int32_t width = 0;
    int32_t height = 0;
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
    param.in = 0.5;
    param.out = 0.5;
    param.length = 10;
    param.spacing = spacing;
    param.connect = 1;
    return param;
}

/// An 8-bit RGBA base image, opaque black where `dark(x, y)` holds and white elsewhere.
struct TestImage {
    TestImage(int width, int height, const std::function<bool(int, int)>& dark)
        : width(width), height(height), pixels(static_cast<size_t>(width) * height * 4, 255) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (dark(x, y)) {
                    uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
                    p[0] = p[1] = p[2] = 0;
                }
            }
        }
    }

    MoveEffectImageParam Param() const {
        MoveEffectImageParam image{};
        image.channelOrder = kOrder;
        image.channelCount = 4;
        image.width = width;
        image.height = height;
        image.rowBytes = width * 4;
        image.pixels = pixels.data();
        return image;
    }

    static constexpr uint8_t kOrder[4] = {0, 1, 2, 3};
    int width;
    int height;
    std::vector<uint8_t> pixels;
};

/// An alpha-only 8-bit layer the size of the image: one coverage byte per pixel.
struct TestLayer {
    TestLayer(int width, int height) : width(width), pixels(static_cast<size_t>(width) * height) {}

    MoveEffectCanvasParam Param() {
        MoveEffectCanvasParam canvas{};
        canvas.colorMode = 3;
        canvas.pixels = pixels.data();
        canvas.rowBytes = width;
        return canvas;
    }
    uint8_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }

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
    MoveEffectCanvasParam canvas{};
    canvas.color = kColour;
    canvas.pixels = pixels.data();
    canvas.rowBytes = image.width * 4;
    Draw(run, param, target, guide, image.Param(), canvas);
    return pixels;
}
