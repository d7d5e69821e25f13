// The straightforward rasteriser, written as plainly as the algorithm reads: the yardstick of
// the differential tests and of the benchmarks.
#pragma once

#include "filter/RunOptions.h"
#include "filter/raster/StrokeBuffer.h"

namespace reference {

/// One soft round dab into the buffer and its dirty rectangle, pixel by pixel, 16 samples and a
/// power function per rim sample. Thread-safe (per-pixel atomic maximum).
void DrawCircle(StrokeBuffer& strokes, double cx, double cy, double diameter);

/// The dab chain of one segment, dab by dab. Meant for finite input.
void DrawLine(StrokeBuffer& strokes, const PathPoint& from, double fromPressure,
              const PathPoint& to, double toPressure);

/// Run options under which every line goes to the reference rasteriser and line tasks walk
/// their chains pixel by pixel (no crossing of unseen stretches).
RunOptions Options(unsigned workers);

}  // namespace reference
