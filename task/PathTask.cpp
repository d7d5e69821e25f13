// PathTask: the scan for marked stretches, line building, joining and drawing.
#include "task/PathTask.h"

#include <algorithm>
#include <cmath>

#include "filter/raster/CanvasGeometry.h"
#include "filter/raster/LineSweep.h"

namespace {

// Beyond 2^53 adding one pixel no longer moves a distance: such loops would never end.
constexpr double kMaxSteps = 9007199254740992.0;

// Stretches of the scan longer than this many steps may be crossed in one move when they cannot
// reach the canvas; shorter ones are stepped pixel by pixel, as the scan's results are defined.
// Paths laid for a real canvas never leave it for so long, so they are always stepped.
constexpr double kLongStretchSteps = 65536.0;

// Pieces whose remaining steps exceed this are crossed the same way by a line's chain.
constexpr double kLongPieceSteps = 1048576.0;

// A line's chain crosses an unseen stretch in one go only when it is at least this long.
constexpr double kMinChainSkip = 16.0;

// How many steps ahead a scan asks for the base image's pixel (see ScanStretches).
constexpr double kPrefetchSteps = 16.0;

// How far a ring's line may reach past its stretch, in laps and pixels. Longer lines would only
// go round the same ring again; only absurd lengths meet the bound.
constexpr double kRingReachLaps = 2.0;
constexpr double kRingReachPixels = 4096.0;

}  // namespace

PathTask::PathTask(const TaskEnvironment& environment, const CircleTarget* ring)
    : run(environment), param(environment.param), circle(ring), guide(environment.guide) {
    if (guide != nullptr) {
        guide->ResetPosition();
    }
}

PathTask::~PathTask() = default;

void PathTask::AppendPathSegment(const PathSegment& segment) {
    path.Append(segment);
    // The pool hands long paths out first. The polygon through the points (control points
    // included) is at least as long as the path, and the task's walk grows with that length.
    for (const PathPoint& point : segment.points) {
        if (hasLastPoint && segment.kind != PathSegment::kMove) {
            const double step = std::hypot(point.x - lastPoint.x, point.y - lastPoint.y);
            if (std::isfinite(step)) {
                costHint += step;
            }
        }
        lastPoint = point;
        hasLastPoint = true;
    }
}

double PathTask::GetPressure(double t, double length, bool taperIn, bool taperOut,
                             double sizeFactor) const {
    return GetPressure(*param, t, length, taperIn, taperOut, sizeFactor);
}

void PathTask::SetRing(const RingRecipe& recipe) {
    ringRecipe = std::make_unique<RingRecipe>(recipe);
    // Ramanujan's perimeter of the ellipse, which the walk's length follows.
    const double a = std::fabs(recipe.radiusX);
    const double b = std::fabs(recipe.radiusY);
    const double perimeter =
        3.14159265358979323846 * (3 * (a + b) - std::sqrt((3 * a + b) * (a + 3 * b)));
    costHint = std::isfinite(perimeter) ? perimeter : 0.0;
}

void PathTask::Run() {
    // A pen below the smallest dab draws nothing, however long its lines.
    if (IsCancelled() || !(param->size >= kSmallestDab)) {
        return;
    }
    const bool ring = param->type == VELTRIX_TYPE_CIRCLE;
    if (ringRecipe != nullptr && guide != nullptr) {
        BuildRingPath(*ringRecipe, *guide, param->curvature, path);
        ringRecipe.reset();
    } else {
        path.PrepareSegments(ring);
    }
    std::vector<DistData> lines;
    PathPoint p = path.MoveNext(0.0);
    BuildReach();

    if (ring) {
        // Start the scan on the first unmarked sample, so a stretch across the ring's start
        // is found whole.
        bool marked = run.marks->IsMarked(p);
        while (path.walkDistance < path.totalLength && marked) {
            p = path.MoveNext(1.0);
            marked = run.marks->IsMarked(p);
        }
        // A ring of length 0 has one sample: it is drawn whole only when that one is marked.
        const bool allMarked =
            path.totalLength > 0.0 ? path.walkDistance >= path.totalLength : marked;
        if (allMarked) {
            lines.push_back({0.0, path.totalLength + 1.0, false, false});
            DrawLinesFromPath(lines);
            ReleasePath();
            return;
        }
    }

    ScanStretches(lines, p);

    if (param->connect && lines.size() >= 2) {
        ConnectLines(lines);
    }
    DrawLinesFromPath(lines);
    ReleasePath();
}

