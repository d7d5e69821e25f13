// LineRecorder: the lines a run drew, gathered from the workers and sorted for the host.
#include "task/LineRecorder.h"

#include <algorithm>
#include <iterator>

int64_t LineRecorder::Reserve(int64_t count) {
    int64_t left = budget.load(std::memory_order_relaxed);
    int64_t granted = 0;
    do {
        granted = std::min(left, count);
    } while (granted > 0 &&
             !budget.compare_exchange_weak(left, left - granted, std::memory_order_relaxed));
    if (granted < count) {
        cut.store(true, std::memory_order_relaxed);
    }
    return std::max<int64_t>(granted, 0);
}

void LineRecorder::Add(std::vector<RecordedLine>&& taken) {
    std::lock_guard<std::mutex> lock(mutex);
    lines.insert(lines.end(), std::make_move_iterator(taken.begin()),
                 std::make_move_iterator(taken.end()));
}

std::vector<RecordedLine> LineRecorder::TakeSorted() {
    std::lock_guard<std::mutex> lock(mutex);
    std::sort(lines.begin(), lines.end(), [](const RecordedLine& a, const RecordedLine& b) {
        return a.pathIndex != b.pathIndex ? a.pathIndex < b.pathIndex : a.order < b.order;
    });
    return std::move(lines);
}
