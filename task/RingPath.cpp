// RingPath: the pieces of a ring, with the guide's profile as their offset from the ellipse.
#include "task/RingPath.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

}  // namespace

void BuildRingPath(const RingRecipe& ring, const PathParser& source, double curvature,
                   PathParser& path) {
    PathParser guide(source);
    guide.PrepareSegments(false);
    guide.ResetPosition();
    const int32_t n = ring.pieces;
    const double step = guide.totalLength / n;
    const double y0 = guide.currentPoint.y;
    const double cosA = std::cos(ring.angle);
    const double sinA = std::sin(ring.angle);
    const double a = ring.radiusX;
    const double b = ring.radiusY;
    for (int32_t k = 0; k <= n; ++k) {
        const double phi = k * 2.0 * kPi / n + ring.startAngle;
        const double off = k == 0 ? 0.0 : (guide.currentPoint.y - y0) * curvature;
        const double cosPhi = std::cos(phi);
        const double sinPhi = std::sin(phi);
        const double x = ring.center.x + cosA * cosPhi * (off + a) - sinA * sinPhi * (off + b);
        const double y = ring.center.y + sinA * cosPhi * (off + a) + cosA * sinPhi * (off + b);
        if (k == 0) {
            path.StartPieces({x, y}, static_cast<size_t>(std::max(n, 0)));
        } else {
            path.AppendPiece({x, y});
        }
        guide.MoveNext(step);
    }
    path.EndPieces(true);
}
