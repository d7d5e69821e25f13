// Hostile records on a 1000 x 1000 canvas: every call ends, writes only inside the layer, and
// draws no more than finite geometry gives.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "DrawHarness.h"
#include "HostileRecords.h"
#include "SanitizerBuild.h"

// The time a 1000 x 1000 canvas may take beside its dabs, and a time per dab a few times the
// typical scene's (radiate, pen 4, two workers: about 0.3 us; soft 14 px pens take 1.2 us).
constexpr double kBaseSeconds = 5.0;
constexpr double kSecondsPerDab = 2e-6;

TEST(HostileRecords, EveryCallEndsInTimeAndDrawsOnlyWhatFiniteGeometryGives) {
    double slowest = 0.0;
    std::string slowestName;
    for (const int type : {VELTRIX_TYPE_RADIATE, VELTRIX_TYPE_PARALLEL, VELTRIX_TYPE_CIRCLE}) {
        for (const hostile::Case& hostileCase : hostile::AllCases(false)) {
            // Lines of billions of pixels cost about a second each here; sanitized builds,
            // ten times slower, leave them to the plain build, and keep to one layout.
            const bool longLines = hostileCase.name.find("1e300") != std::string::npos ||
                                   hostileCase.name == "length=2147483647" ||
                                   hostile::SlowButBounded(type, hostileCase);
            if (VELTRIX_SANITIZED && (longLines || type != VELTRIX_TYPE_PARALLEL)) {
                continue;
            }
            SCOPED_TRACE(testing::Message() << "type " << type << ": " << hostileCase.name);
            const hostile::Outcome outcome = hostile::Run(type, hostileCase, 2);
            if (hostileCase.draws) {
                EXPECT_GT(outcome.drawn, 0);
            }
            const double budget = kBaseSeconds + outcome.dabs * kSecondsPerDab;
            if (!VELTRIX_SANITIZED) {
                EXPECT_LE(outcome.seconds, budget) << outcome.dabs << " dabs";
            }
            if (outcome.seconds - outcome.dabs * kSecondsPerDab > slowest) {
                slowest = outcome.seconds - outcome.dabs * kSecondsPerDab;
                slowestName = hostileCase.name + " (type " + std::to_string(type) + ", " +
                              std::to_string(outcome.seconds) + " s, " +
                              std::to_string(outcome.dabs) + " dabs)";
            }
        }
    }
    std::printf("slowest beside its dabs: %s\n", slowestName.c_str());
}
