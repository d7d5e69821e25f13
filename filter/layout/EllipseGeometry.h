// Ellipse geometry of the circle layout: whether a ring meets the canvas or a segment.
#pragma once

#include <cstdint>

#include <veltrix/veltrix.h>

/// Whether the ellipse of radii (radiusX, radiusY) turned by `angle` (radians) around `center`
/// is visible on a width x height canvas: its four axis ends all lie on it, or one of the
/// canvas's edges crosses it.
bool IsEllipseIn(const PathPoint& center, double radiusX, double radiusY, double angle,
                 int32_t width, int32_t height);

/// Whether the segment from -> to crosses or touches that ellipse's outline.
bool LineIntersectsEllipse(const PathPoint& from, const PathPoint& to, const PathPoint& center,
                           double radiusX, double radiusY, double angle);
