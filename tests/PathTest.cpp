// Paths: flattening curves into pieces, and walking the pieces by distance.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "path/PathParser.h"

namespace {

// "x,y" to within 1e-9.
std::string Point(const PathPoint& p) {
    std::ostringstream text;
    text.precision(12);
    text << std::round(p.x * 1e9) / 1e9 << "," << std::round(p.y * 1e9) / 1e9;
    return text.str();
}

PathParser Prepared(const std::string& d, bool closed = false) {
    PathParser path;
    path.Parse("<path d=\"" + d + "\"/>");
    path.PrepareSegments(closed);
    return path;
}

TEST(PathFlattening, BuiltInCurveIsEightChainedPiecesThroughItsApex) {
    PathParser path;
    path.CreateCurve();
    path.PrepareSegments(false);
    ASSERT_EQ(path.lineSegments.size(), 8u);
    EXPECT_EQ(Point(path.lineSegments[3].end), "50,25");
    double sum = 0.0;
    for (size_t i = 0; i < 8; ++i) {
        const LineSegment& piece = path.lineSegments[i];
        EXPECT_DOUBLE_EQ(piece.segmentLength, PathParser::Dist(piece.start, piece.end));
        EXPECT_EQ(Point(piece.start), i > 0 ? Point(path.lineSegments[i - 1].end) : "0,50");
        sum += piece.segmentLength;
    }
    EXPECT_NEAR(path.totalLength, sum, 1e-9);
    EXPECT_NEAR(path.totalLength, 114.595, 5e-4);
}

TEST(PathFlattening, FlatnessIsJudgedByTheControlPointsWithinSixteenHalvings) {
    const PathPoint a{0.0, 0.0}, b{10.0, 0.0};
    EXPECT_EQ(PathParser::FlattenCubic(a, b, {20.0, 0.0}, {30.0, 0.0}, 0.5).size(), 2u);
    std::vector<LineSegment> out;  // ends at its start: runs out to x = 5 and back
    EXPECT_NEAR(PathParser::FlattenQuadratic(out, a, b, a, 0.5), 10.0, 0.5);
    out.clear();  // a bulge of a billion pixels converges after 15 halvings
    PathParser::FlattenQuadratic(out, a, {0.0, 1e9}, {1.0, 0.0}, 0.5);
    EXPECT_EQ(out.size(), 32768u);
    for (const PathPoint control : {PathPoint{1e300, 1e300}, {INFINITY, 0.0}, {NAN, 5.0}}) {
        out.clear();
        PathParser::FlattenQuadratic(out, a, control, {-1e300, 1.0}, 0.5);
        EXPECT_EQ(out.size(), 65536u);
        EXPECT_EQ(PathParser::FlattenCubic(a, control, control, {-1e300, 1.0}, 0.5).size(), 65537u);
    }
}

TEST(PathFlattening, CursorCarriesOverBetweenPreparationsAndBrokenSegmentsAreSkipped) {
    PathParser path = Prepared("Q60 40 70 50", true);  // from the origin
    path.MoveNext(20.0);
    path.Clear();
    path.PrepareSegments(false);
    EXPECT_TRUE(path.lineSegments.empty() && path.totalLength == 0.0 && path.walkDistance == 0.0);
    for (const PathSegment& broken : std::vector<PathSegment>{
             {PathSegment::kCubic, {{5.0, 5.0}}}, {PathSegment::kLine, {}}, {7, {{9.0, 9.0}}}}) {
        path.Append(broken);
    }
    path.AppendLineTo({73.0, 54.0});
    path.PrepareSegments(false);
    ASSERT_EQ(path.lineSegments.size(), 1u);
    EXPECT_EQ(Point(path.lineSegments[0].start), "70,50");
    EXPECT_EQ(path.totalLength, 5.0);
}

// Runs a script of moves ("n3" MoveNext(3), "p3" MovePrev(3)) from the start of path and
// returns the walker's point, piece index and distance, and whether it reached the end.
std::string Walk(PathParser path, const std::string& script) {
    std::istringstream moves(script);
    char op = 0;
    double distance = 0.0;
    while (moves >> op >> distance) {
        op == 'n' ? path.MoveNext(distance) : path.MovePrev(distance);
    }
    std::ostringstream state;
    state << Point(path.currentPoint) << " #" << path.lineIndex << " @" << path.walkDistance
          << (path.reachedEnd ? " end" : "");
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
        {loop, "n-5", "0,5 #3 @-5"},
        {loop, "n40005", "5,0 #0 @40005 end"},
        {loop, "p40005", "0,5 #3 @-40005"},
        {gap, "n9 n3", "22,5 #1 @12"},  // the gap between subpaths costs nothing
        {gap, "n9 n3 p3", "9,0 #0 @9"},
        {line, "n-10 p2", "-12,10 #0 @-12"},  // the extension before the start
        {line, "n-10 p2 n12 n5", "5,10 #0 @5"},
        {line, "n-0.5 n1 n1", "1,10 #0 @1.5"},  // a step across 0 lands on the first piece
        {line, "n0.5 p1", "0,10 #-1 @-0.5"},    // leaving from above 0 stops at the start
        {line, "n0.5 p1 p1", "-1.5,10 #0 @-1.5"},
        {line, "n105", "110,10 #1 @105 end"},  // the extension after the end, and back
        {line, "n105 p3 p10", "92,10 #0 @92 end"},
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

TEST(PathWalker, StepsWithinToleranceOfAPieceEndStayOnItAndCarryTheOvershoot) {
    PathParser path = Prepared("M0 0 L10 0 L10 10");
    path.MoveNext(10.0 + 5e-7);
    EXPECT_EQ(path.lineIndex, 0);
    EXPECT_EQ(Point(path.MoveNext(1.0)), "10,1.0000005");
    const PositionData saved = path.StorePosition();
    path.MovePrev(1.000001);  // to 5e-7 before the first piece's end
    EXPECT_EQ(path.lineIndex, 1);
    EXPECT_LT(path.lineRatio, 0.0);
    path.RestorePosition(saved);
    EXPECT_EQ(Walk(path, ""), "10,1.0000005 #1 @11");
}

TEST(PathWalker, TinyLoopsEndEveryMove) {
    for (const char* d : {"M0 0 L0 0 L0 0", "M0 0 L1e-300 0 L0 1e-300", "M0 0 L1e-9 0 L0 1e-9"}) {
        PathParser path = Prepared(d, true);
        path.MoveNext(1.0);
        EXPECT_TRUE(path.reachedEnd);
        for (const double distance : {2.0, -1e6, double(INFINITY)}) {
            path.MovePrev(distance);
            path.MoveNext(-distance);
        }
        EXPECT_LE(std::fabs(path.currentPoint.x) + std::fabs(path.currentPoint.y), 1e-6) << d;
    }
}

// Stepping by 1 keeps the position on the pieces and walkDistance in step, across zero-length
// pieces, gaps between subpaths and closed loops.
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

}  // namespace
