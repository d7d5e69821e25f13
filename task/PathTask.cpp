// PathTask: the pen pressure profile of a line (start and end taper, per-line thinning).
#include "task/PathTask.h"

#include <algorithm>

double PathTask::GetPressure(const MoveEffectParam& param, double t, double length, bool taperIn,
                             bool taperOut, double sizeFactor) {
    const double in = param.in;
    const double out = param.out;
    double v = 1.0;
    if (t <= 0.0) {
        // A line of length 0 is a single full dab; otherwise every line starts from nothing.
        v = length == 0.0 ? 1.0 : 0.0;
    } else {
        if (param.asdist) {
            // Pixel distances: the start ramp stops at the middle, the end ramp at the end.
            if (taperIn && t <= length / 2.0 && t <= in) {
                v = std::min(t / in, 1.0);
            } else if (taperOut && t <= length && t >= length - out && out != 0.0) {
                v = std::min((length - t) / out, 1.0);
            }
        } else {
            // Fractions of half the line.
            if (taperIn && t <= in * length / 2.0) {
                v = t / (in * length / 2.0);
            } else if (taperOut && t >= length - out * length / 2.0 && out != 0.0) {
                v = (length - t) / (out * length / 2.0);
            }
        }
        if (param.easing) {
            v = v * (2.0 - v);
        }
        v = std::min(v, 1.0);
        if (!(v > 0.0)) {
            v = 0.0;
        }
    }
    if (sizeFactor > 0.0) {
        v = v * (1.0 - sizeFactor);
    }
    return v;
}
