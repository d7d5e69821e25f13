// PathParser: the one path class, used for guides and for the path of each line task.
#pragma once

#include <cstdint>
#include <list>
#include <map>
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
/// walked by distance. All coordinates and distances are canvas pixels. Not thread-safe: one
/// thread uses a parser at a time.
class PathParser {
  public:
    PathParser();
    /// Loads a guide by name: ":S" and ":C" are built in, any other name is a guide file.
    explicit PathParser(const std::u16string& path);

    /// Removes all segments and zeroes pathWidth; pieces and walker stay until the next
    /// PrepareSegments.
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
    /// Distance from p to the infinite line through a and b; 0 when a and b coincide.
    static double LineDistance(const PathPoint& p, const PathPoint& a, const PathPoint& b);

    /// Appends the pieces of the quadratic Bezier p0 (control p1) p2 to `out`, splitting until
    /// the midpoint lies within `tolerance` of the chord (at most 16 halvings, 65,536 pieces).
    /// Returns the sum of the appended lengths.
    static double FlattenQuadratic(std::vector<LineSegment>& out, const PathPoint& p0,
                                   const PathPoint& p1, const PathPoint& p2, double tolerance);
    /// The polyline of the cubic Bezier p0 (controls p1, p2) p3: first point p0, last p3,
    /// split until both controls lie within `tolerance` of the chord (at most 16 halvings).
    static std::vector<PathPoint> FlattenCubic(const PathPoint& p0, const PathPoint& p1,
                                               const PathPoint& p2, const PathPoint& p3,
                                               double tolerance);

    /// Flattens `segments` into `lineSegments` with tolerance 0.5 px, sets totalLength and
    /// closed, and resets the walker. `cursor` carries over from the previous preparation.
    void PrepareSegments(bool closed);

    /// Builds the pieces of a polyline directly, with the lengths and totalLength that
    /// PrepareSegments gives for a move to `start` followed by lines to each point appended
    /// (the segment list stays empty): StartPieces, AppendPiece for each further point, then
    /// EndPieces. Rings have a piece every five pixels, and the segment list would cost an
    /// allocation for each.
    void StartPieces(const PathPoint& start, size_t pieces);
    void AppendPiece(const PathPoint& end) {
        const double length = Dist(cursor, end);
        lineSegments.push_back({cursor, end, length});
        totalLength += length;
        cursor = end;
    }
    /// Sets closed and resets the walker, as PrepareSegments ends.
    void EndPieces(bool closed);

    // Walker. Distances in pixels; negative moves go the other way. Each move costs constant
    // work plus one step per piece passed and never allocates.

    /// Distance 0 at the start of the first piece ((0, 0) without pieces), reachedEnd clear.
    void ResetPosition();
    PositionData StorePosition() const;
    void RestorePosition(const PositionData& position);
    /// Moves forward and returns the new currentPoint. On a closed path the walk wraps from the
    /// last piece to the first (setting reachedEnd); on an open one it runs on along the
    /// straight extension of the last piece (reachedEnd set once walkDistance reaches
    /// totalLength) or comes back from the extension before the first.
    PathPoint MoveNext(double distance);
    /// Moves backward and returns the new currentPoint; the mirror of MoveNext, except that no
    /// flag is set when a closed walk wraps.
    PathPoint MovePrev(double distance);
    /// One step of at most `distance` on `piece`, which is the current piece: updates lineRatio
    /// and returns the point reached and the distance left over (0 when the step ends on the
    /// piece, within 1e-6 of its end counting as on it).
    std::pair<PathPoint, double> MoveLine(const LineSegment& piece, double distance, bool backward);
    /// Places currentPoint on the extension of an open path: past the end when walkDistance is
    /// beyond totalLength, at (walkDistance + distance - totalLength) after the last piece's
    /// end; before the start when walkDistance <= 0, at (distance - walkDistance) before the
    /// first piece's start, putting the walk back on the first piece (lineIndex and lineRatio
    /// 0). Elsewhere, with no pieces, a distance of 0 or a piece no longer than 1e-6, the point
    /// stays. Positive distances point away from the path. Returns currentPoint.
    PathPoint MoveToExtendPos(double distance);

    /// A 2-D affine transform in the SVG matrix order: x' = a x + c y + e, y' = b x + d y + f.
    struct Transform {
        double a = 1.0;
        double b = 0.0;
        double c = 0.0;
        double d = 1.0;
        double e = 0.0;
        double f = 0.0;
    };

    /// Fills the segments and pathWidth from a guide name: ":S" and ":C" are built in, any
    /// other name is read from the guide folder; whatever yields no usable path becomes the
    /// straight line. Never fails.
    void LoadFromFile(const std::u16string& name);
    /// Reads the segments from an SVG document's text: the d and transform attributes of the
    /// first tag that contains "path". True when at least one segment was read.
    bool Parse(const std::string& text);
    /// Every name="value" attribute of one tag's text (later names replace earlier ones).
    static std::map<std::string, std::string> ParseAttributes(const std::string& tag);
    /// Appends the segments of one tag's d attribute and sets pathWidth.
    void ParsePath(const std::string& tag);
    /// A "matrix(...)" or "translate(...)" value; anything else is the identity.
    static Transform ParseTransform(const std::string& value);
    static PathPoint ApplyTransform(const Transform& t, const PathPoint& p);
    /// Whether every point and pathWidth are finite, so layouts can scale the guide.
    bool IsUsable() const;

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

  private:
    static double FlattenQuadraticPart(std::vector<LineSegment>& out, const PathPoint& p0,
                                       const PathPoint& p1, const PathPoint& p2, double tolerance,
                                       int depth, double sum);
    static void FlattenCubicPart(std::vector<PathPoint>& out, const PathPoint& p0,
                                 const PathPoint& p1, const PathPoint& p2, const PathPoint& p3,
                                 double tolerance, int depth);
    double WalkForward(double remaining);
    double WalkBackward(double remaining);
    bool ContinueAfterWrap(double& remaining, bool& wrapped, double& remainingAtWrap) const;
};