void PathTask::ReleasePath() {
    // Nothing reads the path once the task has drawn. The pool keeps every task of a run until
    // the run ends, and a run's rings hold tens of MiB of pieces, so they go now.
    path = PathParser();
    nextNearCanvas = std::vector<int32_t>();
    nextNearDabs = std::vector<int32_t>();
    pieceStart = std::vector<double>();
}

void PathTask::ScanStretches(std::vector<DistData>& lines, PathPoint p) {
    const bool ring = param->type == VELTRIX_TYPE_CIRCLE;
    double gain = 0.0;
    if (param->lenfluct > 0.0) {
        lengthRandom = std::make_unique<Random>(
            run.seeds.Make(RandomSeeds::Role::kLineLength, pathIndex, 0.0, param->lenfluct));
    }
    if (param->posfluct > 0.0) {
        positionRandom =
            std::make_unique<Random>(run.seeds.Make(RandomSeeds::Role::kLinePosition, pathIndex,
                                                    -0.5 * param->posfluct, 0.5 * param->posfluct));
    }
    const double halfLength = param->length * 0.5;

    bool outside = true;
    double runStart = 0.0;
    // The wrap past a ring's end continues only until the open stretch ends; later laps would
    // sample shifted positions, so it goes at most one lap further.
    double lapLimit = 0.0;
    bool wrapped = false;
    for (;;) {
        // Every sample left (of this lap, on a ring) is off the canvas, hence unmarked; a ring
        // outside a stretch at its lap's end would stop there too.
        if (outside && !wrapped && !RestCanTouchCanvas()) {
            break;
        }
        const bool marked = run.marks->IsMarked(p);
        if (outside && marked) {
            outside = false;
            runStart = path.walkDistance;
        } else if (!outside && !marked) {
            AppendLinePair(lines, p, runStart, gain, halfLength);
            outside = true;
        }
        if (outside && !wrapped) {
            SkipUnreachableStretch();
        }
        const double before = path.walkDistance;
        const PathPoint last = p;
        p = path.MoveNext(1.0);
        // Each sample across rows misses the caches, and the next depends on nothing but the
        // walk: ask for the one a few steps on, along the last step, while this one is tested.
        run.marks->Prefetch(
            {p.x + kPrefetchSteps * (p.x - last.x), p.y + kPrefetchSteps * (p.y - last.y)});
        if (path.walkDistance == before && p.x == last.x && p.y == last.y) {
            // Neither the distance nor the point moves any more (paths of 2^53 pixels and
            // beyond): the walk cannot reach anything new.
            if (!outside) {
                AppendLinePair(lines, p, runStart, gain, halfLength);
            }
            break;
        }
        if (!path.reachedEnd) {
            continue;
        }
        if (ring) {
            if (!wrapped) {
                wrapped = true;
                lapLimit = path.walkDistance + path.totalLength;
            }
            if (marked && path.walkDistance < lapLimit) {
                continue;
            }
            if (!outside) {
                AppendLinePair(lines, p, runStart, gain, halfLength);
            }
            break;
        }
        if (!outside) {
            AppendLinePair(lines, p, runStart, gain, halfLength);
        }
        break;
    }

    lengthRandom.reset();
    positionRandom.reset();
}

void PathTask::AppendLinePair(std::vector<DistData>& lines, const PathPoint& point, double runStart,
                              double& gain, double halfLength) {
    const double half =
        lengthRandom ? param->length * 0.5 * (1 + lengthRandom->Uniform()) : halfLength;
    if (param->lengain != 0.0) {
        if (param->type == VELTRIX_TYPE_RADIATE || param->type == VELTRIX_TYPE_PARALLEL) {
            // A path of length 0 has no place along it: no gain rather than an infinite one.
            gain = path.totalLength != 0.0 ? param->lengain * path.walkDistance / path.totalLength
                                           : 0.0;
        } else if (param->type == VELTRIX_TYPE_CIRCLE) {
            if (circle != nullptr) {
                gain = param->lengain *
                       std::hypot(point.x - circle->centerX, point.y - circle->centerY) / 50;
            }
        }
    }
    double ext = half + gain;
    if (path.closed) {
        ext = std::min(ext, kRingReachLaps * path.totalLength + kRingReachPixels);
    }
    double start = runStart - ext;
    double end = path.walkDistance + ext;
    start += param->position;
    end += param->position;
    if (positionRandom) {
        const double u = positionRandom->Uniform();
        const double shift = (end - start) * u;
        start += shift;
        end += shift;
    }
    if (start < end) {
        lines.push_back({start, end, true, true});
    }
}

