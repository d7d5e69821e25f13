// RunOptions: how one drawing run is carried out, beside what it draws.
#pragma once

#include "filter/raster/StrokeBuffer.h"
#include "task/LineRecorder.h"
#include "task/Random.h"

/// Settings of one run that hosts of the C interface do not choose; the defaults are what
/// DrawEffect uses. Tests and benchmarks set the others.
struct RunOptions {
    /// Worker threads; 0: one per hardware thread.
    unsigned workers = 0;
    /// See TaskEnvironment::crossUnseenStretches.
    bool crossUnseenStretches = true;
    /// Where the random sources start: the system device, or a seed.
    RandomSeeds seeds;
    /// Receives the drawn lines; null when nobody asked for them. Not owned.
    LineRecorder* lines = nullptr;
    /// How the stroke buffer stamps (kernel choice, a plugged line rasteriser).
    RasterOptions raster;
};
