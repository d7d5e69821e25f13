// Internal settings of DrawEffect for tests and benchmarks.
#include "plugin/DrawOptions.h"

#include <atomic>

namespace {
std::atomic<unsigned> g_workerCount{0};
}  // namespace

void SetDrawWorkerCount(unsigned count) {
    g_workerCount.store(count, std::memory_order_relaxed);
}

unsigned GetDrawWorkerCount() {
    return g_workerCount.load(std::memory_order_relaxed);
}
