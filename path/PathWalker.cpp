// PathParser walker: moves a point along the flattened pieces by distance, in both directions.
#include <cmath>
#include <cstdint>

#include "path/PathParser.h"

namespace {

// Pixels, and the slack that lets a step end just past a piece's end and still stay on it.
constexpr double kWalkTolerance = 1e-6;
// A move longer than this many whole passes around a closed path skips the surplus passes
// with a remainder instead of walking them piece by piece.
constexpr double kMaxWholePasses = 16.0;

PathPoint PointOnPiece(const LineSegment& piece, double ratio) {
    return {piece.start.x + ratio * (piece.end.x - piece.start.x),
            piece.start.y + ratio * (piece.end.y - piece.start.y)};
}

}  // namespace

void PathParser::ResetPosition() {
    walkDistance = 0.0;
    lineIndex = 0;
    lineRatio = 0.0;
    reachedEnd = false;
    currentPoint = lineSegments.empty() ? PathPoint{0.0, 0.0} : lineSegments.front().start;
}

PositionData PathParser::StorePosition() const {
    return {walkDistance, lineIndex, lineRatio, reachedEnd, currentPoint};
}

void PathParser::RestorePosition(const PositionData& position) {
    walkDistance = position.walkDistance;
    lineIndex = position.lineIndex;
    lineRatio = position.lineRatio;
    reachedEnd = position.reachedEnd;
    currentPoint = position.currentPoint;
}

std::pair<PathPoint, double> PathParser::MoveLine(const LineSegment& piece, double distance,
                                                  bool backward) {
    const double length = piece.segmentLength;
    const double room = backward ? lineRatio * length : (1.0 - lineRatio) * length;
    // A piece of length 0 has no room and is passed over without a division.
    if (length != 0.0 && room + kWalkTolerance >= distance) {
        if (backward) {
            lineRatio -= distance / length;
        } else {
            lineRatio += distance / length;
        }
        return {PointOnPiece(piece, lineRatio), 0.0};
    }
    return {backward ? piece.start : piece.end, distance - room};
}

PathPoint PathParser::MoveNext(double distance) {
    if (distance == 0.0) {
        return currentPoint;
    }
    if (distance < 0.0) {
        return MovePrev(-distance);
    }
    double remaining = distance;
    if (std::fabs(walkDistance) < kWalkTolerance) {
        walkDistance = 0.0;
        remaining = WalkForward(remaining);
    } else if (walkDistance < 0.0 && !closed) {
        // On the extension before the start: no piece is walked; the point moves toward the
        // start, and the walk re-enters the first piece at its start.
        MoveToExtendPos(-distance);
    } else {
        remaining = WalkForward(remaining);
    }
    walkDistance += distance;
    if (!closed && walkDistance >= totalLength) {
        reachedEnd = true;
        if (remaining > kWalkTolerance) {
            MoveToExtendPos(remaining);
        }
    }
    return currentPoint;
}

// Walks the pieces forward from lineIndex/lineRatio; returns the distance left when an open
// path's pieces run out (lineIndex then stands one past the last piece).
double PathParser::WalkForward(double remaining) {
    const int64_t count = static_cast<int64_t>(lineSegments.size());
    // Only a backward walk off an open path's start (or a foreign restored position) leaves
    // the index outside the pieces; the walk then stands at the first piece's start.
    if (lineIndex < 0 || (closed && lineIndex >= count)) {
        lineIndex = 0;
        lineRatio = 0.0;
    }
    bool wrapped = false;
    double remainingAtWrap = 0.0;
    while (remaining > kWalkTolerance && lineIndex < count) {
        const std::pair<PathPoint, double> step =
            MoveLine(lineSegments[static_cast<size_t>(lineIndex)], remaining, false);
        currentPoint = step.first;
        remaining = step.second;
        if (remaining <= kWalkTolerance) {
            break;
        }
        ++lineIndex;
        lineRatio = 0.0;
        if (closed && lineIndex >= count) {
            reachedEnd = true;
            lineIndex = 0;
            if (!ContinueAfterWrap(remaining, wrapped, remainingAtWrap)) {
                break;
            }
        }
    }
    return remaining;
}

