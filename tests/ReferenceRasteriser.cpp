// The straightforward rasteriser: dabs and dab chains exactly as the algorithm is written.
#include "ReferenceRasteriser.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace reference {

namespace {

// floor/ceil clamped in double before the conversion, so off-canvas extents convert safely.
int32_t Clamped(double edge, int32_t size) {
    return static_cast<int32_t>(std::min(std::max(edge, 0.0), static_cast<double>(size)));
}

}  // namespace

void DrawCircle(StrokeBuffer& strokes, double cx, double cy, double diameter) {
    if (!strokes.HasPixels()) {
        return;
    }
    const double h = strokes.Hardness();
    const double R = diameter * 0.5;
    const double r = R * h;
    const double w = R - r;
    const double k = w > 1e-12 ? 1 / w : 0;
    const double e = 4 * h + 1;
    const int32_t width = strokes.Width();
    const int32_t height = strokes.Height();
    const int32_t x0 = Clamped(std::floor(cx - R), width);
    const int32_t x1 = Clamped(std::ceil(cx + R), width);
    const int32_t y0 = Clamped(std::floor(cy - R), height);
    const int32_t y1 = Clamped(std::ceil(cy + R), height);
    static const double offsets[4] = {-0.375, -0.125, 0.125, 0.375};

    for (int32_t y = y0; y < y1; ++y) {
        for (int32_t x = x0; x < x1; ++x) {
            std::atomic<uint8_t>& cell = strokes.Bytes()[static_cast<int64_t>(y) * width + x];
            uint8_t c = cell.load(std::memory_order_relaxed);
            if (c == 255) {
                continue;
            }
            const double dx = x + 0.5 - cx;
            const double dy = y + 0.5 - cy;
            const double q = dx * dx + dy * dy;
            uint8_t value;
            if (q < r * r - 1) {
                value = 255;
            } else {
                bool a = true;
                bool b = true;
                for (const double oy : {-0.375, 0.375}) {
                    for (const double ox : {-0.375, 0.375}) {
                        const double d2 = (dx + ox) * (dx + ox) + (dy + oy) * (dy + oy);
                        a = a && d2 <= r * r + 1e-12;
                        b = b && d2 >= R * R - 1e-12;
                    }
                }
                if (a && !b) {
                    value = 255;
                } else if (b && !(a && q < R * R)) {
                    continue;
                } else {
                    double sum = 0;
                    for (const double oy : offsets) {
                        for (const double ox : offsets) {
                            const double sx = dx + ox;
                            const double sy = dy + oy;
                            const double s2 = sx * sx + sy * sy;
                            if (s2 <= r * r + 1e-12) {
                                sum += 1;
                            } else if (s2 < R * R - 1e-12) {
                                sum += std::pow(1 - k * (std::sqrt(s2) - r), e);
                            }
                        }
                    }
                    // A negative exponent can make the sum huge or NaN: clamp before converting.
                    const double scaled = sum * 0.0625 * 255 + 0.5;
                    value = static_cast<uint8_t>(scaled > 0.0 ? std::min(scaled, 255.0) : 0.0);
                }
            }
            while (value > c && !cell.compare_exchange_weak(c, value, std::memory_order_relaxed)) {
            }
        }
    }
    strokes.Widen({x0, y0, x1, y1});
}

void DrawLine(StrokeBuffer& strokes, const PathPoint& from, double p0, const PathPoint& to,
              double p1) {
    const double size = strokes.PenSize();
    const double d = std::hypot(to.x - from.x, to.y - from.y);
    if (!(d > 0)) {
        return;
    }
    const double ux = (to.x - from.x) / d;
    const double uy = (to.y - from.y) / d;
    double t = 0;
    do {
        const double p = std::min(std::max(p0 + (p1 - p0) * t / d, 0.0), 1.0);
        const double s = p * size;
        if (s < 0.1) {
            t += 0.1;
        } else {
            t += std::min(s, 1.0);
            DrawCircle(strokes, from.x + ux * t, from.y + uy * t, s);
        }
    } while (!(t > d));
}

RunOptions Options(unsigned workers) {
    RunOptions options;
    options.workers = workers;
    options.crossUnseenStretches = false;
    options.raster.lineRasteriser = &DrawLine;
    return options;
}

}  // namespace reference
