// MoveEffectFilter: parameters, targets, base image, progress and the order of a run.
#include "filter/MoveEffectFilter.h"

#include <cmath>
#include <cstdint>

#include "filter/layout/EllipseGeometry.h"
#include "filter/layout/Layouts.h"
#include "filter/raster/Compositing.h"
#include "filter/raster/HalfFloat.h"
#include "filter/raster/LineSweep.h"

MoveEffectFilter::MoveEffectFilter(const MoveEffectParam& effectParam, const RunOptions& options)
    : param(effectParam),
      strokes(effectParam.size, effectParam.hardness, options.raster),
      pool(options.workers),
      tasks{&param,        nullptr,      &base, &marks, &strokes, options.crossUnseenStretches,
            options.seeds, options.lines} {
    if (!param.asdist) {
        // Fractions of half the line: at most 1. NaN fails the comparison and becomes 1 too.
        if (!(param.in < 1.0)) {
            param.in = 1.0;
        }
        if (!(param.out < 1.0)) {
            param.out = 1.0;
        }
    }
}

MoveEffectFilter::~MoveEffectFilter() = default;

void MoveEffectFilter::SetTarget(const PointTarget& target) {
    switch (param.type) {
        case VELTRIX_TYPE_PARALLEL:
            SetTarget(ParallelTarget{target.p1, target.p2, target.p3});
            break;
        case VELTRIX_TYPE_CIRCLE: {
            CircleTarget circle{};
            CreateCircleParam(&target, &circle);
            SetTarget(circle);
            break;
        }
        default:
            SetTarget(RadiateTarget{target.p1, target.p2, target.p3});
            break;
    }
}

void MoveEffectFilter::SetTarget(const CircleTarget& target) {
    circleTarget = std::make_unique<CircleTarget>(target);
}

void MoveEffectFilter::SetTarget(const ParallelTarget& target) {
    parallelTarget = std::make_unique<ParallelTarget>(target);
}

void MoveEffectFilter::SetTarget(const RadiateTarget& target) {
    radiateTarget = std::make_unique<RadiateTarget>(target);
}

void MoveEffectFilter::CreateCircleParam(const PointTarget* target, CircleTarget* circle) {
    const TargetPoint& p1 = target->p1;
    const TargetPoint& p2 = target->p2;
    const TargetPoint& p3 = target->p3;
    // The sums are formed in 64 bits so points near the int32 limits cannot overflow; the
    // truncating division then gives the same centre as 32-bit arithmetic wherever that fits.
    circle->centerX = static_cast<int32_t>((static_cast<int64_t>(p1.x) + p2.x) / 2);
    circle->centerY = static_cast<int32_t>((static_cast<int64_t>(p1.y) + p2.y) / 2);
    // Integer differences as doubles: exact, and free of int32 overflow.
    const double cx = circle->centerX;
    const double cy = circle->centerY;
    circle->radiusX = std::hypot(p1.x - cx, p1.y - cy);
    circle->angle = std::atan2(static_cast<double>(p2.y) - p1.y, static_cast<double>(p2.x) - p1.x);
    const double dx = p3.x - cx;
    const double dy = p3.y - cy;
    const double c = std::cos(circle->angle);
    const double s = std::sin(circle->angle);
    const double u = c * dx + s * dy;
    const double v = c * dy - s * dx;
    const double k = 1.0 - u * u / (circle->radiusX * circle->radiusX);
    circle->radiusY = k > 0.0 ? std::sqrt(v * v / k) : circle->radiusX;
    circle->startAngle = std::atan2(dy, dx);
}

void MoveEffectFilter::AttachGuide(PathParser* attached) {
    guide = attached;
    tasks.guide = attached;
}

void MoveEffectFilter::SetProgressCallback(ProgressCallback proc, void* user) {
    progressProc = proc;
    progressUser = user;
}

void MoveEffectFilter::SetBaseImage(const MoveEffectImageParam* image) {
    BaseImageSampler next;
    if (!next.Set(image)) {
        return;
    }
    // Allocate first: if it fails, the filter keeps whatever base image it had.
    strokes.Reset(next.Image().width, next.Image().height);
    base = next;
}

