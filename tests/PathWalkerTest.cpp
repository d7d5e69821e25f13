// Path walker: stepping along pieces, wrapping closed loops, the open extensions and guards.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "path/PathParser.h"

namespace {

void ExpectPoint(const PathPoint& actual, double x, double y, double tolerance = 1e-9) {
    EXPECT_NEAR(actual.x, x, tolerance);
    EXPECT_NEAR(actual.y, y, tolerance);
}

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
    path.AppendLineTo({side, 0.0});
    path.AppendLineTo({side, side});
    path.AppendLineTo({0.0, side});
    path.AppendLineTo({0.0, 0.0});
    path.PrepareSegments(closed);
    return path;
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
    EXPECT_EQ(path.walkDistance, 110.0);
    ExpectPoint(path.currentPoint, 111.0, 10.0);
}

TEST(PathWalker, ClosedSquareWrapsForwardAndBackward) {
    PathParser path = Square(10.0, true);
    EXPECT_EQ(path.totalLength, 40.0);
    ExpectPoint(path.MoveNext(45.0), 5.0, 0.0);
    EXPECT_TRUE(path.reachedEnd);
    EXPECT_EQ(path.walkDistance, 45.0);
    EXPECT_EQ(path.lineIndex, 0);

    path.ResetPosition();
    ExpectPoint(path.MoveNext(-5.0), 0.0, 5.0);
    EXPECT_EQ(path.lineIndex, 3);
    EXPECT_FALSE(path.reachedEnd);
    EXPECT_EQ(path.walkDistance, -5.0);
}

TEST(PathWalker, LongMovesAroundAClosedLoopLandWhereTheRemainderSays) {
    PathParser path = Square(10.0, true);
    ExpectPoint(path.MoveNext(40.0 * 1000.0 + 5.0), 5.0, 0.0, 1e-6);
    EXPECT_TRUE(path.reachedEnd);
    path.ResetPosition();
    ExpectPoint(path.MovePrev(40.0 * 1000.0 + 5.0), 0.0, 5.0, 1e-6);
    EXPECT_FALSE(path.reachedEnd);
}

TEST(PathWalker, GapBetweenSubpathsCostsNothing) {
    PathParser path;
    path.AppendMoveTo({0.0, 0.0});
    path.AppendLineTo({10.0, 0.0});
    path.AppendMoveTo({20.0, 5.0});
    path.AppendLineTo({30.0, 5.0});
    path.PrepareSegments(false);
    path.MoveNext(9.0);
    ExpectPoint(path.MoveNext(3.0), 22.0, 5.0);
    EXPECT_EQ(path.lineIndex, 1);
    EXPECT_EQ(path.walkDistance, 12.0);
    ExpectPoint(path.MovePrev(3.0), 9.0, 0.0);
    EXPECT_EQ(path.lineIndex, 0);
}

TEST(PathWalker, RestoreBringsBackAllFiveFields) {
    PathParser path = Square(10.0, true);
    path.MoveNext(13.0);
    const PositionData saved = path.StorePosition();
    path.MoveNext(40.0);
    path.MovePrev(7.5);
    path.RestorePosition(saved);
    EXPECT_EQ(path.walkDistance, 13.0);
    EXPECT_EQ(path.lineIndex, 1);
    EXPECT_EQ(path.lineRatio, saved.lineRatio);
    EXPECT_FALSE(path.reachedEnd);
    ExpectPoint(path.currentPoint, 10.0, 3.0);
}

TEST(PathWalker, StepEndingWithinToleranceOfAPieceEndStaysOnIt) {
    PathParser path = Square(10.0, false);
    ExpectPoint(path.MoveNext(10.0 + 5e-7), 10.0, 0.0, 1e-6);
    EXPECT_EQ(path.lineIndex, 0);
    EXPECT_GT(path.lineRatio, 1.0);
    // The overshoot is not lost: the next step continues from it.
    ExpectPoint(path.MoveNext(1.0), 10.0, 1.0 + 5e-7, 1e-12);
    EXPECT_EQ(path.lineIndex, 1);

    path.ResetPosition();
    path.MoveNext(15.0);
    path.MovePrev(5.0 + 5e-7);
    EXPECT_EQ(path.lineIndex, 1);
    EXPECT_LT(path.lineRatio, 0.0);
}

