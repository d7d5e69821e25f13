// SvgLines: variable-width stroke outlines with round ends, simplified, as SVG paths.
#include "render/SvgLines.h"

#include <algorithm>
#include <cmath>

namespace {

struct Point {
    double x;
    double y;
};

// Where a dab's coverage falls to one half: the solid core, then a rim whose samples give
// (1 - (s - r) / (R - r))^e with e = 4 hardness + 1.
double HalfCoverageRadius(double diameter, double hardness) {
    const double outer = diameter * 0.5;
    if (!(hardness < 1.0)) {
        return outer;
    }
    const double h = std::max(hardness, 0.0);
    const double core = outer * h;
    return core + (1.0 - std::pow(0.5, 1.0 / (4.0 * h + 1.0))) * (outer - core);
}

double DistanceToSegment(const Point& p, const Point& a, const Point& b) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0.0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2 : 0.0;
    t = std::min(std::max(t, 0.0), 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// Douglas-Peucker: the points kept are within `tolerance` of the dropped ones' polyline.
std::vector<Point> Simplified(const std::vector<Point>& points, double tolerance) {
    if (points.size() < 3) {
        return points;
    }
    std::vector<bool> keep(points.size(), false);
    keep.front() = keep.back() = true;
    std::vector<std::pair<size_t, size_t>> spans = {{0, points.size() - 1}};
    while (!spans.empty()) {
        const auto [first, last] = spans.back();
        spans.pop_back();
        double farthest = 0.0;
        size_t at = first;
        for (size_t i = first + 1; i < last; ++i) {
            const double d = DistanceToSegment(points[i], points[first], points[last]);
            if (d > farthest) {
                farthest = d;
                at = i;
            }
        }
        if (farthest > tolerance) {
            keep[at] = true;
            spans.push_back({first, at});
            spans.push_back({at, last});
        }
    }
    std::vector<Point> result;
    for (size_t i = 0; i < points.size(); ++i) {
        if (keep[i]) {
            result.push_back(points[i]);
        }
    }
    return result;
}

// One line's outline: the left side forward, a round end, the right side back, a round start.
// Sides are offset along the normal of the mean direction at each point.
void WriteOutline(std::FILE* out, const std::vector<VeltrixLinePoint>& line, double hardness) {
    const size_t n = line.size();
    std::vector<Point> left;
    std::vector<Point> right;
    std::vector<double> radius(n);
    for (size_t i = 0; i < n; ++i) {
        const VeltrixLinePoint& before = line[i == 0 ? 0 : i - 1];
        const VeltrixLinePoint& after = line[i + 1 == n ? i : i + 1];
        double ux = after.x - before.x;
        double uy = after.y - before.y;
        const double length = std::hypot(ux, uy);
        ux = length > 0.0 ? ux / length : 1.0;
        uy = length > 0.0 ? uy / length : 0.0;
        radius[i] = HalfCoverageRadius(line[i].diameter, hardness);
        left.push_back({line[i].x - uy * radius[i], line[i].y + ux * radius[i]});
        right.push_back({line[i].x + uy * radius[i], line[i].y - ux * radius[i]});
    }
    std::reverse(right.begin(), right.end());
    left = Simplified(left, kSvgTolerance);
    right = Simplified(right, kSvgTolerance);
    std::fprintf(out, "<path d=\"M%.2f %.2f", left[0].x, left[0].y);
    for (size_t i = 1; i < left.size(); ++i) {
        std::fprintf(out, "L%.2f %.2f", left[i].x, left[i].y);
    }
    std::fprintf(out, "A%.2f %.2f 0 0 0 %.2f %.2f", radius[n - 1], radius[n - 1], right[0].x,
                 right[0].y);
    for (size_t i = 1; i < right.size(); ++i) {
        std::fprintf(out, "L%.2f %.2f", right[i].x, right[i].y);
    }
    std::fprintf(out, "A%.2f %.2f 0 0 0 %.2f %.2fZ\"/>\n", radius[0], radius[0], left[0].x,
                 left[0].y);
}

}  // namespace

void SvgLines::Sink(const VeltrixLine* line, void* user) {
    auto* self = static_cast<SvgLines*>(user);
    self->lines.emplace_back(line->points, line->points + line->pointCount);
    self->cut = self->cut || (line->flags & VELTRIX_LINE_CUT) != 0;
}

bool SvgLines::Write(std::FILE* out, int32_t width, int32_t height, double hardness,
                     const Rgb& color) const {
    std::fprintf(out,
                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
                 "viewBox=\"0 0 %d %d\">\n<g fill=\"#%02x%02x%02x\" fill-rule=\"nonzero\">\n",
                 width, height, width, height, color.r, color.g, color.b);
    for (const std::vector<VeltrixLinePoint>& line : lines) {
        WriteOutline(out, line, hardness);
    }
    std::fprintf(out, "</g>\n</svg>\n");
    return std::ferror(out) == 0;
}
