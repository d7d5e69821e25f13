// LineSweep: windows of a line's dabs, stamped row by row and pixel by pixel.
#include "filter/raster/LineSweep.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>

#include "filter/raster/StrokeBuffer.h"

namespace {

// A window holds at most this many dabs, and this many (dab, row) pairs: about 0.5 MiB per
// sweep however long the line.
constexpr size_t kMaxDabs = 2048;
constexpr int64_t kMaxEntries = int64_t{1} << 16;
// The rows a window may span: a window whose dabs would reach farther is flushed first, and
// taller dabs are stamped, so the row tables do not grow with the canvas.
constexpr int32_t kMaxRows = 4096;
// Entries past a row's last dab that the kernel may read.
constexpr size_t kRowPadding = 8;
// Core bands (see LineSweep::BandOf) span at most this many dabs, each of r^2 - 1 at least
// kBandSolid, at most kBandStep px from the one before and kBandStraight px from the band's
// axis.
constexpr size_t kBandDabs = 256;
constexpr double kBandSolid = 2.0;
constexpr double kBandStep = 2.0;
constexpr double kBandStraight = 0.05;

// Where a row crosses a region of the plane given by conditions alpha dx + beta <= 0 on the
// offset dx along the row: the offsets [low, high] (|dx| <= -low = high at first). Each
// condition is moved by `give` px (times |alpha|): tightened where it is negative, so that
// every offset kept meets it, loosened where positive, so that none meeting it is dropped.
struct RowSpan {
    double low;
    double high;
    double give;

    void Keep(double alpha, double beta) {
        // Below this |alpha| the condition is taken as level, holding wherever it holds for
        // every |dx| <= high (tightened) or anywhere (loosened).
        constexpr double kLevel = 1e-6;
        beta -= give;
        if (alpha > kLevel) {
            high = std::min(high, -beta / alpha);
        } else if (alpha < -kLevel) {
            low = std::max(low, -beta / alpha);
        } else if (beta +
                       (give < 0.0 ? kLevel : -kLevel) * std::max(std::fabs(low), std::fabs(high)) >
                   0.0) {
            high = low - 1.0;
        }
    }
};

double Distance2(const dab::Job& a, const dab::Job& b) {
    const double dx = b.cx - a.cx;
    const double dy = b.cy - a.cy;
    return dx * dx + dy * dy;
}

// How far inside a row's solid core a pixel centre must lie to be filled without its own test:
// far above the rounding of the algorithm's q = d^2 + dy^2 for the radii that sweeps take.
double CoreMargin(double solidBelow) {
    return 1e-9 * (1.0 + solidBelow);
}

// Stores 255 over columns [from, to) of a row, unread (reading first to skip bytes already at
// 255 was measured slower). 255 is the largest value, so a store cannot undo another worker's
// raise.
void FillRow(std::atomic<uint8_t>* row, int32_t from, int32_t to) {
    for (int32_t x = from; x < to; ++x) {
        row[x].store(255, std::memory_order_relaxed);
    }
}

}  // namespace

LineSweep::LineSweep(StrokeBuffer& strokes) : buffer(strokes), memory(strokes.TakeSweepMemory()) {
    // All the room a window needs, so that Flush never allocates.
    memory->dabs.reserve(kMaxDabs);
    memory->listed.reserve(kMaxDabs);
    memory->entries.reserve(static_cast<size_t>(kMaxEntries));
    // Past the last dab of a row the kernel reads a few entries of padding.
    for (std::vector<double>* lane : {&memory->rowCx, &memory->rowDy2, &memory->rowRadius}) {
        lane->resize(kMaxDabs + kRowPadding);
    }
    memory->rowJobs.resize(kMaxDabs + kRowPadding);
    memory->rows.resize(kMaxRows);
}

LineSweep::~LineSweep() {
    Flush();
    buffer.GiveSweepMemory(std::move(memory));
}

bool LineSweep::Pays(double size, double hardness) {
    return size >= (hardness < 1.0 ? 5.0 : 8.0);
}

