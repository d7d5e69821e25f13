// Where points and dabs can still reach a canvas: the margins and the clipping every layer uses.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

/// An axis-aligned box in canvas pixels.
struct Box {
    double x0;
    double y0;
    double x1;
    double y1;
};

/// Every point whose sample can land on a W x H canvas lies inside this box, grown by
/// `margin`. Samples truncate toward zero, so points in (-1, W) x (-1, H) land on the canvas;
/// one more pixel keeps the tests clear of rounding.
inline Box SampleBox(int32_t width, int32_t height, double margin = 0.0) {
    return {-2.0 - margin, -2.0 - margin, width + 1.0 + margin, height + 1.0 + margin};
}

/// How far beyond the canvas (pixels) a dab placed from a point of a path may still stamp it or
/// widen its dirty rectangle: half the pen, plus the pixel by which the dab may lie past the
/// point (chords cut corners, a step's dab lies a pixel past its start), plus slack for
/// rounding. Infinite for a pen that is not finite.
inline double PenReach(double penSize) {
    const double reach = 0.5 * penSize + 4.0;
    return std::isfinite(reach) ? reach : INFINITY;
}

/// How far beyond a canvas edge a line's walk point must lie for the dabs of a straight run
/// ahead of it, moving no nearer on that axis, to stamp nothing there: half the pen plus slack.
/// Tighter than PenReach because it is measured from the dabs' own line, not from a path that
/// chords may cut.
inline double ChainSkipMargin(double penSize) {
    return 0.5 * penSize + 3.0;
}

/// The stretch [enter, leave] of the line origin + t (ux, uy) inside `box`; enter > leave when
/// the line misses it. A coordinate that does not move is inside when it lies within the box,
/// its edges included, or (with `openEdges`) strictly between them.
struct RayStretch {
    double enter;
    double leave;
};
inline RayStretch ClipLine(double originX, double originY, double ux, double uy, const Box& box,
                           bool openEdges) {
    RayStretch stretch{-INFINITY, INFINITY};
    const auto clip = [&](double origin, double direction, double low, double high) {
        if (direction == 0.0) {
            const bool inside =
                openEdges ? origin > low && origin < high : !(origin < low || origin > high);
            if (!inside) {
                stretch = {INFINITY, -INFINITY};
            }
            return;
        }
        double a = (low - origin) / direction;
        double b = (high - origin) / direction;
        if (a > b) {
            std::swap(a, b);
        }
        stretch.enter = std::max(stretch.enter, a);
        stretch.leave = std::min(stretch.leave, b);
    };
    clip(originX, ux, box.x0, box.x1);
    clip(originY, uy, box.y0, box.y1);
    return stretch;
}