void PathTask::ConnectLines(std::vector<DistData>& lines) {
    size_t n = lines.size();
    size_t i = 0;
    while (i + 1 < n) {
        DistData& line = lines[i];
        const DistData& next = lines[i + 1];
        // Neighbours that overlap or touch become their union. Random shifts can put a later
        // line inside or before an earlier one: taking its ends as they come would cut the
        // joined line short or reverse it, so the outer ends and their tapers are kept.
        if (next.start <= line.end && next.end >= line.start) {
            if (next.start < line.start) {
                line.start = next.start;
                line.taperIn = next.taperIn;
            }
            if (next.end >= line.end) {
                line.end = next.end;
                line.taperOut = next.taperOut;
            }
            std::move(lines.begin() + i + 2, lines.begin() + n, lines.begin() + i + 1);
            --n;
        } else {
            ++i;
        }
    }
    lines.resize(n);
}

void PathTask::DrawLinesFromPath(const std::vector<DistData>& lines) {
    path.ResetPosition();
    std::unique_ptr<Random> sizeRandom;
    if (param->fluction > 0.0) {
        sizeRandom = std::make_unique<Random>(
            run.seeds.Make(RandomSeeds::Role::kPenSize, pathIndex, 0.0, 1.0));
    }
    double sizeFactor = 0.0;
    PixelRange reached = run.strokes->NoRange();
    std::vector<RecordedLine> recorded;
    // Wide pens stamp each line's pixels once rather than each dab's (same bytes).
    std::unique_ptr<LineSweep> sweep;
    if (LineSweep::Pays(param->size, param->hardness)) {
        sweep = std::make_unique<LineSweep>(*run.strokes);
    }
    for (const DistData& line : lines) {
        if (IsCancelled()) {
            break;
        }
        if (sizeRandom) {
            sizeFactor = sizeRandom->Uniform() * param->fluction;
        }
        // Pressure never exceeds 1 - sizeFactor, so a pen that small places no dab on this
        // line (the margin covers the rounding of the dab chain's interpolation).
        const double largestPen = sizeFactor > 0.0 ? param->size * (1.0 - sizeFactor) : param->size;
        if (!(largestPen * (1.0 + 1e-9) >= kSmallestDab)) {
            continue;
        }
        RecordedLine* record = nullptr;
        if (run.lines != nullptr) {
            recorded.push_back({pathIndex, static_cast<int32_t>(&line - lines.data()), {}});
            record = &recorded.back();
        }
        const PositionData saved = path.StorePosition();
        chainPieceTested = -1;
        LastDab last;
        const double a = line.start - path.walkDistance;
        const double len = (line.end - path.walkDistance) - a;
        PathPoint p0 = path.MoveNext(a);
        // A chain of 2^53 or more pixels could never be walked to its end.
        if (len >= 0.0 && len < kMaxSteps) {
            double prevP = 0.0;
            double t = 0.0;
            do {
                if (!path.closed && run.crossUnseenStretches) {
                    SkipUnseenChain(line, len, sizeFactor, t, prevP, p0, reached);
                    SkipDabFreePieces(line, len, sizeFactor, t, prevP, p0, reached);
                }
                const double pressure =
                    GetPressure(t, len, line.taperIn, line.taperOut, sizeFactor);
                const PathPoint p1 = path.MoveNext(1.0);
                t += 1.0;
                if (prevP > 0.0 || pressure > 0.0) {
                    reached.Unite(
                        run.strokes->DrawLine(p0, prevP, p1, pressure, sweep.get(), &last));
                    if (record != nullptr) {
                        Record(*record, p1, prevP * param->size);
                    }
                }
                p0 = p1;
                prevP = pressure;
            } while (t <= len);
        }
        if (sweep != nullptr) {
            sweep->Flush();
        }
        path.RestorePosition(saved);
        if (record != nullptr && record->points.empty()) {
            recorded.pop_back();
        }
    }
    if (run.lines != nullptr && !recorded.empty()) {
        run.lines->Add(std::move(recorded));
    }
}

