// Ellipse geometry of the circle layout: whether a ring meets the canvas or a segment.
#include "filter/layout/EllipseGeometry.h"

#include <algorithm>
#include <cmath>

bool IsEllipseIn(const PathPoint& center, double radiusX, double radiusY, double angle,
                 int32_t width, int32_t height) {
    const double w = width;
    const double h = height;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double ends[4][2] = {{radiusX, 0}, {-radiusX, 0}, {0, radiusY}, {0, -radiusY}};
    PathPoint points[4];
    bool allInside = true;
    for (int i = 0; i < 4; ++i) {
        const double dx = ends[i][0];
        const double dy = ends[i][1];
        points[i] = {center.x + c * dx - s * dy, center.y + s * dx + c * dy};
        if (!(points[i].x >= 0 && points[i].x <= w && points[i].y >= 0 && points[i].y <= h)) {
            allInside = false;
        }
    }
    if (allInside) {
        return true;
    }
    double minX = points[0].x, maxX = points[0].x, minY = points[0].y, maxY = points[0].y;
    for (int i = 1; i < 4; ++i) {
        minX = std::min(minX, points[i].x);
        maxX = std::max(maxX, points[i].x);
        minY = std::min(minY, points[i].y);
        maxY = std::max(maxY, points[i].y);
    }
    if (maxX < 0 || minX > w || maxY < 0 || minY > h) {
        return false;
    }
    const PathPoint corners[4] = {{0, 0}, {w, 0}, {w, h}, {0, h}};
    for (int i = 0; i < 4; ++i) {
        if (LineIntersectsEllipse(corners[i], corners[(i + 1) % 4], center, radiusX, radiusY,
                                  angle)) {
            return true;
        }
    }
    return false;
}

bool LineIntersectsEllipse(const PathPoint& from, const PathPoint& to, const PathPoint& center,
                           double radiusX, double radiusY, double angle) {
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double xi0 = c * (from.x - center.x) + s * (from.y - center.y);
    const double eta0 = c * (from.y - center.y) - s * (from.x - center.x);
    const double xi1 = c * (to.x - center.x) + s * (to.y - center.y);
    const double eta1 = c * (to.y - center.y) - s * (to.x - center.x);
    const double dxi = xi1 - xi0;
    const double deta = eta1 - eta0;
    const double a2 = radiusX * radiusX;
    const double b2 = radiusY * radiusY;
    const double qa = dxi * dxi / a2 + deta * deta / b2;
    const double qb = 2 * (xi0 * dxi / a2 + eta0 * deta / b2);
    const double qc = xi0 * xi0 / a2 + eta0 * eta0 / b2 - 1;
    const double disc = qb * qb - 4 * qa * qc;
    if (disc < 0) {
        return false;
    }
    const double t1 = (-qb - std::sqrt(disc)) / (2 * qa);
    if (0 <= t1 && t1 <= 1) {
        return true;
    }
    const double t2 = (std::sqrt(disc) - qb) / (2 * qa);
    return 0 <= t2 && t2 <= 1;
}
