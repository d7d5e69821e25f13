// PathParser construction, the segment list and the built-in guide shapes.
#include "path/PathParser.h"

PathParser::PathParser() = default;

PathParser::PathParser(const std::u16string& path) {
    LoadFromFile(path);
}

void PathParser::Clear() {
    segments.clear();
    pathWidth = 0.0;
}

void PathParser::Append(const PathSegment& segment) {
    segments.push_back(segment);
}

void PathParser::AppendMoveTo(const PathPoint& p) {
    segments.push_back({PathSegment::kMove, {p}});
}

void PathParser::AppendLineTo(const PathPoint& p) {
    segments.push_back({PathSegment::kLine, {p}});
}

void PathParser::AppendQuadBezier(const PathPoint& control, const PathPoint& end) {
    segments.push_back({PathSegment::kQuadratic, {control, end}});
}

void PathParser::AppendCubicBezier(const PathPoint& control1, const PathPoint& control2,
                                   const PathPoint& end) {
    segments.push_back({PathSegment::kCubic, {control1, control2, end}});
}

void PathParser::CreateLine() {
    segments.clear();
    AppendMoveTo({0.0, 10.0});
    AppendLineTo({100.0, 10.0});
    pathWidth = 100.0;
}

void PathParser::CreateCurve() {
    segments.clear();
    AppendMoveTo({0.0, 50.0});
    AppendQuadBezier({50.0, 0.0}, {100.0, 50.0});
    pathWidth = 100.0;
}