void LineSweep::Add(double cx, double cy, double diameter, const PixelRange& range) {
    if (range.x1 <= range.x0 || range.y1 <= range.y0) {
        return;  // nothing on the canvas: stamping it would change no byte
    }
    const DabRasteriser& rasteriser = buffer.Rasteriser();
    const dab::Shape shape(diameter, rasteriser.Hardness());
    const int32_t rowsReached = range.y1 - range.y0;
    if (!rasteriser.Sweepable(shape, range.x1 - range.x0) || rowsReached > kMaxRows) {
        buffer.StampDab(cx, cy, diameter, range);
        return;
    }
    if (!memory->dabs.empty() &&
        (memory->dabs.size() == kMaxDabs || memory->entryCount + rowsReached > kMaxEntries ||
         std::max(rowTo, range.y1) - std::min(rowFrom, range.y0) > kMaxRows)) {
        Flush();
    }
    rowFrom = memory->dabs.empty() ? range.y0 : std::min(rowFrom, range.y0);
    rowTo = memory->dabs.empty() ? range.y1 : std::max(rowTo, range.y1);
    memory->dabs.push_back(
        {buffer.Grid(), cx, cy, range, shape, rasteriser.Exponent(), rasteriser.Power()});
    memory->entryCount += rowsReached;
}

void LineSweep::Flush() {
    if (memory->dabs.empty()) {
        return;
    }
    if (!buffer.Full()) {
        FillCores();
        ListRows();
        for (int32_t y = rowFrom; y < rowTo; ++y) {
            SweepRow(y);
        }
    }
    memory->dabs.clear();
    memory->entryCount = 0;
}

// Fills with 255 the pixels whose centres lie inside the solid core (q < r^2 - 1) of some dab,
// by a margin, and sets which rows list each dab and which columns each row reaches. Not every
// core pixel need be filled: the pixels left out are still swept. Each row remembers the
// stretch it has filled, so that only the rest is stored.
void LineSweep::FillCores() {
    std::vector<dab::Job>& dabs = memory->dabs;
    std::vector<SweepMemory::Row>& rows = memory->rows;
    assert(rowTo - rowFrom <= kMaxRows);
    for (int32_t y = rowFrom; y < rowTo; ++y) {
        rows[y - rowFrom] = {0, 0, std::numeric_limits<int32_t>::max(), 0, 0, 0, 0};
    }
    // Every dab is listed for all its rows unless a band it lies in says otherwise.
    std::vector<SweepMemory::Listed>& listed = memory->listed;
    listed.resize(dabs.size());
    for (size_t k = 0; k < dabs.size(); ++k) {
        listed[k] = {dabs[k].range.y0, dabs[k].range.y1, 0, 0, false};
    }
    // Straight stretches of dabs fill the band their cores cover, a row at a time; the dabs
    // no band starts from (taper tips, bends, gaps between lines) fill their own cores.
    size_t i = 0;
    size_t stretchEnd = 0;
    while (i < dabs.size()) {
        if (!(dabs[i].shape.solidBelow >= kBandSolid)) {
            if (dabs[i].shape.solidBelow > 0.0) {
                FillCore(dabs[i]);
            }
            ++i;
            continue;
        }
        // Bands span dabs of wide enough cores, each at most kBandStep from the one before.
        if (stretchEnd < i + 3) {
            stretchEnd = i + 1;
            while (stretchEnd < dabs.size() && stretchEnd - i <= kBandDabs &&
                   dabs[stretchEnd].shape.solidBelow >= kBandSolid &&
                   Distance2(dabs[stretchEnd - 1], dabs[stretchEnd]) <= kBandStep * kBandStep) {
                ++stretchEnd;
            }
        }
        bool banded = false;
        for (size_t j = std::min(stretchEnd - 1, i + kBandDabs); j > i + 1; j = i + (j - i) / 2) {
            CoreBand band;
            if (BandOf(dabs, i, j, true, band)) {
                FillBand(band);
                ListOutsideBand(band, i, j);
                ReachOfBand(band);
                i = j;
                banded = true;
                break;
            }
        }
        if (!banded) {
            FillCore(dabs[i]);
            ++i;
        }
    }
    // Straight stretches no core band took (soft pens without a solid core, taper tips) still
    // narrow the columns their rows reach.
    for (size_t first = 0; first < dabs.size();) {
        if (listed[first].banded) {
            ++first;
            continue;
        }
        size_t end = first + 1;
        while (end < dabs.size() && end - first <= kBandDabs && !listed[end].banded &&
               Distance2(dabs[end - 1], dabs[end]) <= kBandStep * kBandStep) {
            ++end;
        }
        size_t next = first + 1;
        for (size_t j = end - 1; j > first; j = first + (j - first) / 2) {
            CoreBand band;
            if (BandOf(dabs, first, j, false, band)) {
                ReachOfBand(band);
                for (size_t k = first; k <= j; ++k) {
                    listed[k].banded = true;
                }
                next = j + 1;
                break;
            }
        }
        first = next;
    }
}

