// Benchmark plumbing: smoke mode, deferred registration, worker counts.
#pragma once

#include <benchmark/benchmark.h>

#include <vector>

#include "filter/RunOptions.h"

namespace bench {

/// Options of a run on one worker.
inline RunOptions OneWorker() {
    RunOptions options;
    options.workers = 1;
    return options;
}

/// Smoke mode runs every benchmark once at a small size: the check that they all still work.
bool Smoke();
void SetSmoke(bool smoke);

/// Keeps a function that registers benchmarks; RegisterAll calls them once the mode is known.
bool AddRegistrar(void (*registrar)());
void RegisterAll();

/// Settings every benchmark shares: one iteration in smoke mode.
benchmark::internal::Benchmark* Configure(benchmark::internal::Benchmark* benchmark);

/// The worker counts every scene runs at: 1 and one per hardware thread.
std::vector<unsigned> WorkerCounts();

}  // namespace bench
