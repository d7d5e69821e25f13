// PowerTable: the interpolation table of b^e and the bounds of its error (the first interval's
// and the largest of the others').
#include "filter/raster/PowerTable.h"

#include <algorithm>
#include <cmath>
#include <iterator>

PowerTable::PowerTable(double e) {
    std::fill(std::begin(keepBeyond), std::end(keepBeyond), INFINITY);
    if (!(e >= 1.0 && e <= 5.0)) {
        return;
    }
    // A sample's term b^e stays below y when its base b stays below y^(1/e); b falls linearly
    // from 1 at the core to 0 at the rim. The margins (1e-9 on the term, 1e-8 on the base)
    // dwarf the rounding of the sum, of the base and of pow, and cost nothing measurable.
    for (int c = 1; c < 255; ++c) {
        const double term = (c + 0.5) / 255.0 - 1e-9;
        const double base = std::pow(term, 1.0 / e) - 1e-8;
        keepBeyond[c] = 1.0 - base;
    }
    // Falling in `current`, as it must be: a tile's floor then stands for all its bytes.
    for (int c = 253; c >= 1; --c) {
        keepBeyond[c] = std::max(keepBeyond[c], keepBeyond[c + 1]);
    }
    usable = true;
    for (int n = 1; n <= 4; ++n) {
        if (e == n) {
            integerExponent = n;
        }
    }
    intervals.resize(kIntervals);
    const double h = 1.0 / kIntervals;
    // Rounding beyond the interpolation itself: the table's pow values, the reference's pow,
    // the product and the sum of the interpolation, each within an ulp or so of 1.
    constexpr double kRounding = 1e-14;
    for (int i = 0; i < kIntervals; ++i) {
        const double left = i * h;
        const double right = (i + 1) * h;
        Interval& interval = intervals[i];
        interval.value = std::pow(left, e);
        interval.slope = std::pow(right, e) - interval.value;
        double bound;
        if (e == 1.0) {
            bound = 0.0;  // the chord is the function
        } else if (i == 0) {
            // Near 0 the curvature is unbounded for e < 2, but function and chord both lie
            // in [0, h^e].
            bound = std::pow(right, e);
        } else {
            // Linear interpolation errs by at most h^2 / 8 times the largest |f''| on the
            // interval; f'' = e (e - 1) b^(e - 2) is monotone in b, so it peaks at an end.
            const double curvature =
                e * (e - 1.0) * std::max(std::pow(left, e - 2.0), std::pow(right, e - 2.0));
            bound = h * h / 8.0 * curvature;
        }
        // A relative margin on top, so the bound holds however the above rounds.
        bound = bound * (1.0 + 1e-6) + kRounding;
        if (i == 0) {
            firstError = bound;
        } else {
            error = std::max(error, bound);
        }
    }
}
