// Rounding for the program's whole-picture passes.
#pragma once

#include <cmath>

// std::lround for non-negative values, without the call: the fraction v - trunc(v) is exact.
inline double RoundHalfUp(double v) {
    const double whole = std::trunc(v);
    return whole + (v - whole >= 0.5 ? 1.0 : 0.0);
}
