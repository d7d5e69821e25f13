// PathTask: the line work of one effect path; for now the pen pressure profile.
#pragma once

#include <veltrix/veltrix.h>

class PathTask {
  public:
    /// Pen pressure, 0..1, at distance `t` pixels from the start of a line `length` pixels
    /// long. Reads `in`, `out`, `asdist` and `easing` of `param` (with `asdist` false, `in` and
    /// `out` are fractions of half the line, already clamped to at most 1 by the filter).
    /// `sizeFactor` > 0 thins the whole line by that fraction. Thread-safe.
    static double GetPressure(const MoveEffectParam& param, double t, double length, bool taperIn,
                              bool taperOut, double sizeFactor);
};