// Whether the solid cores of dabs [i, j] cover a band about the segment from dab i to dab j,
// and that band: the points whose foot on the segment lies at t in [0, L] and within a width
// that goes linearly from widthFrom to widthTo. Why they do: with every dab within e of the
// segment, consecutive dabs at most s apart and solid radii (sqrt(r^2 - 1)) at least the
// line sigma(t) (lowered by the largest shortfall), the feet of consecutive dabs lie at most
// s apart, so every foot t has a dab whose foot lies within h = s / 2. A point at distance w
// from foot t is then within sqrt(w^2 + h^2) + e of that dab, whose solid radius is at least
// sigma(t) - |sigma'| h: inside it when w <= sqrt(a(t)^2 - h^2), a(t) = sigma(t) - |sigma'| h
// - e - margin. That root is concave in t, so the width's chord lies below it. The margin
// dwarfs the rounding of the kernel's q < r^2 - 1 and of these sums. Without `withCore` only
// the strip the dabs' discs reach is bounded (the widths are 0), for dabs of any core.
bool LineSweep::BandOf(const std::vector<dab::Job>& dabs, size_t i, size_t j, bool withCore,
                       CoreBand& band) {
    const dab::Job& from = dabs[i];
    const dab::Job& to = dabs[j];
    const double length = std::sqrt(Distance2(from, to));
    if (!(length >= 1.0)) {
        return false;
    }
    const double ux = (to.cx - from.cx) / length;
    const double uy = (to.cy - from.cy) / length;
    // Without a core the band only bounds the strip (widths 0).
    const double solidFrom = withCore ? std::sqrt(from.shape.solidBelow) : 0.0;
    const double solidTo = withCore ? std::sqrt(to.shape.solidBelow) : 0.0;
    double deviation = 0.0;
    double step = 0.0;
    double shortfall = 0.0;
    // A dab changes only pixels within its reach, R + kSampleReach, of its centre: taken along
    // the axis as a line from the first dab's reach to the last's, raised by the largest excess.
    const double reachFrom = from.shape.outerRadius + dab::kSampleReach;
    const double reachTo = to.shape.outerRadius + dab::kSampleReach;
    double excess = 0.0;
    double widest = reachFrom;
    double alongFrom = 0.0;
    double alongTo = length;
    for (size_t k = i + 1; k <= j; ++k) {
        const dab::Job& dab = dabs[k];
        const double ex = dab.cx - from.cx;
        const double ey = dab.cy - from.cy;
        deviation = std::max(deviation, std::fabs(ex * uy - ey * ux));
        if (deviation > kBandStraight) {
            return false;
        }
        step = std::max(step, Distance2(dabs[k - 1], dab));
        const double t = ex * ux + ey * uy;
        const double reach = dab.shape.outerRadius + dab::kSampleReach;
        widest = std::max(widest, reach);
        excess = std::max(excess, reach - (reachFrom + (reachTo - reachFrom) * (t / length)));
        alongFrom = std::min(alongFrom, t);
        alongTo = std::max(alongTo, t);
        if (withCore) {
            const double line = solidFrom + (solidTo - solidFrom) * (t / length);
            shortfall = std::max(shortfall, line - std::sqrt(dab.shape.solidBelow));
        }
    }
    const double half = 0.5 * std::sqrt(step);
    const double sigmaFrom = solidFrom - shortfall;
    const double sigmaTo = solidTo - shortfall;
    const double drop = std::fabs(sigmaTo - sigmaFrom) / length * half;
    const double margin = 1e-6 * (1.0 + std::max(sigmaFrom, sigmaTo));
    const double coreFrom = sigmaFrom - drop - deviation - margin;
    const double coreTo = sigmaTo - drop - deviation - margin;
    // Bands narrower than about a pixel fill next to nothing.
    if (withCore && !(coreFrom > half + 0.5 && coreTo > half + 0.5)) {
        return false;
    }
    // A pixel a dab changes lies within that dab's reach of it, and its foot within the reach
    // of the dab's foot, where the reach line has moved by at most |slope| times the widest.
    const double slack =
        deviation + excess + std::fabs(reachTo - reachFrom) / length * widest + 1e-3;
    const double widthFrom = withCore ? std::sqrt(coreFrom * coreFrom - half * half) : 0.0;
    const double widthTo = withCore ? std::sqrt(coreTo * coreTo - half * half) : 0.0;
    band.core = {from.cx, from.cy, ux, uy, 0.0, length, widthFrom, (widthTo - widthFrom) / length};
    band.reach = {from.cx,
                  from.cy,
                  ux,
                  uy,
                  alongFrom - widest - 1e-3,
                  alongTo + widest + 1e-3,
                  reachFrom + slack,
                  (reachTo - reachFrom) / length};
    return true;
}

