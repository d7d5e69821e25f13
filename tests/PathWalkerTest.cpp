// Path walker: stepping along pieces, wrapping closed loops, the open extensions and guards.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "path/PathParser.h"

namespace {

PathParser StraightGuide() {
    PathParser path;
    path.CreateLine();
    path.PrepareSegments(false);
    return path;
}

// A square of side `side` from (0, 0) clockwise in canvas coordinates: four pieces.
PathParser Square(double side, bool closed) {
    PathParser path;
    path.AppendMoveTo({0.0, 0.0});
    for (const PathPoint p : {PathPoint{side, 0.0}, {side, side}, {0.0, side}, {0.0, 0.0}}) {
        path.AppendLineTo(p);
    }
    path.PrepareSegments(closed);
    return path;
}

// The walker's point, piece index and distance walked, and whether it reached the end.
std::string State(const PathParser& path) {
    std::ostringstream text;
    text << path.currentPoint.x << "," << path.currentPoint.y << " #" << path.lineIndex << " @"
         << path.walkDistance << (path.reachedEnd ? " end" : "");
    return text.str();
}
std::string Next(PathParser& path, double distance) {
    path.MoveNext(distance);
    return State(path);
}
std::string Prev(PathParser& path, double distance) {
    path.MovePrev(distance);
    return State(path);
}

TEST(PathWalker, StepsReachTheEndAtTheLengthAndRunOnToTheRight) {
    PathParser path = StraightGuide();
    double previousX = 0.0;
    for (int step = 1; step <= 110; ++step) {
        const PathPoint p = path.MoveNext(1.0);
        EXPECT_EQ(path.reachedEnd, step >= 100) << step;
        EXPECT_EQ(p.y, 10.0);
        EXPECT_GT(p.x, previousX);
        previousX = p.x;
    }
    // Past the end the point runs one step ahead of walkDistance: the step places it with the
    // distance left over after adding that distance.
    EXPECT_EQ(State(path), "111,10 #1 @110 end");
}

TEST(PathWalker, ClosedLoopsWrapForwardAndBackwardByTheRemainder) {
    PathParser path = Square(10.0, true);
    EXPECT_EQ(path.totalLength, 40.0);
    EXPECT_EQ(Next(path, 45.0), "5,0 #0 @45 end");
    path.ResetPosition();
    EXPECT_EQ(Next(path, -5.0), "0,5 #3 @-5");
    path.ResetPosition();
    EXPECT_EQ(Next(path, 40005.0), "5,0 #0 @40005 end");
    path.ResetPosition();
    EXPECT_EQ(Prev(path, 40005.0), "0,5 #3 @-40005");
}

TEST(PathWalker, GapBetweenSubpathsCostsNothing) {
    PathParser path;
    path.AppendMoveTo({0.0, 0.0});
    path.AppendLineTo({10.0, 0.0});
    path.AppendMoveTo({20.0, 5.0});
    path.AppendLineTo({30.0, 5.0});
    path.PrepareSegments(false);
    path.MoveNext(9.0);
    EXPECT_EQ(Next(path, 3.0), "22,5 #1 @12");
    EXPECT_EQ(Prev(path, 3.0), "9,0 #0 @9");
}

TEST(PathWalker, RestoreBringsBackAllFiveFields) {
    PathParser path = Square(10.0, true);
    EXPECT_EQ(Next(path, 13.0), "10,3 #1 @13");
    const PositionData saved = path.StorePosition();
    path.MoveNext(40.0);
    path.MovePrev(7.5);
    path.RestorePosition(saved);
    EXPECT_EQ(State(path), "10,3 #1 @13");
    EXPECT_EQ(path.lineRatio, saved.lineRatio);
}

TEST(PathWalker, StepEndingWithinToleranceOfAPieceEndStaysOnIt) {
    PathParser path = Square(10.0, false);
    path.MoveNext(10.0 + 5e-7);
    EXPECT_EQ(path.lineIndex, 0);
    EXPECT_GT(path.lineRatio, 1.0);
    // The overshoot is not lost: the next step continues from it.
    const PathPoint p = path.MoveNext(1.0);
    EXPECT_EQ(path.lineIndex, 1);
    EXPECT_NEAR(p.x, 10.0, 1e-12);
    EXPECT_NEAR(p.y, 1.0 + 5e-7, 1e-12);

    path.ResetPosition();
    path.MoveNext(15.0);
    path.MovePrev(5.0 + 5e-7);
    EXPECT_EQ(path.lineIndex, 1);
    EXPECT_LT(path.lineRatio, 0.0);
}

TEST(PathWalker, ExtensionsRunOnPastBothEndsAndLeadBackOntoTheEndPieces) {
    PathParser path = StraightGuide();
    EXPECT_EQ(Next(path, -10.0), "-10,10 #0 @-10");
    EXPECT_EQ(Prev(path, 2.0), "-12,10 #0 @-12");
    EXPECT_EQ(Next(path, 4.0), "-8,10 #0 @-8");
    EXPECT_EQ(Next(path, 8.0), "0,10 #0 @0");
    EXPECT_EQ(Next(path, 5.0), "5,10 #0 @5");
    // A step across 0 lands on the first piece's line; the next one walks from its start.
    path.ResetPosition();
    path.MoveNext(-0.5);
    EXPECT_EQ(Next(path, 1.0), "0.5,10 #0 @0.5");
    EXPECT_EQ(Next(path, 1.0), "1,10 #0 @1.5");
    // Leaving the start from above 0 stops at the start, then runs on along the extension.
    path.ResetPosition();
    path.MoveNext(0.5);
    EXPECT_EQ(Prev(path, 1.0), "0,10 #-1 @-0.5");
    EXPECT_EQ(Prev(path, 1.0), "-1.5,10 #0 @-1.5");
    // After the end: the last piece's line, walked back onto the pieces.
    path.ResetPosition();
    EXPECT_EQ(Next(path, 105.0), "110,10 #1 @105 end");
    EXPECT_EQ(Prev(path, 3.0), "102,10 #1 @102 end");
    EXPECT_EQ(Prev(path, 10.0), "92,10 #0 @92 end");
}

TEST(PathWalker, PositionsOffThePiecesAreNeverRead) {
    for (bool closed : {false, true}) {
        for (int32_t index : {-1, 1, 4, 7}) {
            PathParser path = closed ? Square(10.0, true) : StraightGuide();
            path.RestorePosition({0.0, index, 0.5, false, {0.0, 0.0}});
            path.MoveNext(3.0);
            path.RestorePosition({0.0, index, 0.5, false, {0.0, 0.0}});
            path.MovePrev(3.0);
            path.RestorePosition({50.0, index, 0.5, false, {0.0, 0.0}});
            path.MovePrev(3.0);
            path.MoveNext(1.0);
        }
    }
    // The index an open backward walk leaves behind walks on from the first piece's start.
    PathParser path = StraightGuide();
    path.MoveNext(-0.3);
    EXPECT_EQ(Next(path, 1.0), "0.7,10 #0 @0.7");
    EXPECT_EQ(Prev(path, 0.7), "0,10 #-1 @0");
    EXPECT_EQ(Next(path, 5.0), "5,10 #0 @5");
}

TEST(PathWalker, EmptyTinyAndNonFinitePathsWalkWithoutFault) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (bool closed : {false, true}) {
        PathParser path;
        path.PrepareSegments(closed);
        path.MoveNext(5.0);
        path.MovePrev(3.0);
        path.MoveNext(-7.0);
        path.MoveToExtendPos(2.0);
        EXPECT_TRUE(path.currentPoint.x == 0.0 && path.currentPoint.y == 0.0) << closed;
        EXPECT_EQ(path.walkDistance, -5.0) << closed;
    }
    // Closed loops of zero or tiny length end every move.
    for (double side : {0.0, 1e-300, 1e-9}) {
        PathParser path = Square(side, true);
        path.MoveNext(1.0);
        EXPECT_TRUE(path.reachedEnd);
        for (const double distance : {2.0, -1e6, inf}) {
            path.MovePrev(distance);
            path.MoveNext(-distance);
        }
        EXPECT_LE(std::fabs(path.currentPoint.x) + std::fabs(path.currentPoint.y), 1e-6) << side;
    }
    for (const PathPoint control : {PathPoint{1e300, 1e300}, {inf, 0.0}, {nan, 5.0}}) {
        for (bool closed : {false, true}) {
            PathParser path;
            path.AppendMoveTo({0.0, 0.0});
            path.AppendLineTo({10.0, 0.0});
            path.AppendQuadBezier(control, {20.0, 0.0});
            path.AppendLineTo({nan, 1e300});
            path.PrepareSegments(closed);
            for (double distance : {1.0, 15.0, 1e300, -3.0, -1e300, inf, -inf, nan}) {
                path.MoveNext(distance);
                path.MovePrev(distance);
            }
        }
    }
}

