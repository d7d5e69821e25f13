// The exported drawing entry points. No exception may leave them.
#include <veltrix/veltrix.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

#include "filter/MoveEffectFilter.h"
#include "filter/raster/CoverageStore.h"
#include "plugin/DrawRun.h"
#include "plugin/GuideCache.h"

void DrawRun(const RunOptions& options, const MoveEffectParam* param, const PointTarget* target,
             const char* guide, const MoveEffectImageParam* image,
             const MoveEffectCanvasParam* canvas, ProgressCallback progress, void* user) noexcept {
    try {
        if (param == nullptr || target == nullptr || guide == nullptr || image == nullptr ||
            canvas == nullptr) {
            return;
        }
        // The run walks its own copy of the guide: other calls may walk theirs meanwhile.
        std::unique_ptr<PathParser> parser;
        if (const std::shared_ptr<const PathParser> cached = FindOrLoadGuide(guide)) {
            parser = std::make_unique<PathParser>(*cached);
        }

        MoveEffectFilter filter(*param, options);
        filter.SetTarget(*target);
        if (parser != nullptr) {
            filter.AttachGuide(parser.get());
        }
        if (progress != nullptr) {
            filter.SetProgressCallback(progress, user);
        }
        filter.SetBaseImage(image);
        try {
            filter.ApplyEffect(false);
        } catch (...) {
            // A failed task: the pool has cancelled and awaited every other task, so the
            // stroke buffer is quiet; the layer still gets what was drawn.
        }
        filter.DrawToCanvas(canvas->colorMode, canvas->depth, canvas->color, canvas->pixels,
                            canvas->rowBytes, true);
    } catch (...) {
        // Out of memory or a thread that could not start: the call ends with no output.
    }
}

namespace {

// The most points one run hands to a line sink: 24 bytes each, so at most 96 MiB, spent only
// when a host gives a sink. The typical 4096 x 4096 radiate scene needs about 330,000.
constexpr int64_t kMaxSinkPoints = int64_t{4} << 20;

// The most workers a host may ask for.
constexpr int32_t kMaxWorkers = 256;

// Whether the field ending `end` bytes into the record lies within both the host's record and
// ours.
bool Holds(uint32_t structSize, size_t end) {
    return end <= structSize && end <= sizeof(VeltrixDrawOptions);
}

RunOptions FromHost(const VeltrixDrawOptions& host) {
    RunOptions options;
    const uint32_t flags = host.flags;
    if ((flags & VELTRIX_OPTION_SEED) != 0 &&
        Holds(host.structSize, offsetof(VeltrixDrawOptions, seed) + sizeof host.seed)) {
        options.seeds = RandomSeeds(host.seed);
    }
    if (Holds(host.structSize, offsetof(VeltrixDrawOptions, workers) + sizeof host.workers) &&
        host.workers > 0) {
        options.workers = static_cast<unsigned>(std::min(host.workers, kMaxWorkers));
    }
    return options;
}

// Hands the recorded lines to the host's sink on this thread, in path and line order.
void Deliver(LineRecorder& recorder, VeltrixLineSink sink, void* user) {
    const std::vector<RecordedLine> lines = recorder.TakeSorted();
    for (size_t i = 0; i < lines.size(); ++i) {
        const RecordedLine& line = lines[i];
        VeltrixLine out{};
        out.pathIndex = line.pathIndex;
        out.lineIndex = line.order;
        out.pointCount = static_cast<int32_t>(line.points.size());
        out.flags =
            recorder.Cut() && i + 1 == lines.size() ? static_cast<uint32_t>(VELTRIX_LINE_CUT) : 0u;
        out.points = line.points.data();
        sink(&out, user);
    }
}

}  // namespace

extern "C" {

VELTRIX_API void DrawEffect(const MoveEffectParam* param, const PointTarget* target,
                            const char* guide, const MoveEffectImageParam* image,
                            const MoveEffectCanvasParam* canvas, ProgressCallback progress,
                            void* user) noexcept {
    DrawRun(RunOptions{}, param, target, guide, image, canvas, progress, user);
}

VELTRIX_API void DrawEffectWithOptions(const MoveEffectParam* param, const PointTarget* target,
                                       const char* guide, const MoveEffectImageParam* image,
                                       const MoveEffectCanvasParam* canvas,
                                       ProgressCallback progress, void* user,
                                       const VeltrixDrawOptions* options) noexcept {
    try {
        if (options == nullptr ||
            !Holds(options->structSize, offsetof(VeltrixDrawOptions, flags) + sizeof(uint32_t))) {
            DrawRun(RunOptions{}, param, target, guide, image, canvas, progress, user);
            return;
        }
        RunOptions run = FromHost(*options);
        std::unique_ptr<LineRecorder> recorder;
        const VeltrixLineSink sink =
            Holds(options->structSize,
                  offsetof(VeltrixDrawOptions, linesUser) + sizeof options->linesUser)
                ? options->lines
                : nullptr;
        if (sink != nullptr) {
            recorder = std::make_unique<LineRecorder>(kMaxSinkPoints);
            run.lines = recorder.get();
        }
        DrawRun(run, param, target, guide, image, canvas, progress, user);
        if (recorder != nullptr) {
            Deliver(*recorder, sink, options->linesUser);
        }
    } catch (...) {
        // Out of memory while gathering lines: the layer is drawn, the sink gets nothing more.
    }
}

VELTRIX_API void ReleaseGuides(void) noexcept {
    try {
        ClearGuides();
        coverage_store::Release();
    } catch (...) {
    }
}

}  // extern "C"
