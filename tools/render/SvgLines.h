// SvgLines: the lines a run drew, kept from the library's line sink and written as SVG outlines.
#pragma once

#include <veltrix/veltrix.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "render/RenderSettings.h"

/// Outlines (simplified to this many pixels) of each line's variable-width stroke.
constexpr double kSvgTolerance = 0.1;

class SvgLines {
  public:
    /// The library's line sink; `user` is an SvgLines.
    static void Sink(const VeltrixLine* line, void* user);

    bool Cut() const { return cut; }
    size_t LineCount() const { return lines.size(); }

    /// Writes a width x height document: each line one filled path (non-zero rule) in `color`,
    /// the outline of its stroke with round ends. A pen of `hardness` below 1 is outlined where
    /// a dab's coverage falls to one half. Returns false when the stream fails.
    bool Write(std::FILE* out, int32_t width, int32_t height, double hardness,
               const Rgb& color) const;

  private:
    std::vector<std::vector<VeltrixLinePoint>> lines;
    bool cut = false;
};