void LineSweep::Strip::Rows(int32_t rowFrom, int32_t rowTo, int32_t& first, int32_t& last) const {
    const double widest = std::max(WidthAt(alongFrom), WidthAt(alongTo));
    const double fromY = y + uy * alongFrom;
    const double toY = y + uy * alongTo;
    // Clamped to the rows given before conversion.
    const double top = std::min(fromY, toY) - widest - 1.0;
    const double bottom = std::max(fromY, toY) + widest + 2.0;
    first = static_cast<int32_t>(std::max(top, static_cast<double>(rowFrom)));
    last = static_cast<int32_t>(std::min(bottom, static_cast<double>(rowTo)));
}

// On a row the strip is where four linear conditions on the column offset dx hold: the foot
// within [alongFrom, alongTo], and either side within the width.
bool LineSweep::Strip::Columns(int32_t row, int32_t columns, double give, int32_t& first,
                               int32_t& last) const {
    // No point of the strip lies farther than this from (x, y), along either axis.
    const double extent = std::max(std::fabs(alongFrom), std::fabs(alongTo)) +
                          std::max(WidthAt(alongFrom), WidthAt(alongTo)) + 2.0;
    const double dy = (row + 0.5) - y;
    const double along = dy * uy;
    const double across = dy * ux;
    RowSpan span{-extent, extent, give};
    span.Keep(-ux, alongFrom - along);
    span.Keep(ux, along - alongTo);
    span.Keep(uy - grow * ux, -across - width - grow * along);
    span.Keep(-uy - grow * ux, across - width - grow * along);
    // Columns whose centres lie in [x + low, x + high]: from ceil(left) to floor(right), clamped
    // to the canvas before conversion.
    const double left = std::max(x + span.low - 0.5, 0.0);
    const double right = std::min(x + span.high - 0.5, columns - 1.0);
    if (!(left <= right)) {
        return false;
    }
    const int32_t leftCut = static_cast<int32_t>(left);
    first = leftCut + (left > leftCut ? 1 : 0);
    last = static_cast<int32_t>(right) + 1;
    return first < last;
}

// Fills with 255 the pixels whose centres lie in the band's core, row by row, its conditions
// tightened by 1e-4: far above the rounding of these sums, far below a pixel.
void LineSweep::FillBand(const CoreBand& band) {
    const CoverageGrid grid = buffer.Grid();
    int32_t yFrom;
    int32_t yTo;
    band.core.Rows(rowFrom, rowTo, yFrom, yTo);
    for (int32_t y = yFrom; y < yTo; ++y) {
        int32_t from;
        int32_t to;
        if (band.core.Columns(y, grid.width, -1e-4, from, to)) {
            FillSpan(memory->rows[y - rowFrom], grid.bytes + static_cast<int64_t>(y) * grid.width,
                     from, to);
        }
    }
}

