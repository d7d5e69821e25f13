// LineRecorder: the lines a run drew, as points with diameters, gathered for the host's sink.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include <veltrix/veltrix.h>

/// One drawn line: its dab centres (thinned) with the diameters those dabs used.
struct RecordedLine {
    int64_t pathIndex;
    int32_t order;  ///< the line's place among its path's lines
    std::vector<VeltrixLinePoint> points;
};

/// Collects the lines of one run from the workers, within a budget of points, and hands them
/// out in a fixed order once the run has ended. Add and Reserve are thread-safe.
class LineRecorder {
  public:
    /// Consecutive points closer than this (pixels) are merged into the first, which keeps the
    /// larger diameter.
    static constexpr double kThinning = 0.75;

    explicit LineRecorder(int64_t maxPoints) : budget(maxPoints) {}

    /// Grants up to `count` points from the budget; fewer (possibly 0) once it runs out, and
    /// from then on the output counts as cut.
    int64_t Reserve(int64_t count);
    /// Takes a task's finished lines.
    void Add(std::vector<RecordedLine>&& lines);

    /// Whether the budget cut any line short or left one out.
    bool Cut() const { return cut.load(std::memory_order_relaxed); }
    /// Every line, by path index and then by order on its path. Call after the run.
    std::vector<RecordedLine> TakeSorted();

  private:
    std::atomic<int64_t> budget;
    std::atomic<bool> cut{false};
    std::mutex mutex;
    std::vector<RecordedLine> lines;
};
