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

    /// Seeds from `deviceValue` as if the device had returned it (seeded runs, tests).
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

/// Where the random sources of one run start. Unseeded, every source reads the system device,
/// as a plain Random does. Seeded, a source's start is derived (SplitMix64) from the run's seed,
/// the source's role and its path's index, so the run repeats exactly whatever worker runs which
/// task, in whatever order. Copied freely; read-only.
class RandomSeeds {
  public:
    enum class Role : uint64_t {
        kLineLength = 1,    ///< a path's line length variation
        kLinePosition = 2,  ///< a path's line position variation
        kPenSize = 3,       ///< a path's pen size variation
        kLayout = 4,        ///< the layout's spacing jitter
    };

    /// Every source from the device.
    RandomSeeds() = default;
    explicit RandomSeeds(uint64_t seed) : seeded(true), seed(seed) {}

    bool Seeded() const { return seeded; }
    /// A source for `role` on the path `index` (0 for the layout), yielding values in [min, max].
    Random Make(Role role, uint64_t index, double min, double max) const;
    /// The device value a seeded source of that role and index starts from, in [1, 2^31 - 2].
    uint32_t DeviceValue(Role role, uint64_t index) const;

  private:
    bool seeded = false;
    uint64_t seed = 0;
};