void PathTask::Record(RecordedLine& line, const PathPoint& at, double diameter) {
    // The first dab of a one-pixel segment lies at its end and uses its start's pressure.
    if (!(diameter >= kSmallestDab)) {
        return;
    }
    const Box box = SampleBox(run.strokes->Width(), run.strokes->Height(), PenReach(diameter));
    if (!(at.x > box.x0 && at.x < box.x1 && at.y > box.y0 && at.y < box.y1)) {
        return;
    }
    if (!line.points.empty()) {
        VeltrixLinePoint& last = line.points.back();
        if (std::hypot(at.x - last.x, at.y - last.y) < LineRecorder::kThinning) {
            last.diameter = std::max(last.diameter, diameter);
            return;
        }
    }
    if (run.lines->Reserve(1) == 1) {
        line.points.push_back({at.x, at.y, diameter});
    }
}

void PathTask::BuildReach() {
    const auto& pieces = path.lineSegments;
    const size_t count = pieces.size();
    nextNearCanvas.assign(count + 1, static_cast<int32_t>(count));
    pieceStart.assign(count, 0.0);
    double start = 0.0;
    for (size_t i = 0; i < count; ++i) {
        pieceStart[i] = start;
        start += pieces[i].segmentLength;
    }
    for (size_t i = count; i-- > 0;) {
        nextNearCanvas[i] =
            PieceNearsCanvas(pieces[i]) ? static_cast<int32_t>(i) : nextNearCanvas[i + 1];
    }
    // Only open paths' chains cross runs of pieces.
    if (path.closed) {
        return;
    }
    const double reach = PenReach(param->size);
    nextNearDabs.assign(count + 1, static_cast<int32_t>(count));
    for (size_t i = count; i-- > 0;) {
        nextNearDabs[i] =
            PieceNearsCanvas(pieces[i], reach) ? static_cast<int32_t>(i) : nextNearDabs[i + 1];
    }
}

bool PathTask::PieceNearsCanvas(const LineSegment& piece, double margin) const {
    // A piece with a NaN coordinate never samples the canvas.
    if (std::isnan(piece.start.x + piece.start.y + piece.end.x + piece.end.y)) {
        return false;
    }
    if (!(margin < INFINITY)) {
        return true;
    }
    if (!CanvasTouches(std::min(piece.start.x, piece.end.x), std::min(piece.start.y, piece.end.y),
                       std::max(piece.start.x, piece.end.x), std::max(piece.start.y, piece.end.y),
                       margin)) {
        return false;
    }
    // Its box does; a long slanted piece may still pass the canvas by.
    const double length = std::hypot(piece.end.x - piece.start.x, piece.end.y - piece.start.y);
    if (!(length > 1.0) || !std::isfinite(length)) {
        return true;
    }
    return DistanceToCanvas(piece.start, piece.end, margin) <= length + 1.0;
}

void PathTask::SkipUnreachableStretch() {
    if (!run.crossUnseenStretches) {
        return;
    }
    const auto& pieces = path.lineSegments;
    const int32_t index = path.lineIndex;
    if (index < 0 || static_cast<size_t>(index) >= pieces.size()) {
        return;
    }
    const LineSegment& piece = pieces[static_cast<size_t>(index)];
    const double room = (1 - path.lineRatio) * piece.segmentLength;
    // How far the walk may go before a sample can fall on the canvas: along this piece, or up
    // to the start of the next piece that nears it.
    double ahead = DistanceToCanvas(path.currentPoint, piece.end);
    if (!(ahead <= room)) {
        // With no piece ahead near the canvas, the walk goes to this piece's end, where the
        // scan stops (or a ring's lap ends).
        const size_t next = static_cast<size_t>(nextNearCanvas[static_cast<size_t>(index) + 1]);
        ahead = next < pieces.size() ? pieceStart[next] - path.walkDistance : room;
    }
    if (!(ahead > kLongStretchSteps)) {
        // Step over all but the last few samples as the scan would, one pixel at a time (the
        // walk's point then rounds alike), without testing each against the canvas. Those
        // samples all lie off it, and short of the path's end, where the scan's own checks
        // come in.
        const double steps =
            std::min(std::floor(ahead), path.totalLength - path.walkDistance) - 3.0;
        for (double step = 0.0; step < steps; step += 1.0) {
            path.MoveNext(1.0);
        }
        return;
    }
    // Cross all but the last few samples in one move. The distance stays on the same
    // whole-pixel grid; only the rounding of the walk's point along this off-canvas stretch
    // differs from stepping, and only for stretches of tens of thousands of pixels. Beyond
    // 2^53 pixels the walk then stalls, which ends the scan.
    path.MoveNext(std::floor(ahead) - 2.0);
}

