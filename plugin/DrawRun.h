// DrawRun: one DrawEffect call with run options, for the entry points and internal callers.
#pragma once

#include <veltrix/veltrix.h>

#include "filter/RunOptions.h"

/// What DrawEffect does, with `options` in place of the defaults. Null records draw nothing.
/// Throws nothing: failures end the call with whatever the layer then holds.
void DrawRun(const RunOptions& options, const MoveEffectParam* param, const PointTarget* target,
             const char* guide, const MoveEffectImageParam* image,
             const MoveEffectCanvasParam* canvas, ProgressCallback progress, void* user) noexcept;
