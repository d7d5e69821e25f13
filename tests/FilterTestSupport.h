// Test support: filters over small in-memory canvases and views of their stroke buffers.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "filter/MoveEffectFilter.h"

namespace testsupport {

/// Effect parameters with the given pen and everything else zero.
inline MoveEffectParam PenParam(double size, double hardness) {
    MoveEffectParam param{};
    param.size = size;
    param.hardness = hardness;
    return param;
}

/// A filter (of one worker unless asked) over a white, opaque 8-bit gray base image of width x
/// height.
class Canvas {
  public:
    Canvas(const MoveEffectParam& param, int32_t width, int32_t height, unsigned workers = 1)
        : pixels(static_cast<size_t>(width) * height * 2 + 1, 255),
          filter(std::make_unique<MoveEffectFilter>(param, workers)) {
        MoveEffectImageParam image{};
        image.colorMode = 1;
        image.depth = VELTRIX_DEPTH_U8;
        image.channelOrder = kGrayOrder;
        image.channelCount = 2;
        image.width = width;
        image.height = height;
        image.rowBytes = width * 2;
        image.pixels = pixels.data();
        filter->SetBaseImage(&image);
    }

    uint8_t At(int32_t x, int32_t y) const {
        return filter->strokeBuffer[static_cast<size_t>(y) * Width() + x].load();
    }
    std::vector<uint8_t> Coverage() const {
        std::vector<uint8_t> bytes(static_cast<size_t>(Width()) * Height());
        for (size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = filter->strokeBuffer[i].load();
        }
        return bytes;
    }
    /// The dirty rectangle as {minX, minY, maxX, maxY}.
    std::vector<int32_t> Rect() const {
        return {filter->minX.load(), filter->minY.load(), filter->maxX.load(), filter->maxY.load()};
    }
    std::vector<int32_t> EmptyRect() const { return {Width(), Height(), 0, 0}; }
    int32_t Width() const { return filter->baseImage.width; }
    int32_t Height() const { return filter->baseImage.height; }
    MoveEffectFilter& operator*() { return *filter; }
    MoveEffectFilter* operator->() { return filter.get(); }

  private:
    static constexpr uint8_t kGrayOrder[2] = {0, 1};
    std::vector<uint8_t> pixels;
    std::unique_ptr<MoveEffectFilter> filter;
};

}  // namespace testsupport
