// What drawing costs beyond time: no heap per dab or segment.
#include <gtest/gtest.h>

#include <algorithm>

#include "AllocationCounter.h"
#include "DrawHarness.h"

TEST(ResourceLimits, DabsAndSegmentsAllocateNothing) {
    for (const double hardness : {1.0, 0.5, 0.0, 1.5}) {
        Canvas canvas(PenParam(6.0, hardness), 200, 120);
        canvas->DrawLine({1, 1}, 1.0, {2, 1}, 1.0);  // anything done once per thread first
        const uint64_t before = allocation::Count();
        double pressure = 0.0;
        for (int i = 0; i < 300; ++i) {
            const double next = std::min(1.0, (i + 1) / 40.0);
            canvas->DrawLine({10.0 + i * 0.6, 20.0 + i * 0.3}, pressure,
                             {10.6 + i * 0.6, 20.3 + i * 0.3}, next);
            pressure = next;
        }
        for (int i = 0; i < 100; ++i) {
            canvas->DrawCircle(5.0 + i * 1.9, 90.0 + (i % 7) * 0.3, 0.5 + (i % 30));
        }
        EXPECT_EQ(allocation::Count(), before) << "hardness " << hardness;
    }
}
