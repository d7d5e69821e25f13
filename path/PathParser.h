// PathParser: the one path class, used for guides and for the path of each line task.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <utility>
#include <vector>

#include <veltrix/veltrix.h>

/// One drawing command. `points` holds exactly as many points as the kind needs.
struct PathSegment {
    enum Kind : int32_t { kMove = 1, kLine = 2, kCubic = 3, kQuadratic = 4 };

    int32_t kind = 0;
    std::vector<PathPoint> points;  ///< move/line: end; cubic: c1, c2, end; quadratic: c, end
};

/// One straight piece of a flattened path.
struct LineSegment {
    PathPoint start;
    PathPoint end;
    double segmentLength;  ///< Euclidean distance from start to end, pixels
};

/// A list of points; kept for the record layout, never filled.
struct PathData {
    std::vector<PathPoint> points;
};

/// A saved walker state; meaningful only for the parser and preparation it came from.
struct PositionData {
    double walkDistance;
    int32_t lineIndex;
    double lineRatio;
    bool reachedEnd;
    PathPoint currentPoint;
};

/// A path of moves, lines and Bezier curves, flattened into measured straight pieces and
/// walked by distance. Not thread-safe: one thread uses a parser at a time.
class PathParser {
public:
    PathParser();
    /// Loads a guide by name: ":S" and ":C" are built in, any other name is a guide file.
    explicit PathParser(const std::u16string& path);

    void Clear();
    void Append(const PathSegment& segment);
    void AppendMoveTo(const PathPoint& p);
    void AppendLineTo(const PathPoint& p);
    void AppendQuadBezier(const PathPoint& control, const PathPoint& end);
    void AppendCubicBezier(const PathPoint& control1, const PathPoint& control2,
                           const PathPoint& end);

    /// The built-in straight guide: (0, 10) to (100, 10), width 100.
    void CreateLine();
    /// The built-in curved guide: (0, 50), control (50, 0), to (100, 50), width 100.
    void CreateCurve();

    static double Dist(const PathPoint& a, const PathPoint& b);
    static double LineDistance(const PathPoint& p, const PathPoint& a, const PathPoint& b);

    /// Flattens into `lineSegments` with tolerance 0.5 px and resets the walker.
    void PrepareSegments(bool closed);

    // Walker (distances in pixels, negative moves go backwards).
    void ResetPosition();
    PositionData StorePosition() const;
    void RestorePosition(const PositionData& position);
    PathPoint MoveNext(double distance);
    PathPoint MovePrev(double distance);

    /// Fills the segments and pathWidth from a guide name; never fails.
    void LoadFromFile(const std::u16string& name);

    std::list<PathData> paths;
    std::vector<PathSegment> segments;
    double pathWidth = 0.0;
    std::vector<LineSegment> lineSegments;
    bool closed = false;
    PathPoint cursor = {0.0, 0.0};
    double totalLength = 0.0;
    double walkDistance = 0.0;
    int32_t lineIndex = 0;
    double lineRatio = 0.0;
    bool reachedEnd = false;
    PathPoint currentPoint = {0.0, 0.0};
};
