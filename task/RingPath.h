// RingPath: a ring's path, built by its task when it runs rather than by the layout.
#pragma once

#include <cstdint>

#include <veltrix/veltrix.h>

#include "path/PathParser.h"

/// What a ring's path is made from: an ellipse of radii (radiusX, radiusY) pixels turned by
/// `angle` around `center`, starting at `startAngle` (radians), in `pieces` straight pieces,
/// offset outward by the guide's height profile times the curvature. About 40 bytes, where the
/// built path takes some 8 bytes per pixel of perimeter: the layout keeps only these.
struct RingRecipe {
    PathPoint center;
    double angle;
    double startAngle;
    double radiusX;
    double radiusY;
    int32_t pieces;
};

/// Makes `path` the ring's closed path of pieces, ready to walk. Walks a private copy of `guide`,
/// so tasks on several workers may build from one guide at once; the guide must not change
/// meanwhile.
void BuildRingPath(const RingRecipe& ring, const PathParser& guide, double curvature,
                   PathParser& path);
