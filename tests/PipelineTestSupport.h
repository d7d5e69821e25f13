// Test helpers for whole runs: base images built from a predicate, layers and a runner.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include <veltrix/veltrix.h>

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
        image.colorMode = 0;
        image.depth = 0;
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
        canvas.depth = 0;
        canvas.pixels = pixels.data();
        canvas.rowBytes = width;
        return canvas;
    }
    uint8_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }

    int width;
    std::vector<uint8_t> pixels;
};

/// Settings with every fluctuation off: a hard 4-pixel pen, half-line tapers, length 10.
inline MoveEffectParam SteadyParam(int type, int spacing) {
    MoveEffectParam param{};
    param.type = type;
    param.curvature = 1.0;
    param.size = 4.0;
    param.hardness = 1.0;
    param.in = 0.5;
    param.out = 0.5;
    param.length = 10;
    param.spacing = spacing;
    param.connect = 1;
    return param;
}

/// Draws with DrawEffect into an RGBA layer with a colour, so that the dirty rectangle shows
/// as coloured pixels even where the coverage is 0.
inline std::vector<uint8_t> DrawColoured(const MoveEffectParam& param, const PointTarget& target,
                                         const TestImage& image, const char* guide = ":S") {
    std::vector<uint8_t> pixels(static_cast<size_t>(image.width) * image.height * 4);
    const uint8_t colour[3] = {10, 20, 30};
    MoveEffectCanvasParam canvas{};
    canvas.colorMode = 0;
    canvas.color = colour;
    canvas.pixels = pixels.data();
    canvas.rowBytes = image.width * 4;
    MoveEffectImageParam base = image.Param();
    DrawEffect(&param, &target, guide, &base, &canvas, nullptr, nullptr);
    return pixels;
}