PathPoint PathParser::MovePrev(double distance) {
    if (distance == 0.0) {
        return currentPoint;
    }
    if (distance < 0.0) {
        return MoveNext(-distance);
    }
    const int64_t count = static_cast<int64_t>(lineSegments.size());
    double remaining = distance;
    bool onPieces = true;
    if (std::fabs(walkDistance) < kWalkTolerance) {
        walkDistance = 0.0;
    } else if (walkDistance < 0.0 && !closed) {
        onPieces = false;  // already on the extension before the start
    }
    if (onPieces && remaining > kWalkTolerance && count > 0) {
        if (!closed && lineIndex >= count) {
            // Past the end of an open path: stay on the extension, or come back onto the last
            // piece from its end with what the extension does not take.
            const double beyondEnd = walkDistance - totalLength;
            if (beyondEnd >= distance) {
                MoveToExtendPos(-distance);
                walkDistance -= distance;
                return currentPoint;
            }
            lineIndex = static_cast<int32_t>(count - 1);
            lineRatio = 1.0;
            currentPoint = lineSegments.back().end;
            if (beyondEnd > 0.0) {
                remaining = distance - beyondEnd;
            }
        }
        remaining = WalkBackward(remaining);
    }
    // Leaving the start from above 0 leaves the point at the first piece's start.
    if (!closed && remaining > kWalkTolerance && walkDistance <= 0.0) {
        MoveToExtendPos(remaining);
    }
    walkDistance -= distance;
    return currentPoint;
}

// Walks the pieces backward from lineIndex/lineRatio; returns 0 when the walk ends on a piece,
// else the distance left after leaving an open path's first piece (lineIndex then is -1).
double PathParser::WalkBackward(double remaining) {
    const int64_t count = static_cast<int64_t>(lineSegments.size());
    if (lineIndex < 0 || lineIndex >= count) {
        lineIndex = 0;
        lineRatio = 0.0;
    }
    bool wrapped = false;
    double remainingAtWrap = 0.0;
    for (;;) {
        const std::pair<PathPoint, double> step =
            MoveLine(lineSegments[static_cast<size_t>(lineIndex)], remaining, true);
        currentPoint = step.first;
        if (step.second == 0.0) {
            return 0.0;
        }
        remaining = step.second;
        --lineIndex;
        lineRatio = 1.0;
        if (lineIndex < 0) {
            if (!closed) {
                return remaining;
            }
            lineIndex = static_cast<int32_t>(count - 1);
            if (!ContinueAfterWrap(remaining, wrapped, remainingAtWrap)) {
                return 0.0;
            }
        }
    }
}

// Called at each wrap of a closed walk. Stops the move where a whole pass consumed nothing
// (pieces of length 0, or too short to change the remainder), and cuts a move of many passes
// down to its last one.
bool PathParser::ContinueAfterWrap(double& remaining, bool& wrapped,
                                   double& remainingAtWrap) const {
    if (wrapped) {
        const double perPass = remainingAtWrap - remaining;
        if (!(perPass > 0.0)) {
            return false;
        }
        if (remaining / perPass > kMaxWholePasses) {
            remaining = std::fmod(remaining, perPass);
        }
    }
    wrapped = true;
    remainingAtWrap = remaining;
    return true;
}

PathPoint PathParser::MoveToExtendPos(double distance) {
    if (distance == 0.0 || lineSegments.empty()) {
        return currentPoint;
    }
    if (walkDistance > totalLength) {
        const LineSegment& last = lineSegments.back();
        if (last.segmentLength > kWalkTolerance) {
            const double dx = (last.end.x - last.start.x) / last.segmentLength;
            const double dy = (last.end.y - last.start.y) / last.segmentLength;
            const double along = walkDistance + distance - totalLength;
            currentPoint = {last.end.x + along * dx, last.end.y + along * dy};
        }
    } else if (walkDistance <= 0.0) {
        const LineSegment& first = lineSegments.front();
        if (first.segmentLength > kWalkTolerance) {
            const double dx = (first.end.x - first.start.x) / first.segmentLength;
            const double dy = (first.end.y - first.start.y) / first.segmentLength;
            const double along = distance - walkDistance;
            currentPoint = {first.start.x - along * dx, first.start.y - along * dy};
        }
        lineIndex = 0;
        lineRatio = 0.0;
    }
    return currentPoint;
}
