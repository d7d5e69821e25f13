// Hostile records on a 1000 x 1000 canvas: every call ends, writes only inside the layer, and
// draws no more than finite geometry gives.
#include <gtest/gtest.h>
#include <veltrix/veltrix.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "HostileRecords.h"
#include "SanitizerBuild.h"
#include "plugin/DrawOptions.h"

namespace {

class WorkerCountGuard {
  public:
    ~WorkerCountGuard() { SetDrawWorkerCount(0); }
};

}  // namespace

TEST(HostileRecords, EveryCallEndsAndDrawsOnlyWhatFiniteGeometryGives) {
    WorkerCountGuard restore;
    SetDrawWorkerCount(2);
    for (const int type : {VELTRIX_TYPE_RADIATE, VELTRIX_TYPE_PARALLEL, VELTRIX_TYPE_CIRCLE}) {
        for (const hostile::Case& hostileCase : hostile::AllCases(false)) {
            // Lines of billions of pixels cost about a second each here; sanitized builds,
            // ten times slower, leave them to the plain build.
            const bool longLines = hostileCase.name.find("1e300") != std::string::npos ||
                                   hostileCase.name == "length=2147483647" ||
                                   hostile::SlowButBounded(type, hostileCase);
            // Sanitized builds also keep to one layout: the records' checks are shared.
            if (VELTRIX_SANITIZED && (longLines || type != VELTRIX_TYPE_PARALLEL)) {
                continue;
            }
            SCOPED_TRACE(testing::Message() << "type " << type << ": " << hostileCase.name);
            const long drawn = hostile::Run(type, hostileCase).drawn;
            if (hostileCase.draws) {
                EXPECT_GT(drawn, 0);
            }
        }
    }
}

TEST(HostileRecords, LongestLineAroundAVastRingEnds) {
    // A ring of radius 100,000 crossing a small canvas and a line as long as int32 allows:
    // the line is cut to two laps of its ring and a few thousand pixels, and the unseen
    // stretches of the scan are crossed in one move.
    WorkerCountGuard restore;
    SetDrawWorkerCount(1);
    const TestImage image(100, 100, [](int x, int y) { return (x + y) % 3 != 0; });
    MoveEffectParam param = SteadyParam(VELTRIX_TYPE_CIRCLE, 1000000);
    param.length = std::numeric_limits<int32_t>::max();
    const int r = 100000;
    const PointTarget target{{50 - r, 50 + r}, {50 + r, 50 + r}, {50, 50}};
    const std::vector<uint8_t> drawn = DrawColoured(param, target, image);
    EXPECT_GT(std::count_if(drawn.begin(), drawn.end(), [](uint8_t c) { return c != 0; }), 0);
}
