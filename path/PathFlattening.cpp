// PathParser flattening: distances, Bezier subdivision and the piece list of a path.
#include <cmath>

#include "path/PathParser.h"

namespace {

// Pixels: curves are split until they deviate less than this from their chords.
constexpr double kFlattenTolerance = 0.5;
// Each halving cuts the error of a quadratic by four, so 16 levels (65,536 pieces) flatten any
// curve that bulges less than about a billion pixels; only overflowing or non-finite
// coordinates, which never pass the flatness test, reach the bound.
constexpr int kMaxFlattenDepth = 16;

PathPoint Midpoint(const PathPoint& a, const PathPoint& b) {
    return {(a.x + b.x) / 2.0, (a.y + b.y) / 2.0};
}

}  // namespace

double PathParser::Dist(const PathPoint& a, const PathPoint& b) {
    return std::hypot(b.x - a.x, b.y - a.y);
}

double PathParser::LineDistance(const PathPoint& p, const PathPoint& a, const PathPoint& b) {
    const double length = Dist(a, b);
    if (length == 0.0) {
        return 0.0;
    }
    return std::fabs((b.y - a.y) * p.x - (b.x - a.x) * p.y + b.x * a.y - b.y * a.x) / length;
}

double PathParser::FlattenQuadratic(std::vector<LineSegment>& out, const PathPoint& p0,
                                    const PathPoint& p1, const PathPoint& p2, double tolerance) {
    return FlattenQuadraticPart(out, p0, p1, p2, tolerance, 0, 0.0);
}

// `sum` is the running length of the pieces already emitted for this curve.
double PathParser::FlattenQuadraticPart(std::vector<LineSegment>& out, const PathPoint& p0,
                                        const PathPoint& p1, const PathPoint& p2, double tolerance,
                                        int depth, double sum) {
    const PathPoint m01 = Midpoint(p0, p1);
    const PathPoint m12 = Midpoint(p1, p2);
    const PathPoint mid = Midpoint(m01, m12);
    const double error = Dist(Midpoint(p0, p2), mid);
    // Written as "not within" so that a NaN error splits too, down to the depth bound.
    if (!(error <= tolerance) && depth < kMaxFlattenDepth) {
        sum = FlattenQuadraticPart(out, p0, m01, mid, tolerance, depth + 1, sum);
        return FlattenQuadraticPart(out, mid, m12, p2, tolerance, depth + 1, sum);
    }
    const double length = Dist(p0, p2);
    out.push_back({p0, p2, length});
    return sum + length;
}

std::vector<PathPoint> PathParser::FlattenCubic(const PathPoint& p0, const PathPoint& p1,
                                                const PathPoint& p2, const PathPoint& p3,
                                                double tolerance) {
    std::vector<PathPoint> points{p0};
    FlattenCubicPart(points, p0, p1, p2, p3, tolerance, 0);
    return points;
}

// Appends the polyline of the cubic without its first point, which `out` already ends with;
// one growing vector instead of a vector per level.
void PathParser::FlattenCubicPart(std::vector<PathPoint>& out, const PathPoint& p0,
                                  const PathPoint& p1, const PathPoint& p2, const PathPoint& p3,
                                  double tolerance, int depth) {
    const double d1 = LineDistance(p1, p0, p3);
    const double d2 = LineDistance(p2, p0, p3);
    // Both tested separately so that one NaN distance cannot hide behind the other.
    if ((d1 <= tolerance && d2 <= tolerance) || depth >= kMaxFlattenDepth) {
        out.push_back(p3);
        return;
    }
    const PathPoint m01 = Midpoint(p0, p1);
    const PathPoint m12 = Midpoint(p1, p2);
    const PathPoint m23 = Midpoint(p2, p3);
    const PathPoint m012 = Midpoint(m01, m12);
    const PathPoint m123 = Midpoint(m12, m23);
    const PathPoint mid = Midpoint(m012, m123);
    FlattenCubicPart(out, p0, m01, m012, mid, tolerance, depth + 1);
    FlattenCubicPart(out, mid, m123, m23, p3, tolerance, depth + 1);
}

void PathParser::PrepareSegments(bool closedPath) {
    lineSegments.clear();
    closed = closedPath;
    totalLength = 0.0;
    for (const PathSegment& segment : segments) {
        const std::vector<PathPoint>& p = segment.points;
        // A segment short of the points its kind needs is skipped like an unknown kind.
        switch (segment.kind) {
            case PathSegment::kMove:
                if (p.size() >= 1) {
                    cursor = p[0];
                }
                break;
            case PathSegment::kLine:
                if (p.size() >= 1) {
                    const double length = Dist(cursor, p[0]);
                    lineSegments.push_back({cursor, p[0], length});
                    totalLength += length;
                    cursor = p[0];
                }
                break;
            case PathSegment::kCubic:
                if (p.size() >= 3) {
                    const std::vector<PathPoint> points =
                        FlattenCubic(cursor, p[0], p[1], p[2], kFlattenTolerance);
                    for (size_t i = 1; i < points.size(); ++i) {
                        const double length = Dist(points[i - 1], points[i]);
                        lineSegments.push_back({points[i - 1], points[i], length});
                        totalLength += length;
                    }
                    cursor = p[2];
                }
                break;
            case PathSegment::kQuadratic:
                if (p.size() >= 2) {
                    totalLength +=
                        FlattenQuadratic(lineSegments, cursor, p[0], p[1], kFlattenTolerance);
                    cursor = p[1];
                }
                break;
            default:
                break;
        }
    }
    ResetPosition();
}

void PathParser::StartPieces(const PathPoint& start, size_t pieces) {
    segments.clear();
    lineSegments.clear();
    lineSegments.reserve(pieces);
    totalLength = 0.0;
    cursor = start;
}

void PathParser::EndPieces(bool closedPath) {
    closed = closedPath;
    ResetPosition();
}