TEST(PathWalker, ExtensionBeforeTheStartRunsOnAndLeadsBackOntoTheFirstPiece) {
    PathParser path = StraightGuide();
    ExpectPoint(path.MoveNext(-10.0), -10.0, 10.0);
    ExpectPoint(path.MovePrev(2.0), -12.0, 10.0);
    ExpectPoint(path.MoveNext(4.0), -8.0, 10.0);
    ExpectPoint(path.MoveNext(8.0), 0.0, 10.0);
    EXPECT_EQ(path.walkDistance, 0.0);
    ExpectPoint(path.MoveNext(5.0), 5.0, 10.0);
    EXPECT_EQ(path.lineIndex, 0);
    EXPECT_FALSE(path.reachedEnd);

    // A step across 0 lands on the first piece's line; the next one walks from its start.
    path.ResetPosition();
    path.MoveNext(-0.5);
    ExpectPoint(path.MoveNext(1.0), 0.5, 10.0);
    ExpectPoint(path.MoveNext(1.0), 1.0, 10.0);
    EXPECT_EQ(path.walkDistance, 1.5);

    // Leaving the start from above 0 stops at the start, then runs on along the extension.
    path.ResetPosition();
    path.MoveNext(0.5);
    ExpectPoint(path.MovePrev(1.0), 0.0, 10.0);
    EXPECT_EQ(path.walkDistance, -0.5);
    ExpectPoint(path.MovePrev(1.0), -1.5, 10.0);
}

TEST(PathWalker, ExtensionAfterTheEndRunsOnAndLeadsBackOntoTheLastPiece) {
    PathParser path = StraightGuide();
    ExpectPoint(path.MoveNext(105.0), 110.0, 10.0);
    EXPECT_TRUE(path.reachedEnd);
    EXPECT_EQ(path.lineIndex, 1);
    ExpectPoint(path.MovePrev(3.0), 102.0, 10.0);
    ExpectPoint(path.MovePrev(10.0), 92.0, 10.0);
    EXPECT_EQ(path.lineIndex, 0);
    EXPECT_EQ(path.walkDistance, 92.0);
    EXPECT_TRUE(path.reachedEnd);
}

TEST(PathWalker, EmptyPathsMoveOnlyTheDistance) {
    for (bool closed : {false, true}) {
        PathParser path;
        path.PrepareSegments(closed);
        path.MoveNext(5.0);
        path.MovePrev(3.0);
        path.MoveNext(-7.0);
        path.MoveToExtendPos(2.0);
        ExpectPoint(path.currentPoint, 0.0, 0.0, 0.0);
        EXPECT_EQ(path.walkDistance, -5.0);
    }
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
    ExpectPoint(path.MoveNext(1.0), 0.7, 10.0);
    ExpectPoint(path.MovePrev(0.7), 0.0, 10.0);
    EXPECT_EQ(path.lineIndex, -1);
    EXPECT_NEAR(path.walkDistance, 0.0, 1e-12);
    ExpectPoint(path.MoveNext(5.0), 5.0, 10.0);
}

TEST(PathWalker, ClosedLoopsOfZeroAndTinyLengthEndEveryMove) {
    for (double side : {0.0, 1e-300, 1e-9}) {
        PathParser path = Square(side, true);
        path.MoveNext(1.0);
        EXPECT_TRUE(path.reachedEnd);
        path.MovePrev(2.0);
        path.MoveNext(-1e6);
        path.MovePrev(-1e6);
        path.MoveNext(std::numeric_limits<double>::infinity());
        path.MovePrev(std::numeric_limits<double>::infinity());
        EXPECT_LE(std::fabs(path.currentPoint.x), 1e-6);
        EXPECT_LE(std::fabs(path.currentPoint.y), 1e-6);
    }
}

TEST(PathWalker, NonFiniteAndHugeCoordinatesWalkWithoutFault) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const PathPoint controls[] = {{1e300, 1e300}, {inf, 0.0}, {nan, 5.0}};
    for (const PathPoint& control : controls) {
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
