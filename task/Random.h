// Random: the uniform random source behind every random variation of an effect.
#pragma once

#include <cstdint>

/// Uniform doubles in [min, max] from a MINSTD generator (multiplier 48271, modulus 2^31 - 1).
/// Each instance is seeded from the system random device, so runs do not repeat. An instance
/// has no lock: one owner uses it from one thread.
class Random {
  public:
    /// Seeds from the system random device; throws std::runtime_error (or std::bad_alloc) when
    /// the device cannot be read.
    Random(double min, double max);

    /// Seeds from `deviceValue` as if the device had returned it. Tests only: the library
    /// itself always seeds from the device.
    static Random WithDeviceValue(uint32_t deviceValue, double min, double max);

    /// The next value, (max - min) * g + min with g uniform in [0, 1], from two generator steps.
    double Uniform();
    /// One generator step; returns the new state, in [1, 2^31 - 2].
    uint32_t Next();

  private:
    struct Seed {
        uint32_t deviceValue;
    };
    Random(Seed seed, double min, double max);

    uint32_t engine;
    double min;
    double max;
};
