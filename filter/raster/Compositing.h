// Compositing: a run's coverage written into the host's layer as its colour with coverage alpha.
#pragma once

#include <cstdint>

#include "filter/raster/StrokeBuffer.h"

class ThreadPool;

/// Clears the host's layer (width x height of the buffer, rows `rowBytes` apart, bottom-up when
/// negative) and writes `color` plus coverage alpha over the dirty rectangle, in the layer's
/// colour mode and encoding. Large layers are written in bands on the idle workers of `pool`
/// (called on the pool's owning thread, after the run). Writes nothing for a null layer, a
/// buffer without pixels or rows narrower than the canvas; an unknown encoding is only cleared.
/// With `lastUse`, the run needs the coverage no more: each row's bytes are zeroed just after
/// they are written out, while they are in cache and on every worker, which spares the serial
/// clearing when the buffer's memory goes back to the store.
void DrawToCanvas(StrokeBuffer& strokes, ThreadPool& pool, int colorMode, int depth,
                  const uint8_t* color, uint8_t* pixels, int rowBytes, bool lastUse);