// Widens each row's reach by the columns the band's dabs may change there: where the band's
// reach crosses the row, its conditions loosened by 1e-3. A dab's square range reaches farther
// than its disc, by up to 0.41 R across a diagonal line; those pixels would each be swept to no
// effect.
void LineSweep::ReachOfBand(const CoreBand& band) {
    int32_t yFrom;
    int32_t yTo;
    band.reach.Rows(rowFrom, rowTo, yFrom, yTo);
    for (int32_t y = yFrom; y < yTo; ++y) {
        int32_t from;
        int32_t to;
        if (band.reach.Columns(y, buffer.Width(), 1e-3, from, to)) {
            SweepMemory::Row& row = memory->rows[y - rowFrom];
            row.reachFrom = std::min(row.reachFrom, from);
            row.reachTo = std::max(row.reachTo, to);
        }
    }
}

// Lists the dabs [i, j] of a band only for the rows where they reach past it. A dab changes
// only pixels whose centres lie within R + kSampleReach of its centre, and the band's pixels are
// all 255 already. Away from the band's
// ends, where the band is at least w wide about the axis and the dab's centre lies e off it,
// the part of that disc (radius rho) farther than q = w - e from the axis lies within
// sqrt(rho^2 - q^2) of the dab's foot along the axis: two caps, whose rows are listed. The
// margins keep the listed rows a little wider than the caps, far above the rounding.
void LineSweep::ListOutsideBand(const CoreBand& band, size_t i, size_t j) {
    constexpr double kEdge = 2e-3;
    const std::vector<dab::Job>& dabs = memory->dabs;
    std::vector<SweepMemory::Listed>& listed = memory->listed;
    const Strip& core = band.core;
    // The axis's normal, (uy, -ux): the caps' row offsets are a uy + b ny for offsets a along
    // the axis and b across it.
    const double ny = -core.ux;
    for (size_t k = i; k <= j; ++k) {
        const dab::Job& dab = dabs[k];
        listed[k].banded = true;  // the band's reach covers it (ReachOfBand)
        const double ex = dab.cx - core.x;
        const double ey = dab.cy - core.y;
        const double t = ex * core.ux + ey * core.uy;
        const double off = std::fabs(ex * core.uy - ey * core.ux);
        const double rho = dab.shape.outerRadius + dab::kSampleReach + kEdge;
        if (!(t - rho > kEdge && t + rho < core.alongTo - kEdge)) {
            continue;  // the disc reaches past an end of the band
        }
        const double width = core.WidthAt(core.grow > 0.0 ? t - rho : t + rho);
        const double q = width - kEdge - off;
        if (!(q > 0.0)) {
            continue;
        }
        if (rho <= q) {
            listed[k] = {0, 0, 0, 0, true};  // wholly inside the band
            continue;
        }
        const double along = std::sqrt(rho * rho - q * q) * std::fabs(core.uy);
        const double nearSide = q * ny;
        const double farSide = rho * ny;
        const double low = std::min(nearSide, farSide) - along;
        const double high = std::max(nearSide, farSide) + along;
        // Rows whose centres lie within [low, high] of the dab's centre, or of minus that.
        const PixelRange& range = dab.range;
        const auto rowsOf = [&](double from, double to, int32_t& first, int32_t& last) {
            const double top = std::max(dab.cy + from - 1.5, static_cast<double>(range.y0));
            const double bottom = std::min(dab.cy + to + 1.5, static_cast<double>(range.y1));
            first = static_cast<int32_t>(top);
            last = std::max(first, static_cast<int32_t>(bottom));
        };
        SweepMemory::Listed spans{};
        rowsOf(-high, -low, spans.from, spans.to);
        rowsOf(low, high, spans.alsoFrom, spans.alsoTo);
        if (spans.alsoFrom < spans.from) {
            spans = {spans.alsoFrom, spans.alsoTo, spans.from, spans.to, true};
        }
        if (spans.alsoFrom < spans.to) {
            spans = {spans.from, std::max(spans.to, spans.alsoTo), 0, 0, true};
        }
        spans.banded = true;
        listed[k] = spans;
    }
}

