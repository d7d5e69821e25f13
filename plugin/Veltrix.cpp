// The exported drawing entry points. No exception may leave them.
#include <veltrix/veltrix.h>

#include "filter/MoveEffectFilter.h"
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
        PathParser* parser = FindOrLoadGuide(guide);

        MoveEffectFilter filter(*param, options);
        filter.SetTarget(*target);
        if (parser != nullptr) {
            filter.AttachGuide(parser);
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
                            canvas->rowBytes);
    } catch (...) {
        // Out of memory or a thread that could not start: the call ends with no output.
    }
}

extern "C" {

VELTRIX_API void DrawEffect(const MoveEffectParam* param, const PointTarget* target,
                            const char* guide, const MoveEffectImageParam* image,
                            const MoveEffectCanvasParam* canvas, ProgressCallback progress,
                            void* user) noexcept {
    DrawRun(RunOptions{}, param, target, guide, image, canvas, progress, user);
}

VELTRIX_API void ReleaseGuides(void) noexcept {
    try {
        Guides().clear();
    } catch (...) {
    }
}

}  // extern "C"
