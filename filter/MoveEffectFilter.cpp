// MoveEffectFilter: parameters, targets, base image, progress and the order of a run.
#include "filter/MoveEffectFilter.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <new>
#include <type_traits>

void CallocDeleter::operator()(void* p) const noexcept {
    std::free(p);
}

MoveEffectFilter::MoveEffectFilter(const MoveEffectParam& effectParam, unsigned workerCount)
    : param(effectParam), pool(workerCount), rasteriser(effectParam.hardness) {
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
}

void MoveEffectFilter::SetProgressCallback(ProgressCallback proc, void* user) {
    progressProc = proc;
    progressUser = user;
}

namespace {

int ChannelsOf(int colorMode) {
    switch (colorMode) {
        case 0:
            return 4;
        case 1:
            return 2;
        case 2:
            return 5;
        default:
            return 1;
    }
}

int ChannelWidthOf(int depth) {
    switch (depth) {
        case VELTRIX_DEPTH_U16:
        case VELTRIX_DEPTH_HALF:
            return 2;
        case VELTRIX_DEPTH_FLOAT:
            return 4;
        default:
            return 1;
    }
}

}  // namespace

void MoveEffectFilter::SetBaseImage(const MoveEffectImageParam* image) {
    // A negative size counts as no base image, like a null pixel pointer.
    if (image == nullptr || image->pixels == nullptr || image->width < 0 || image->height < 0) {
        return;
    }
    const size_t pixelCount =
        static_cast<size_t>(image->width) * static_cast<size_t>(image->height);
    // Allocate first: if it fails, the filter keeps whatever base image it had. calloc hands
    // large blocks out as fresh zero pages, so the buffer costs only the pages lines touch
    // instead of a 16 MiB clearing on the calling thread; a byte of zeros is a valid atomic.
    static_assert(sizeof(std::atomic<uint8_t>) == 1 &&
                      std::is_trivially_default_constructible<std::atomic<uint8_t>>::value,
                  "coverage bytes are plain zeroed bytes");
    std::unique_ptr<std::atomic<uint8_t>[], CallocDeleter> buffer(
        static_cast<std::atomic<uint8_t>*>(std::calloc(pixelCount == 0 ? 1 : pixelCount, 1)));
    const size_t floorCount = static_cast<size_t>(FloorTilesAcross(image->width)) *
                              static_cast<size_t>(FloorTilesAcross(image->height));
    std::unique_ptr<std::atomic<uint8_t>[], CallocDeleter> floors(
        static_cast<std::atomic<uint8_t>*>(std::calloc(floorCount == 0 ? 1 : floorCount, 1)));
    if (!buffer || !floors) {
        throw std::bad_alloc();
    }

    BaseImage next;
    next.colorMode = image->colorMode;
    next.depth = image->depth;
    next.invertGray = image->invertGray != 0;
    next.pixels = static_cast<const uint8_t*>(image->pixels);
    next.width = image->width;
    next.height = image->height;
    next.rowBytes = image->rowBytes;
    const int count =
        image->channelCount < 0 ? 0 : (image->channelCount > 5 ? 5 : image->channelCount);
    const int channels = ChannelsOf(next.colorMode);
    for (int i = 0; i < count && image->channelOrder != nullptr; ++i) {
        // An index past the pixel's channels would read outside the pixel: it counts as 0.
        const uint8_t index = image->channelOrder[i];
        next.channelOrder[i] = index < channels ? index : 0;
    }
    next.bytesPerPixel = channels * ChannelWidthOf(next.depth);
    next.maskDepth = image->maskDepth;
    next.maskRowBytes = image->maskRowBytes;
    next.mask = static_cast<const uint8_t*>(image->mask);

    baseImage = next;
    strokeBuffer = std::move(buffer);
    coverageFloors = std::move(floors);
    strokeBufferFull.store(false, std::memory_order_relaxed);
    minX.store(baseImage.width, std::memory_order_relaxed);
    minY.store(baseImage.height, std::memory_order_relaxed);
    maxX.store(0, std::memory_order_relaxed);
    maxY.store(0, std::memory_order_relaxed);
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
    if (baseImage.pixels == nullptr) {
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
    pool.SetProgressCallback(&MoveEffectFilter::OnProgress, this);
    // Long rings and short ones mixed: the longest first, so no worker idles at the end while
    // another still walks a long path.
    pool.HandOutCostliestFirst(true);
    pool.Run();
}
