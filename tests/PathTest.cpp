// Paths: flattening curves into pieces, and walking the pieces by distance.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "path/PathParser.h"

namespace {

PathParser Prepared(const std::string& d, bool closed = false) {
    PathParser path;
    path.Parse("<path d=\"" + d + "\"/>");
    path.PrepareSegments(closed);
    return path;
}

TEST(PathFlattening, CurvesSplitUntilFlatWithinTheToleranceAndSixteenHalvings) {
    const PathParser curve = Prepared("M0 50 Q50 0 100 50");  // the built-in curve
    ASSERT_EQ(curve.lineSegments.size(), 8u);
    EXPECT_NEAR(curve.totalLength, 114.595, 5e-4);
    const PathPoint a{0.0, 0.0}, b{10.0, 0.0};
    // Flatness is judged by the control points, not the chord.
    EXPECT_EQ(PathParser::FlattenCubic(a, b, {20.0, 0.0}, {30.0, 0.0}, 0.5).size(), 2u);
    std::vector<LineSegment>
        out;  // a bulge of a billion pixels converges after 15 halvings; NaN stops at 16
    PathParser::FlattenQuadratic(out, a, {0.0, 1e9}, {1.0, 0.0}, 0.5);
    EXPECT_EQ(out.size(), 32768u);
    EXPECT_EQ(PathParser::FlattenCubic(a, {NAN, 5.0}, b, b, 0.5).size(), 65537u);
}

// The walker's point, piece, distance and end flag after moves "n3" (MoveNext(3)), "p3" ...
std::string Walk(PathParser path, const std::string& script) {
    std::istringstream moves(script);
    char op = 0;
    double distance = 0.0;
    while (moves >> op >> distance) {
        op == 'n' ? path.MoveNext(distance) : path.MovePrev(distance);
    }
    std::ostringstream state;
    state.precision(10);
    state << std::round(path.currentPoint.x * 1e9) / 1e9 << ","
          << std::round(path.currentPoint.y * 1e9) / 1e9 << " #" << path.lineIndex << " @"
          << path.walkDistance << (path.reachedEnd ? " end" : "");
    return state.str();
}

TEST(PathWalker, MovesWrapLoopsSkipGapsAndRunOnAlongTheExtensions) {
    const PathParser line = Prepared("M0 10 L100 10");
    const PathParser loop = Prepared("M0 0 L10 0 L10 10 L0 10 L0 0", true);
    const PathParser gap = Prepared("M0 0 L10 0 M20 5 L30 5");
    const struct {
        const PathParser& path;
        const char* script;
        const char* state;
    } cases[] = {
        {loop, "n45", "5,0 #0 @45 end"},  // wraps by the remainder, both ways
        {loop, "n40005", "5,0 #0 @40005 end"},
        {loop, "p40005", "0,5 #3 @-40005"},
        // Within 1e-6 of a piece's end the step stays on it, and the next carries the overshoot.
        {loop, "n10.0000005", "10.0000005,0 #0 @10.0000005"},
        {loop, "n10.0000005 n1", "10,1.0000005 #1 @11.0000005"},
        {loop, "n11 p1.0000005", "10,-5e-07 #1 @9.9999995"},
        {gap, "n9 n3", "22,5 #1 @12"},              // the gap between subpaths costs nothing
        {line, "n-10 p2", "-12,10 #0 @-12"},        // the extension before the start
        {line, "n-0.5 n1 n1", "1,10 #0 @1.5"},      // a step across 0 lands on the first piece
        {line, "n0.5 p1", "0,10 #-1 @-0.5"},        // leaving from above 0 stops at the start
        {line, "n105 p3 p10", "92,10 #0 @92 end"},  // the extension after the end, and back
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Walk(c.path, c.script), c.state) << c.script;
    }
    // One-pixel steps reach the end at the length; past it the point runs one step ahead.
    std::string steps;
    for (int i = 1; i <= 110; ++i) {
        steps += "n1 ";
        EXPECT_EQ(Walk(line, steps).find("end") != std::string::npos, i >= 100) << i;
    }
    EXPECT_EQ(Walk(line, steps), "111,10 #1 @110 end");
}

// Steps of 1 keep the position on the pieces in step with walkDistance, gaps and loops included.
TEST(PathWalker, PositionOnThePiecesMatchesWalkDistanceOnRandomPolylines) {
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> coordinate(0.0, 200.0);
    int steps = 0;
    for (int trial = 0; trial < 100; ++trial) {
        PathParser path;
        PathPoint last{coordinate(random), coordinate(random)};
        path.AppendMoveTo(last);
        for (int i = 0; i <= trial % 20; ++i) {
            const unsigned choice = random() % 10;  // 0: a piece of length 0, 1: a gap
            last = choice == 0 ? last : PathPoint{coordinate(random), coordinate(random)};
            choice == 1 ? path.AppendMoveTo(last) : path.AppendLineTo(last);
        }
        path.PrepareSegments(trial % 2 == 1);
        std::vector<double> before{0.0};  // distance from the start to each piece's start
        for (const LineSegment& piece : path.lineSegments) {
            before.push_back(before.back() + piece.segmentLength);
        }
        for (; path.walkDistance + 1.0 <= path.totalLength; ++steps) {
            path.MoveNext(1.0);
            const size_t i = static_cast<size_t>(path.lineIndex);
            ASSERT_LT(i, path.lineSegments.size());
            ASSERT_NEAR(before[i] + path.lineRatio * path.lineSegments[i].segmentLength,
                        path.walkDistance, 1e-9)
                << "trial " << trial;
        }
    }
    EXPECT_GT(steps, 50000);
}

// Rings build their pieces without a segment list: the pieces, lengths and walk are the same.
TEST(PathFlattening, PiecesBuiltDirectlyEqualThoseOfAMoveAndLines) {
    std::mt19937 random(777);
    std::uniform_real_distribution<double> coordinate(-1e4, 1e4);
    for (int trial = 0; trial < 50; ++trial) {
        PathParser viaSegments;
        PathParser direct;
        PathPoint point{coordinate(random), coordinate(random)};
        viaSegments.AppendMoveTo(point);
        direct.StartPieces(point, 0);
        for (int i = 0; i < trial; ++i) {
            point = i % 7 == 3 ? point : PathPoint{coordinate(random), coordinate(random)};
            viaSegments.AppendLineTo(point);
            direct.AppendPiece(point);
        }
        viaSegments.PrepareSegments(trial % 2 == 0);
        direct.EndPieces(trial % 2 == 0);
        ASSERT_EQ(direct.lineSegments.size(), viaSegments.lineSegments.size());
        for (size_t i = 0; i < direct.lineSegments.size(); ++i) {
            const LineSegment& a = direct.lineSegments[i];
            const LineSegment& b = viaSegments.lineSegments[i];
            EXPECT_TRUE(a.start.x == b.start.x && a.start.y == b.start.y && a.end.x == b.end.x &&
                        a.end.y == b.end.y && a.segmentLength == b.segmentLength);
        }
        EXPECT_EQ(direct.totalLength, viaSegments.totalLength);
        EXPECT_EQ(direct.closed, viaSegments.closed);
        for (int step = 0; step < 3 * trial; ++step) {
            const PathPoint a = direct.MoveNext(1.0);
            const PathPoint b = viaSegments.MoveNext(1.0);
            ASSERT_TRUE(a.x == b.x && a.y == b.y) << trial << " " << step;
        }
    }
}

}  // namespace