// Fills with 255 the pixels of each row of one dab whose centres lie inside its solid core.
void LineSweep::FillCore(const dab::Job& job) {
    std::vector<SweepMemory::Row>& rows = memory->rows;
    const CoverageGrid grid = buffer.Grid();
    const PixelRange& range = job.range;
    const dab::Shape& shape = job.shape;
    const double margin = CoreMargin(shape.solidBelow);
    // The columns the core covers in any row lie within those of its widest row, which rows
    // filled before need not be checked against.
    const double widestHalf = std::sqrt(shape.solidBelow);
    const double coreFrom = std::floor(job.cx - widestHalf - 0.5);
    const double coreTo = std::ceil(job.cx + widestHalf - 0.5);
    for (int32_t y = range.y0; y < range.y1; ++y) {
        SweepMemory::Row& row = rows[y - rowFrom];
        if (row.filledFrom <= coreFrom && row.filledTo >= coreTo) {
            continue;
        }
        const double dy = (y + 0.5) - job.cy;
        const double room = shape.solidBelow - dy * dy;
        if (!(room > 0.0)) {
            continue;
        }
        // Pixel centres with |(x + 0.5) - cx| < half.
        const double half = std::sqrt(room) - margin;
        if (!(half > 1e-3)) {
            continue;
        }
        // floor(cx - half - 0.5) + 1 and ceil(cx + half - 0.5), clamped to the range first so
        // that they convert; truncation then corrects by one (std::floor is a call here).
        const double low =
            std::min(std::max(job.cx - half - 0.5, range.x0 - 1.0), static_cast<double>(range.x1));
        const double high =
            std::min(std::max(job.cx + half - 0.5, range.x0 - 1.0), static_cast<double>(range.x1));
        const int32_t lowCut = static_cast<int32_t>(low);
        const int32_t highCut = static_cast<int32_t>(high);
        const int32_t from = lowCut - (low < lowCut) + 1;
        const int32_t to = std::min(highCut + (high > highCut), range.x1);
        if (from >= to) {
            continue;
        }
        FillSpan(row, grid.bytes + static_cast<int64_t>(y) * grid.width, from, to);
    }
}

// Stores 255 over columns [from, to) of a row, except where the row's filled stretch already
// lies, and grows that stretch.
void LineSweep::FillSpan(SweepMemory::Row& row, std::atomic<uint8_t>* bytes, int32_t from,
                         int32_t to) {
    if (row.filledFrom < row.filledTo && from <= row.filledTo && to >= row.filledFrom) {
        FillRow(bytes, from, std::min(to, row.filledFrom));
        FillRow(bytes, std::max(from, row.filledTo), to);
        row.filledFrom = std::min(row.filledFrom, from);
        row.filledTo = std::max(row.filledTo, to);
    } else {
        FillRow(bytes, from, to);
        if (to - from > row.filledTo - row.filledFrom) {
            row.filledFrom = from;
            row.filledTo = to;
        }
    }
}