// Stepping by 1 keeps the position on the pieces and walkDistance in step, across zero-length
// pieces, gaps between subpaths and closed loops.
TEST(PathWalker, PositionOnThePiecesMatchesWalkDistanceOnRandomPolylines) {
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> coordinate(0.0, 200.0);
    std::uniform_int_distribution<int> kind(0, 9);
    int steps = 0;
    for (int trial = 0; trial < 100; ++trial) {
        PathParser path;
        PathPoint last{coordinate(random), coordinate(random)};
        path.AppendMoveTo(last);
        const int points = 1 + trial % 20;
        for (int i = 0; i < points; ++i) {
            const int choice = kind(random);
            if (choice == 0) {
                path.AppendLineTo(last);  // a piece of length 0
                continue;
            }
            last = {coordinate(random), coordinate(random)};
            if (choice == 1) {
                path.AppendMoveTo(last);
            } else {
                path.AppendLineTo(last);
            }
        }
        path.PrepareSegments(trial % 2 == 1);

        std::vector<double> before;  // distance from the start to each piece's start
        double sum = 0.0;
        for (const LineSegment& piece : path.lineSegments) {
            before.push_back(sum);
            sum += piece.segmentLength;
        }
        while (path.walkDistance + 1.0 <= path.totalLength) {
            path.MoveNext(1.0);
            ASSERT_GE(path.lineIndex, 0);
            ASSERT_LT(path.lineIndex, static_cast<int32_t>(path.lineSegments.size()));
            const LineSegment& piece = path.lineSegments[static_cast<size_t>(path.lineIndex)];
            const double along =
                before[static_cast<size_t>(path.lineIndex)] + path.lineRatio * piece.segmentLength;
            ASSERT_NEAR(along, path.walkDistance, 1e-9) << "trial " << trial;
            ++steps;
        }
    }
    EXPECT_GT(steps, 50000);
}

}  // namespace