double PathTask::DistanceToCanvas(const PathPoint& from, const PathPoint& to, double margin) const {
    // Clips the ray from `from` towards `to` against the canvas with its margin (see
    // CanvasTouches) and returns the distance at which it enters; infinity if it never does.
    const double dx = to.x - from.x;
    const double dy = to.y - from.y;
    const double length = std::hypot(dx, dy);
    if (!(length > 0.0) || !std::isfinite(length)) {
        return INFINITY;
    }
    const Box box = SampleBox(run.strokes->Width(), run.strokes->Height(), margin);
    const RayStretch stretch = ClipLine(from.x, from.y, dx / length, dy / length, box, true);
    const double enter = std::max(0.0, stretch.enter);
    return enter <= stretch.leave ? enter : INFINITY;
}

bool PathTask::CanvasTouches(double minX, double minY, double maxX, double maxY,
                             double margin) const {
    const Box box = SampleBox(run.strokes->Width(), run.strokes->Height(), margin);
    return maxX > box.x0 && minX < box.x1 && maxY > box.y0 && minY < box.y1;
}

bool PathTask::PieceRestTouchesCanvas() const {
    return PieceNearsCanvas({path.currentPoint, path.lineSegments[path.lineIndex].end, 0.0});
}

bool PathTask::RestCanTouchCanvas() const {
    const auto& pieces = path.lineSegments;
    const int32_t index = path.lineIndex;
    if (index < 0 || static_cast<size_t>(index) >= pieces.size()) {
        // Before the first piece only a fresh walk stands; past the last the scan is over.
        return index < 0 && !pieces.empty();
    }
    if (PieceRestTouchesCanvas()) {
        return true;
    }
    return static_cast<size_t>(nextNearCanvas[static_cast<size_t>(index) + 1]) < pieces.size();
}

double PathTask::GetPressure(const MoveEffectParam& param, double t, double length, bool taperIn,
                             bool taperOut, double sizeFactor) {
    const double in = param.in;
    const double out = param.out;
    double v = 1.0;
    if (t <= 0.0) {
        // A line of length 0 is a single full dab; otherwise every line starts from nothing.
        v = length == 0.0 ? 1.0 : 0.0;
    } else {
        if (param.asdist) {
            // Pixel distances: the start ramp stops at the middle, the end ramp at the end.
            if (taperIn && t <= length / 2.0 && t <= in) {
                v = std::min(t / in, 1.0);
            } else if (taperOut && t <= length && t >= length - out && out != 0.0) {
                v = std::min((length - t) / out, 1.0);
            }
        } else {
            // Fractions of half the line.
            if (taperIn && t <= in * length / 2.0) {
                v = t / (in * length / 2.0);
            } else if (taperOut && t >= length - out * length / 2.0 && out != 0.0) {
                v = (length - t) / (out * length / 2.0);
            }
        }
        if (param.easing) {
            v = v * (2.0 - v);
        }
        v = std::min(v, 1.0);
        if (!(v > 0.0)) {
            v = 0.0;
        }
    }
    if (sizeFactor > 0.0) {
        v = v * (1.0 - sizeFactor);
    }
    return v;
}

double PathTask::MaxPressure(double from, double to, double length, bool taperIn, bool taperOut,
                             double sizeFactor) const {
    // The profile is monotone between the points where its taper rules change, so over whole
    // t its maximum lies at an end of the range or next to one of those points.
    double best = -INFINITY;
    auto consider = [&](double t) {
        if (t >= from && t <= to) {
            best = std::max(best, GetPressure(t, length, taperIn, taperOut, sizeFactor));
        }
    };
    consider(from);
    consider(to);
    const double in = param->in;
    const double out = param->out;
    const double breaks[] = {length / 2.0, in, length - out, in * length / 2.0,
                             length - out * length / 2.0};
    for (double b : breaks) {
        if (std::isfinite(b)) {
            // The t of the range are whole numbers apart from `from`.
            const double k = std::floor(b - from);
            consider(from + k);
            consider(from + k + 1);
        }
    }
    return best;
}

