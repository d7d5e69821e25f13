// RunOptions: how one drawing run is carried out, beside what it draws.
#pragma once

#include "filter/raster/StrokeBuffer.h"

/// Settings of one run that hosts of the C interface do not choose; the defaults are what
/// DrawEffect uses. Tests and benchmarks set the others.
struct RunOptions {
    /// Worker threads; 0: one per hardware thread.
    unsigned workers = 0;
    /// See TaskEnvironment::crossUnseenStretches.
    bool crossUnseenStretches = true;
    /// How the stroke buffer stamps (kernel choice, a plugged line rasteriser).
    RasterOptions raster;
};
