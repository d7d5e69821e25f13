// The straightforward rasteriser, written as plainly as the algorithm reads: the yardstick of
// the differential tests and of the benchmarks.
#pragma once

#include "filter/MoveEffectFilter.h"

namespace reference {

/// One soft round dab into the filter's stroke buffer and dirty rectangle, pixel by pixel,
/// 16 samples and a power function per rim sample. Thread-safe (per-pixel atomic maximum).
void DrawCircle(MoveEffectFilter& filter, double cx, double cy, double diameter);

/// The dab chain of one segment, dab by dab. Meant for finite input.
void DrawLine(MoveEffectFilter& filter, const PathPoint& from, double fromPressure,
              const PathPoint& to, double toPressure);

/// While alive, every DrawLine of every filter goes to the reference rasteriser, and line
/// tasks walk their chains pixel by pixel (no crossing of unseen stretches). Create it while
/// no run is active.
class Plugged {
  public:
    Plugged();
    ~Plugged();
    Plugged(const Plugged&) = delete;
    Plugged& operator=(const Plugged&) = delete;
};

}  // namespace reference