bool PathTask::StraightRunAhead(ChainRun& ahead) const {
    const auto& pieces = path.lineSegments;
    if (pieces.empty()) {
        return false;
    }
    // Along the straight extension before the start or past the end, or along one very long
    // piece; the point moves along that piece's direction.
    const double wd = path.walkDistance;
    const int32_t index = path.lineIndex;
    const bool beforeStart = wd < -2.0;
    const bool afterEnd =
        wd > path.totalLength + 2.0 && index >= static_cast<int32_t>(pieces.size());
    const LineSegment* piece = nullptr;
    ahead.room = INFINITY;
    if (beforeStart) {
        piece = &pieces.front();
        ahead.room = std::floor(-wd);
    } else if (afterEnd) {
        piece = &pieces.back();
    } else if (index >= 0 && index < static_cast<int32_t>(pieces.size())) {
        piece = &pieces[index];
        ahead.room = (1 - path.lineRatio) * piece->segmentLength;
        if (!(ahead.room > kLongPieceSteps)) {
            return false;  // on an ordinary piece every step is taken
        }
    } else {
        return false;
    }
    const double length = std::hypot(piece->end.x - piece->start.x, piece->end.y - piece->start.y);
    if (!(length > 1e-6) || !std::isfinite(length)) {
        return false;
    }
    ahead.u[0] = (piece->end.x - piece->start.x) / length;
    ahead.u[1] = (piece->end.y - piece->start.y) / length;
    return true;
}

double PathTask::StepsBeyondCanvas(const PathPoint& p0, ChainRun& ahead) const {
    const double at[2] = {p0.x, p0.y};
    const double limit[2] = {static_cast<double>(run.strokes->Width()),
                             static_cast<double>(run.strokes->Height())};
    // A stretch of dabs is crossed when, on one axis at least, all of them lie beyond the
    // canvas by more than the largest radius (they stamp nothing and widen the dirty rectangle
    // only up to that edge), and on the other axis they lie beyond it too or so nearly at one
    // coordinate that their largest dab decides that axis's bounds alone.
    const double margin = ChainSkipMargin(param->size);
    const double* u = ahead.u;
    double steps = INFINITY;
    for (int axis = 0; axis < 2; ++axis) {
        ahead.beyond[axis] = false;
        if (at[axis] > limit[axis] + margin && u[axis] >= 0.0) {
            ahead.beyond[axis] = true;
        } else if (at[axis] < -margin && u[axis] <= 0.0) {
            ahead.beyond[axis] = true;
        } else if (at[axis] > limit[axis] + margin) {
            ahead.beyond[axis] = true;
            steps = std::min(steps, (at[axis] - (limit[axis] + margin)) / -u[axis]);
        } else if (at[axis] < -margin) {
            ahead.beyond[axis] = true;
            steps = std::min(steps, (-margin - at[axis]) / u[axis]);
        }
    }
    return steps;
}

bool PathTask::SettleCrossing(const DistData& line, double len, double sizeFactor, double t,
                              double prevP, const PathPoint& p0, const ChainRun& ahead,
                              double& steps, double& diameter) const {
    const double at[2] = {p0.x, p0.y};
    for (int attempt = 0;; ++attempt) {
        if (!(steps >= kMinChainSkip) || attempt == 8) {
            return false;
        }
        // The crossed segments start at prevP and at the pressures of t .. t + steps - 2;
        // dabs inside a segment never exceed the larger of its two ends, and the last
        // segment's end is the start of the next one, which is drawn as usual.
        double largest = prevP;
        if (steps >= 2.0) {
            largest = std::max(largest, MaxPressure(t, t + steps - 2.0, len, line.taperIn,
                                                    line.taperOut, sizeFactor));
        }
        diameter = std::min(std::max(largest, 0.0), 1.0) * param->size;
        bool settled = true;
        if (!(diameter < kSmallestDab)) {
            const double radius = diameter * 0.5;
            for (int axis = 0; axis < 2; ++axis) {
                if (ahead.beyond[axis]) {
                    continue;
                }
                // Dabs reach at most one step past the stretch's last point.
                const double a = at[axis];
                const double b = at[axis] + (steps + 1.0) * ahead.u[axis];
                // A coordinate that does not move is exact; one that creeps carries rounding.
                const double slack =
                    ahead.u[axis] == 0.0 ? 0.0 : 1e-12 * (1.0 + std::fabs(a) + std::fabs(b));
                const double lo = std::min(a, b) - slack;
                const double hi = std::max(a, b) + slack;
                if (std::floor(lo - radius) != std::floor(hi - radius) ||
                    std::ceil(lo + radius) != std::ceil(hi + radius)) {
                    settled = false;
                }
            }
        }
        if (settled) {
            return true;
        }
        steps = std::floor(steps / 2.0);
    }
}