// Lists each row's dabs, ordered by their first column for the sweep along the row, and the
// columns they reach.
void LineSweep::ListRows() {
    std::vector<dab::Job>& dabs = memory->dabs;
    std::vector<SweepMemory::Row>& rows = memory->rows;
    std::vector<int32_t>& entries = memory->entries;
    const std::vector<SweepMemory::Listed>& listed = memory->listed;
    // Each row's count, from the changes where the dabs' spans of rows start and end.
    int64_t entryCount = 0;
    const auto count = [&](int32_t from, int32_t to) {
        if (from < to) {
            ++rows[from - rowFrom].count;
            if (to < rowTo) {
                --rows[to - rowFrom].count;
            }
            entryCount += to - from;
        }
    };
    for (const SweepMemory::Listed& spans : listed) {
        count(spans.from, spans.to);
        count(spans.alsoFrom, spans.alsoTo);
    }
    entries.resize(static_cast<size_t>(entryCount));
    int32_t reaching = 0;
    int32_t next = 0;
    for (int32_t y = rowFrom; y < rowTo; ++y) {
        SweepMemory::Row& row = rows[y - rowFrom];
        reaching += row.count;
        row.first = next;
        next += reaching;
        row.count = 0;
    }
    for (size_t i = 0; i < dabs.size(); ++i) {
        const PixelRange& range = dabs[i].range;
        const bool banded = listed[i].banded;
        const auto list = [&](int32_t from, int32_t to) {
            for (int32_t y = from; y < to; ++y) {
                SweepMemory::Row& row = rows[y - rowFrom];
                entries[row.first + row.count++] = static_cast<int32_t>(i);
                if (!banded) {
                    row.reachFrom = std::min(row.reachFrom, range.x0);
                    row.reachTo = std::max(row.reachTo, range.x1);
                }
                row.widest = std::max(row.widest, range.x1 - range.x0);
            }
        };
        list(listed[i].from, listed[i].to);
        list(listed[i].alsoFrom, listed[i].alsoTo);
    }
    const auto firstColumn = [&dabs](int32_t a, int32_t b) {
        return dabs[a].range.x0 < dabs[b].range.x0;
    };
    const auto lastColumn = [&dabs](int32_t a, int32_t b) {
        return dabs[a].range.x0 > dabs[b].range.x0;
    };
    // Along a line the dabs come in column order, or in the reverse order.
    for (int32_t y = rowFrom; y < rowTo; ++y) {
        int32_t* begin = entries.data() + rows[y - rowFrom].first;
        int32_t* end = begin + rows[y - rowFrom].count;
        if (std::is_sorted(begin, end, firstColumn)) {
            continue;
        }
        if (std::is_sorted(begin, end, lastColumn)) {
            std::reverse(begin, end);
        } else {
            std::sort(begin, end, firstColumn);
        }
    }
}

// Every pixel of the row that its dabs reach and that is below 255 gets the largest byte of
// the dabs over it. Dabs are ordered by first column, so those over column x lie between the
// first that can still reach x (no range is wider than `widest`) and the last that starts at
// or before it.
void LineSweep::SweepRow(int32_t y) {
    const SweepMemory::Row& row = memory->rows[y - rowFrom];
    if (row.count == 0) {
        return;
    }
    const std::vector<dab::Job>& dabs = memory->dabs;
    const int32_t* list = memory->entries.data() + row.first;
    const double py = y + 0.5;
    for (int32_t i = 0; i < row.count; ++i) {
        const dab::Job& job = dabs[list[i]];
        const double dy = py - job.cy;
        memory->rowCx[i] = job.cx;
        memory->rowDy2[i] = dy * dy;
        memory->rowRadius[i] = job.shape.outerRadius;
        memory->rowJobs[i] = &job;
    }
    for (int32_t i = row.count; i < row.count + static_cast<int32_t>(kRowPadding); ++i) {
        memory->rowCx[i] = INFINITY;
        memory->rowDy2[i] = 0.0;
        memory->rowRadius[i] = 0.0;
        memory->rowJobs[i] = nullptr;
    }
    const dab::RowDabs rowDabs{memory->rowCx.data(), memory->rowDy2.data(),
                               memory->rowRadius.data(), memory->rowJobs.data()};
    const DabRasteriser& rasteriser = buffer.Rasteriser();
    const CoverageGrid grid = buffer.Grid();
    std::atomic<uint8_t>* bytes = grid.bytes + static_cast<int64_t>(y) * grid.width;
    int32_t lo = 0;
    int32_t hi = 0;
    for (int32_t x = row.reachFrom; x < row.reachTo; ++x) {
        if (x == row.filledFrom && row.filledTo > x) {
            // Filled with 255 by FillCores.
            x = row.filledTo - 1;
            continue;
        }
        const uint8_t current = bytes[x].load(std::memory_order_relaxed);
        if (current == 255) {
            continue;
        }
        while (hi < row.count && memory->rowJobs[hi]->range.x0 <= x) {
            ++hi;
        }
        while (lo < hi && memory->rowJobs[lo]->range.x0 + row.widest <= x) {
            ++lo;
        }
        if (lo == hi) {
            continue;
        }
        const uint8_t value = rasteriser.MaxByte(rowDabs, lo, hi, x, y, current);
        if (value > current) {
            dab::Raise(bytes[x], current, value);
        }
    }
}
