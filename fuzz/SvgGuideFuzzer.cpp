// Fuzz target: the guide reader on SVG text, then flattening and walks in both directions.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "path/PathParser.h"

namespace {

// Enough steps to pass several wraps and both extensions; few enough for fast executions.
constexpr int64_t kMaxSteps = 48;

enum class Step : uint8_t { kNext, kPrev, kExtend, kStore, kRestore, kReset };

struct WalkStep {
    Step kind;
    double distance;
};

// The walk leaves the index on a piece, one before the first or one past the last.
void CheckWalker(const PathParser& parser) {
    const int64_t count = static_cast<int64_t>(parser.lineSegments.size());
    if (parser.lineIndex < -1 || parser.lineIndex > count) {
        std::abort();
    }
}

void Walk(PathParser& parser, const std::vector<WalkStep>& steps) {
    parser.ResetPosition();
    PositionData saved = parser.StorePosition();
    for (const WalkStep& step : steps) {
        switch (step.kind) {
            case Step::kNext:
                parser.MoveNext(step.distance);
                break;
            case Step::kPrev:
                parser.MovePrev(step.distance);
                break;
            case Step::kExtend:
                parser.MoveToExtendPos(step.distance);
                break;
            case Step::kStore:
                saved = parser.StorePosition();
                break;
            case Step::kRestore:
                parser.RestorePosition(saved);
                break;
            case Step::kReset:
                parser.ResetPosition();
                break;
        }
        CheckWalker(parser);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const bool closedFirst = in.Bool();
    const int64_t stepCount = in.Integer(0, kMaxSteps);
    std::vector<WalkStep> steps;
    for (int64_t i = 0; i < stepCount; ++i) {
        const uint8_t op = in.Byte();
        // Distances from a fraction of a pixel to several path lengths, and hostile values.
        const double distance = in.Double(-400.0, 400.0);
        steps.push_back({static_cast<Step>(op % 6), distance});
    }
    const std::string text = in.Rest();

    // The transform reader on its own, on text that is mostly not a transform.
    PathParser::ParseTransform(text);

    PathParser parser;
    parser.Parse(text);
    parser.IsUsable();
    for (const bool closed : {closedFirst, !closedFirst}) {
        parser.PrepareSegments(closed);
        Walk(parser, steps);
    }
    return 0;
}
