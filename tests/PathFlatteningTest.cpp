// Path model: built-in guides, Bezier flattening, the depth bound and the carried-over cursor.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "path/PathParser.h"

namespace {

void ExpectPoint(const PathPoint& actual, double x, double y) {
    EXPECT_NEAR(actual.x, x, 1e-9);
    EXPECT_NEAR(actual.y, y, 1e-9);
}

TEST(PathFlattening, BuiltInCurveIsEightChainedPiecesThroughItsApex) {
    PathParser path;
    path.CreateCurve();
    path.PrepareSegments(false);
    ASSERT_EQ(path.lineSegments.size(), 8u);
    ExpectPoint(path.lineSegments.front().start, 0.0, 50.0);
    ExpectPoint(path.lineSegments[3].end, 50.0, 25.0);
    ExpectPoint(path.lineSegments.back().end, 100.0, 50.0);
    double sum = 0.0;
    for (size_t i = 0; i < path.lineSegments.size(); ++i) {
        const LineSegment& piece = path.lineSegments[i];
        EXPECT_DOUBLE_EQ(piece.segmentLength, PathParser::Dist(piece.start, piece.end));
        if (i > 0) {
            ExpectPoint(piece.start, path.lineSegments[i - 1].end.x,
                        path.lineSegments[i - 1].end.y);
        }
        sum += piece.segmentLength;
    }
    EXPECT_NEAR(path.totalLength, sum, 1e-9);
    EXPECT_NEAR(path.totalLength, 114.595, 5e-4);
}

TEST(PathFlattening, FlatnessIsJudgedByTheControlPointsNotTheChord) {
    // A straight cubic is one piece.
    const std::vector<PathPoint> straight =
        PathParser::FlattenCubic({0.0, 0.0}, {10.0, 0.0}, {20.0, 0.0}, {30.0, 0.0}, 0.5);
    ASSERT_EQ(straight.size(), 2u);
    ExpectPoint(straight[1], 30.0, 0.0);
    // A quadratic ending at its start runs out to x = 5 and back.
    std::vector<LineSegment> out;
    EXPECT_NEAR(PathParser::FlattenQuadratic(out, {0.0, 0.0}, {10.0, 0.0}, {0.0, 0.0}, 0.5), 10.0,
                0.5);
    EXPECT_GT(out.size(), 1u);
    // A cubic ending at its start is one empty piece.
    PathParser path;
    path.AppendMoveTo({5.0, 5.0});
    path.AppendCubicBezier({500.0, -300.0}, {-400.0, 900.0}, {5.0, 5.0});
    path.PrepareSegments(false);
    ASSERT_EQ(path.lineSegments.size(), 1u);
    EXPECT_EQ(path.totalLength, 0.0);
}

TEST(PathFlattening, CursorCarriesOverBetweenPreparationsButNotTheWalk) {
    PathParser path;
    path.AppendLineTo({10.0, 0.0});  // from the origin
    path.PrepareSegments(false);
    ASSERT_EQ(path.lineSegments.size(), 1u);
    ExpectPoint(path.lineSegments[0].start, 0.0, 0.0);

    path.Clear();
    path.AppendMoveTo({50.0, 50.0});
    path.AppendQuadBezier({60.0, 40.0}, {70.0, 50.0});
    path.PrepareSegments(true);
    path.MoveNext(20.0);
    path.Clear();
    EXPECT_EQ(path.pathWidth, 0.0);
    path.PrepareSegments(false);
    EXPECT_TRUE(path.lineSegments.empty());
    EXPECT_EQ(path.totalLength, 0.0);
    EXPECT_EQ(path.walkDistance, 0.0);
    ExpectPoint(path.currentPoint, 0.0, 0.0);

    path.AppendLineTo({80.0, 50.0});
    path.PrepareSegments(false);
    ASSERT_EQ(path.lineSegments.size(), 1u);
    ExpectPoint(path.lineSegments[0].start, 70.0, 50.0);
    EXPECT_EQ(path.totalLength, 10.0);
}

TEST(PathFlattening, SegmentsMissingPointsAndUnknownKindsAreSkipped) {
    PathParser path;
    path.AppendMoveTo({1.0, 1.0});
    path.Append({PathSegment::kCubic, {{5.0, 5.0}}});
    path.Append({PathSegment::kQuadratic, {}});
    path.Append({PathSegment::kLine, {}});
    path.Append({7, {{9.0, 9.0}}});
    path.AppendLineTo({4.0, 5.0});
    path.PrepareSegments(false);
    ASSERT_EQ(path.lineSegments.size(), 1u);
    ExpectPoint(path.lineSegments[0].start, 1.0, 1.0);
    EXPECT_EQ(path.totalLength, 5.0);
}

// A bulge of a billion pixels still converges (after 15 halvings); coordinates around 1e300
// and non-finite ones stop at 16.
TEST(PathFlattening, SubdivisionStopsAtSixteenHalvings) {
    std::vector<LineSegment> out;
    PathParser::FlattenQuadratic(out, {0.0, 0.0}, {0.0, 1e9}, {1.0, 0.0}, 0.5);
    EXPECT_EQ(out.size(), 32768u);

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const PathPoint control : {PathPoint{1e300, 1e300}, {inf, 0.0}, {nan, 5.0}}) {
        out.clear();
        PathParser::FlattenQuadratic(out, {0.0, 0.0}, control, {-1e300, 1.0}, 0.5);
        EXPECT_EQ(out.size(), 65536u);
        EXPECT_EQ(PathParser::FlattenCubic({0.0, 0.0}, control, control, {-1e300, 1.0}, 0.5).size(),
                  65537u);
    }
}

}  // namespace