int MoveEffectFilter::OnProgress(int total, int completed, void* user) {
    auto* filter = static_cast<MoveEffectFilter*>(user);
    if (filter->cancelled.load(std::memory_order_acquire)) {
        return 0;
    }
    bool goOn = true;
    if (filter->progressProc != nullptr) {
        goOn = filter->progressProc(total, completed, filter->progressUser) != 0;
    }
    filter->cancelled.store(!goOn, std::memory_order_release);
    return goOn ? 1 : 0;
}

void MoveEffectFilter::ApplyEffect(bool /*unused*/) {
    if (!base.HasImage()) {
        return;
    }
    // The layouts and tasks read the guide; without one there is nothing to lay out.
    if (guide != nullptr) {
        switch (param.type) {
            case VELTRIX_TYPE_PARALLEL:
                CreateParallelPathTasks();
                break;
            case VELTRIX_TYPE_CIRCLE:
                CreateCirclePathTasks();
                break;
            default:
                CreateRadiatePathTasks();
                break;
        }
    }
    // A task's cost hint is about the length of its path, a sample per pixel.
    double samples = 0.0;
    for (const auto& task : pool.QueuedTasks()) {
        samples += task->costHint;
    }
    marks.Reset(base, samples);
    pool.SetProgressCallback(&MoveEffectFilter::OnProgress, this);
    // Long rings and short ones mixed: the longest first, so no worker idles at the end while
    // another still walks a long path.
    pool.HandOutCostliestFirst(true);
    // Layouts queue neighbouring lines one after another. Small pens' neighbouring lines write
    // the same cache lines of coverage, which two workers on them at once would pass back and
    // forth; dealt from one stretch of the queue per worker, lines run at once lie far apart.
    // Wide pens' lines overlap, and a worker gains more from the coverage its last line left in
    // its cache.
    pool.DealInStripes(LineSweep::Pays(param.size, param.hardness)
                           ? 1u
                           : static_cast<unsigned>(pool.GetWorkerCount()));
    pool.Run();
}

LayoutContext MoveEffectFilter::MakeLayoutContext() {
    return {param, *guide, strokes.Width(), strokes.Height(), tasks, pool};
}

void MoveEffectFilter::CreateCirclePathTasks() {
    ::CreateCirclePathTasks(MakeLayoutContext(), circleTarget.get());
}

void MoveEffectFilter::AppendCircleTask(const PathPoint& center, double angle, double startAngle,
                                        double radiusX, double radiusY) {
    ::AppendCircleTask(MakeLayoutContext(), circleTarget.get(), center, angle, startAngle, radiusX,
                       radiusY);
}

bool MoveEffectFilter::IsEllipseIn(const PathPoint& center, double radiusX, double radiusY,
                                   double angle) const {
    return ::IsEllipseIn(center, radiusX, radiusY, angle, strokes.Width(), strokes.Height());
}

bool MoveEffectFilter::LineIntersectsEllipse(const PathPoint& from, const PathPoint& to,
                                             const PathPoint& center, double radiusX,
                                             double radiusY, double angle) {
    return ::LineIntersectsEllipse(from, to, center, radiusX, radiusY, angle);
}

void MoveEffectFilter::CreateRadiatePathTasks() {
    ::CreateRadiatePathTasks(MakeLayoutContext(), radiateTarget.get());
}

void MoveEffectFilter::CreateParallelPathTasks() {
    ::CreateParallelPathTasks(MakeLayoutContext(), parallelTarget.get());
}

void MoveEffectFilter::DrawToCanvas(int colorMode, int depth, const uint8_t* color, uint8_t* pixels,
                                    int rowBytes, bool lastUse) {
    ::DrawToCanvas(strokes, pool, colorMode, depth, color, pixels, rowBytes, lastUse);
}

uint16_t MoveEffectFilter::Float32To16(float value) {
    return ::Float32To16(value);
}

float MoveEffectFilter::Float16To32(uint16_t value) {
    return ::Float16To32(value);
}
