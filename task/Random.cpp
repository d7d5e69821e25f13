// Random: MINSTD stepped by Schrage's method, seeded from the system random device.
#include "task/Random.h"

#include <random>

namespace {

constexpr int32_t kModulus = 2147483647;  // 2^31 - 1
constexpr int32_t kMultiplier = 48271;
// Schrage's decomposition of the modulus: kModulus = kMultiplier * kQuotient + kRemainder.
constexpr int32_t kQuotient = 44488;
constexpr int32_t kRemainder = 3399;
static_assert(kMultiplier * kQuotient + kRemainder == kModulus, "Schrage decomposition");

uint32_t ReadDevice() {
    std::random_device device("/dev/urandom");
    return static_cast<uint32_t>(device());
}

}  // namespace

Random::Random(double rangeMin, double rangeMax) : Random(Seed{ReadDevice()}, rangeMin, rangeMax) {}

Random Random::WithDeviceValue(uint32_t deviceValue, double rangeMin, double rangeMax) {
    return Random(Seed{deviceValue}, rangeMin, rangeMax);
}

Random::Random(Seed seed, double rangeMin, double rangeMax)
    : engine(seed.deviceValue % static_cast<uint32_t>(kModulus)), min(rangeMin), max(rangeMax) {
    // Zero is the generator's fixed point.
    if (engine == 0) {
        engine = 1;
    }
}

uint32_t Random::Next() {
    // 48271 * x mod (2^31 - 1) without leaving 32-bit signed arithmetic.
    const int32_t x = static_cast<int32_t>(engine);
    int32_t next = kMultiplier * (x % kQuotient) - kRemainder * (x / kQuotient);
    if (next < 0) {
        next += kModulus;
    }
    engine = static_cast<uint32_t>(next);
    return engine;
}

double Random::Uniform() {
    // Two draws of 2147483646 values each give a double with 53 random bits.
    constexpr double kRange = 2147483646.0;
    constexpr double kDivisor = 4611686009837453312.0;  // nearest double to kRange^2
    const double r1 = static_cast<double>(Next());
    const double r2 = static_cast<double>(Next());
    const double g = ((r2 - 1.0) * kRange + (r1 - 1.0)) / kDivisor;
    return (max - min) * g + min;
}

namespace {

// SplitMix64's finaliser: every bit of the input reaches every bit of the output.
uint64_t Mix(uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

constexpr uint64_t kGolden = 0x9E3779B97F4A7C15ull;

}  // namespace

uint32_t RandomSeeds::DeviceValue(Role role, uint64_t index) const {
    // Three SplitMix64 steps, one per input, so that nearby seeds, roles and indices give
    // unrelated streams.
    uint64_t z = Mix(seed + kGolden);
    z = Mix(z + static_cast<uint64_t>(role) * kGolden);
    z = Mix(z + (index + 1) * kGolden);
    // The generator's states are 1 .. 2^31 - 2.
    return static_cast<uint32_t>(1 + z % static_cast<uint64_t>(kModulus - 1));
}

Random RandomSeeds::Make(Role role, uint64_t index, double min, double max) const {
    if (!seeded) {
        return Random(min, max);
    }
    return Random::WithDeviceValue(DeviceValue(role, index), min, max);
}
