// What drawing costs beyond time: no heap per dab or segment, and unseen lines that still widen
// the dirty rectangle exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "AllocationCounter.h"
#include "FilterTestSupport.h"
#include "ReferenceRasteriser.h"

using testsupport::Canvas;
using testsupport::PenParam;

namespace {

TEST(RasteriserCost, DabsAndSegmentsAllocateNothing) {
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

TEST(RasteriserCost, LinesWhollyOffTheCanvasWidenTheRectangleLikeTheReference) {
    // Long tapered lines beside, above and below the canvas, and across its corners' far side:
    // no pixel changes, and the rectangle is that of every dab.
    struct Case {
        PathPoint from, to;
        double p0, p1;
    };
    const Case cases[] = {
        {{-40, -30}, {-40, 5000}, 0.0, 1.0},       // left of the canvas, downwards
        {{-3000, -9}, {4000, -9.5}, 1.0, 0.2},     // above it, pen reaching towards row 0
        {{70, 4000}, {70, 61}, 0.3, 1.0},          // below it, ending one pen from the edge
        {{-500, 300}, {300, -500}, 1.0, 1.0},      // across the top left corner's far side
        {{90.5, -7.25}, {90.5, -7.25}, 1.0, 1.0},  // no length: nothing at all
    };
    for (const Case& c : cases) {
        Canvas fast(PenParam(8.0, 0.5), 64, 48);
        Canvas plain(PenParam(8.0, 0.5), 64, 48);
        fast->DrawLine(c.from, c.p0, c.to, c.p1);
        reference::DrawLine(*plain, c.from, c.p0, c.to, c.p1);
        EXPECT_EQ(fast.Rect(), plain.Rect()) << c.from.x << "," << c.from.y;
        EXPECT_EQ(fast.Coverage(), std::vector<uint8_t>(64 * 48, 0));
    }
}

}  // namespace
