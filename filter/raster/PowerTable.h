// PowerTable: b^e for b in (0, 1) by linear interpolation, with a bound on the error.
#pragma once

#include <cassert>
#include <cstdint>
#include <type_traits>
#include <vector>

/// Interpolates b^e between 1025 exact values. Built once per run for the run's exponent;
/// read-only afterwards, so any thread may use it.
class PowerTable {
  public:
    /// For exponents 1 to 5 (hardness 0 to 1); Usable() is false for any other.
    explicit PowerTable(double exponent);

    bool Usable() const { return usable; }

    /// The exponent when it is 1, 2, 3 or 4 (hardness 0, 0.25, 0.5, 0.75), else 0: such powers
    /// are a few multiplications, within a few roundings of pow, and need no table.
    int IntegerExponent() const { return integerExponent; }

    /// b^e approximately, for 0 <= b < 1: within Error() of pow(b, e), or FirstError() for b
    /// below 1 / kIntervals, std::pow's own rounding included.
    double At(double b) const {
        assert(b >= 0.0 && b < 1.0);
        const double position = b * kIntervals;  // exact: a power of two
        const int i = static_cast<int>(position);
        const Interval& interval = intervals[i];
        return interval.value + interval.slope * (position - i);  // the difference is exact
    }

    /// Bound of |At(b) - pow(b, e)| for b from 1 / kIntervals on: the largest over those
    /// intervals. One bound for all lets kernels read two fields per interval, not three.
    double Error() const { return error; }
    /// The bound below 1 / kIntervals, where b^e bends without limit for e < 2 and the bound
    /// is far larger (up to 1024^-e).
    double FirstError() const { return firstError; }

    /// For a pixel at coverage byte `current`: how far out across the soft rim, as a share of
    /// its width R - r, the pixel's nearest sample must lie for a dab to leave the pixel as it
    /// is. Beyond r + share (R - r) every sample's term is below (current + 0.5) / 255 with
    /// margins far above rounding, so sixteen of them give a byte of at most `current`.
    /// Never rises with `current`. Infinite for 0 (nothing to keep) and 255 (never sampled).
    double KeepBeyond(uint8_t current) const { return keepBeyond[current]; }

    static constexpr int kIntervals = 1024;
    struct Interval {
        double value;  ///< pow(i / kIntervals, e)
        double slope;  ///< the next value minus this one
    };
    /// The kIntervals intervals At reads, for kernels that read several at once (null when
    /// not Usable).
    const Interval* Intervals() const { return intervals.data(); }

  private:
    static_assert(std::is_standard_layout<Interval>::value &&
                      sizeof(Interval) == 2 * sizeof(double),
                  "kernels gather the intervals' fields as an array of doubles");
    std::vector<Interval> intervals;
    double error = 0.0;
    double firstError = 0.0;
    double keepBeyond[256];
    bool usable = false;
    int integerExponent = 0;
};
