// Hostile records on a 1000 x 1000 canvas: every call ends, writes only inside the layer, and
// draws no more than finite geometry gives.
#include <gtest/gtest.h>

#include <string>

#include "DrawHarness.h"
#include "HostileRecords.h"
#include "SanitizerBuild.h"

TEST(HostileRecords, EveryCallEndsAndDrawsOnlyWhatFiniteGeometryGives) {
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
            const long drawn = hostile::Run(type, hostileCase, 2).drawn;
            if (hostileCase.draws) {
                EXPECT_GT(drawn, 0);
            }
        }
    }
}