void PathTask::SkipUnseenChain(const DistData& line, double len, double sizeFactor, double& t,
                               double& prevP, PathPoint& p0, PixelRange& reached) {
    ChainRun ahead;
    if (!StraightRunAhead(ahead)) {
        return;
    }
    double steps = StepsBeyondCanvas(p0, ahead);
    if (!ahead.beyond[0] && !ahead.beyond[1]) {
        return;  // the chain may be over the canvas
    }
    // Leave the last steps of the stretch, of the piece and of the chain to the plain walk.
    steps = std::floor(std::min({steps, len - t, ahead.room})) - 2.0;
    double diameter = 0.0;
    if (!SettleCrossing(line, len, sizeFactor, t, prevP, p0, ahead, steps, diameter)) {
        return;
    }
    if (!(diameter < kSmallestDab)) {
        reached.Unite(run.strokes->WidenDirtyRect(p0.x, p0.y, diameter));
    }
    // Before the start every step is an exact addition (the distance only shrinks in size),
    // so one move lands where the single steps would; after the end the point stays beyond
    // the canvas, where its exact place no longer matters. Along a piece of over a million
    // pixels one move rounds differently from a million steps: there only the point's last
    // bits differ from stepping, which itself drifts by rounding over such distances.
    p0 = path.MoveNext(steps);
    t += steps;
    prevP = GetPressure(t - 1.0, len, line.taperIn, line.taperOut, sizeFactor);
}

void PathTask::SkipDabFreePieces(const DistData& line, double len, double sizeFactor, double& t,
                                 double& prevP, PathPoint& p0, const PixelRange& reached) {
    // Skipped dabs would only widen the rectangle, and this task has already widened it to the
    // whole canvas: its bounds can move no further, whatever other tasks do.
    const PixelRange whole = run.strokes->NoRange();
    if (reached.x0 != 0 || reached.y0 != 0 || reached.x1 != whole.x0 || reached.y1 != whole.y0) {
        return;
    }
    const auto& pieces = path.lineSegments;
    const int32_t index = path.lineIndex;
    if (index < 0 || static_cast<size_t>(index) >= pieces.size() || !(path.walkDistance >= 0.0) ||
        nextNearDabs.size() != pieces.size() + 1) {
        return;
    }
    // Test the rest of each piece once per chain step onto it: pieces near the canvas are
    // stepped pixel by pixel, and their rest would be tested at every step.
    if (index == chainPieceTested) {
        return;
    }
    chainPieceTested = index;
    const double reach = PenReach(param->size);
    if (PieceNearsCanvas({path.currentPoint, pieces[static_cast<size_t>(index)].end, 0.0}, reach)) {
        return;
    }
    const size_t next = static_cast<size_t>(nextNearDabs[static_cast<size_t>(index) + 1]);
    const double until = next < pieces.size() ? pieceStart[next] : path.totalLength;
    // Leave the last steps before the next piece, and of the chain, to the plain walk. As with
    // the scan's long unseen stretches, only the rounding of the walk's point can differ from
    // stepping, and only on runs of tens of thousands of pixels off the canvas.
    const double steps = std::floor(std::min(until - path.walkDistance, len - t)) - 2.0;
    if (!(steps > kLongStretchSteps)) {
        return;
    }
    p0 = path.MoveNext(steps);
    t += steps;
    prevP = GetPressure(t - 1.0, len, line.taperIn, line.taperOut, sizeFactor);
}
