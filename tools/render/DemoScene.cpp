// The demo picture and its settings.
#include "render/DemoScene.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/Rounding.h"
#include "render/RowBands.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kStarPoints = 5;
constexpr double kStarOuter = 0.2;    // star tip radius, fraction of the canvas side
constexpr double kStarInner = 0.085;  // radius of the star's inner corners
constexpr int kSubsamples = 4;        // per axis, for a smooth star outline

struct Star {
    double x[2 * kStarPoints];
    double y[2 * kStarPoints];
};

Star MakeStar(double centre, double outer, double inner) {
    Star star;
    for (int i = 0; i < 2 * kStarPoints; ++i) {
        const double angle = -kPi / 2 + i * kPi / kStarPoints;  // first tip points up
        const double radius = i % 2 == 0 ? outer : inner;
        star.x[i] = centre + radius * std::cos(angle);
        star.y[i] = centre + radius * std::sin(angle);
    }
    return star;
}

// Even-odd rule against the star's outline.
bool InsideStar(const Star& star, double px, double py) {
    bool inside = false;
    for (int i = 0, j = 2 * kStarPoints - 1; i < 2 * kStarPoints; j = i++) {
        if ((star.y[i] > py) != (star.y[j] > py) &&
            px < (star.x[j] - star.x[i]) * (py - star.y[i]) / (star.y[j] - star.y[i]) + star.x[i]) {
            inside = !inside;
        }
    }
    return inside;
}

// Squared distance from a point to the star's outline.
double SquaredDistanceToOutline(const Star& star, double px, double py) {
    double nearest = 1e300;
    for (int i = 0, j = 2 * kStarPoints - 1; i < 2 * kStarPoints; j = i++) {
        const double ex = star.x[i] - star.x[j], ey = star.y[i] - star.y[j];
        const double t = std::clamp(
            ((px - star.x[j]) * ex + (py - star.y[j]) * ey) / (ex * ex + ey * ey), 0.0, 1.0);
        const double dx = px - star.x[j] - t * ex, dy = py - star.y[j] - t * ey;
        nearest = std::min(nearest, dx * dx + dy * dy);
    }
    return nearest;
}

// The covered share of pixel (x, y). Only pixels that the outline crosses are subsampled: a
// pixel whose centre lies farther from it than half its diagonal (0.71) is wholly in or out,
// and at 0.75 squaring cannot round across that.
double StarCoverage(const Star& star, double centre, double outer, int32_t x, int32_t y) {
    const double cx = x + 0.5, cy = y + 0.5;
    const double r2 = (cx - centre) * (cx - centre) + (cy - centre) * (cy - centre);
    if (r2 > (outer + 1) * (outer + 1)) {
        return 0.0;
    }
    if (SquaredDistanceToOutline(star, cx, cy) > 0.75 * 0.75) {
        return InsideStar(star, cx, cy) ? 1.0 : 0.0;
    }
    int covered = 0;
    for (int sy = 0; sy < kSubsamples; ++sy) {
        for (int sx = 0; sx < kSubsamples; ++sx) {
            covered += InsideStar(star, x + (sx + 0.5) / kSubsamples, y + (sy + 0.5) / kSubsamples);
        }
    }
    return covered / double(kSubsamples * kSubsamples);
}

uint8_t Mix(double from, double to, double t) {
    return static_cast<uint8_t>(RoundHalfUp(from + (to - from) * t));
}

}  // namespace

Image MakeDemoBase(int32_t size) {
    Image image;
    image.Allocate(size, size, 4, 8);
    const double centre = size / 2.0;
    const Star star = MakeStar(centre, kStarOuter * size, kStarInner * size);
    const double farthest = std::sqrt(2.0) * centre;
    const auto paintRows = [&](int32_t from, int32_t to) {
        uint8_t* pixel = image.pixels.data() + static_cast<size_t>(from) * size * 4;
        for (int32_t y = from; y < to; ++y) {
            for (int32_t x = 0; x < size; ++x, pixel += 4) {
                // Page: night blue, a little lighter in the middle.
                const double d = std::hypot(x + 0.5 - centre, y + 0.5 - centre) / farthest;
                const double page[3] = {46 - 34 * d, 54 - 38 * d, 104 - 66 * d};
                const double t = StarCoverage(star, centre, kStarOuter * size, x, y);
                pixel[0] = Mix(page[0], 255, t);
                pixel[1] = Mix(page[1], 222, t);
                pixel[2] = Mix(page[2], 120, t);
                pixel[3] = 255;
            }
        }
    };
    // A 4096 demo's page takes about a second on one core.
    ForEachRowBand(size, 64, paintRows);
    return image;
}

MoveEffectIniParam DemoSettings(int32_t type, int32_t size) {
    MoveEffectIniParam s;
    GetDefaultParam(&s);
    s.type = type;
    const double scale = size / double(kDefaultDemoSize);
    s.size = std::max(1.5, 3.0 * scale);
    s.hardness = 0.5;
    s.fluction = 0.4;
    s.length = static_cast<int32_t>(std::lround(16 * scale));
    s.lenfluct = 0.5;
    s.connect = 1;
    switch (type) {
        case VELTRIX_TYPE_PARALLEL:
            s.p1 = {0.0, 0.02};
            s.p2 = {1.0, 0.02};
            s.p3 = {0.0, 0.98};
            s.spacing = std::max(3, static_cast<int32_t>(std::lround(9 * scale)));
            s.spcfluct = 0.6;
            s.in = 700;
            s.out = 300;
            break;
        case VELTRIX_TYPE_CIRCLE:
            s.p1 = {0.26, 0.5};
            s.p2 = {0.74, 0.5};
            s.p3 = {0.5, 0.26};
            s.spacing = std::max(3, static_cast<int32_t>(std::lround(14 * scale)));
            s.spcgain = 1.5 * scale;
            s.in = 300;
            s.out = 300;
            break;
        default:
            s.type = VELTRIX_TYPE_RADIATE;
            s.p1 = {0.5, 0.5};
            s.p2 = {0.5, 0.42};
            s.p3 = {0.5, -0.25};
            // Fewer lines on small canvases, so that they stay apart.
            s.spacing = std::clamp(static_cast<int32_t>(std::lround(14 / scale)), 7, 60);
            s.spcfluct = 0.7;
            s.in = 1000;
            s.out = 150;
            break;
    }
    std::memset(s.name, 0, sizeof s.name);
    std::memcpy(s.name, ":S", 2);
    return s;
}

Rgb DemoLineColor() {
    return Rgb{255, 248, 230};
}
