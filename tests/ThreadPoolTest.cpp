// Thread pool: progress, cancellation and failures.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <vector>

#include "Latch.h"

namespace {

// Counts its run in `ran` unless it was cancelled; throws instead when `fails`.
struct CountingTask : ThreadPoolTask {
    explicit CountingTask(std::atomic<int>* ran, bool fails = false) : ran(ran), fails(fails) {}
    void Run() override {
        if (fails) {
            throw std::runtime_error("task failed");
        }
        *ran += IsCancelled() ? 0 : 1;
    }
    std::atomic<int>* ran;
    bool fails;
};

// Records every progress call; answers 0 (cancel) on call number `cancelAt`.
struct ProgressLog {
    std::vector<std::pair<int, int>> calls;
    size_t cancelAt = 0;
    static int Record(int total, int completed, void* user) {
        auto* log = static_cast<ProgressLog*>(user);
        log->calls.emplace_back(total, completed);
        return log->calls.size() == log->cancelAt ? 0 : 1;
    }
};

TEST(ThreadPool, FailureIsRethrownAfterEveryTaskEndedAndWasReported) {
    ThreadPool pool(2);
    ProgressLog log;
    pool.SetProgressCallback(&ProgressLog::Record, &log);
    pool.Run();  // no tasks: returns at once without progress
    std::atomic<int> ran{0};
    for (int i = 0; i < 3; ++i) {
        pool.Enqueue(std::make_shared<CountingTask>(&ran, i == 0));
    }
    EXPECT_THROW(pool.Run(), std::runtime_error);
    EXPECT_EQ(log.calls, (std::vector<std::pair<int, int>>{{3, 1}, {3, 2}, {3, 3}}));
}

TEST(ThreadPool, CancelFromProgressReachesEveryTaskNotYetStartedAndRunWaitsForAll) {
    // One worker: the first task ends, the next one holds the worker until the cancel that
    // the first progress call asks for; the other three are still queued then.
    ThreadPool pool(1);
    std::atomic<int> ran{0};
    Latch gate;
    pool.Enqueue(std::make_shared<CountingTask>(&ran));
    std::vector<std::shared_ptr<ThreadPoolTask>> gated(4);
    for (auto& task : gated) {
        pool.Enqueue(task = std::make_shared<GatedTask>(&gate));
    }
    ProgressLog log;
    log.cancelAt = 1;
    pool.SetProgressCallback(&ProgressLog::Record, &log);
    pool.Run();
    for (const auto& task : gated) {
        EXPECT_TRUE(task->IsCancelled());
    }
    EXPECT_EQ(log.calls.size(), 5u);  // every ending task is still reported
}

// The order in which one worker runs tasks of these costs (ids by queue position), handed out
// costliest first and dealt in `stripes`.
std::vector<int> HandOutOrder(const std::vector<double>& costs, unsigned stripes) {
    struct OrderTask : ThreadPoolTask {
        OrderTask(std::vector<int>* order, int id) : order(order), id(id) {}
        void Run() override { order->push_back(id); }
        std::vector<int>* order;
        int id;
    };
    ThreadPool pool(1);
    std::vector<int> order;
    for (size_t i = 0; i < costs.size(); ++i) {
        auto task = std::make_shared<OrderTask>(&order, static_cast<int>(i));
        task->costHint = costs[i];
        pool.Enqueue(task);
    }
    pool.HandOutCostliestFirst(true);
    pool.DealInStripes(stripes);
    pool.Run();
    return order;
}

// Costlier powers of two first, queue order within one, so that neighbouring lines of about one
// length stay together.
TEST(ThreadPool, CostliestFirstSortsByPowerOfTwoAndKeepsQueueOrderWithinOne) {
    EXPECT_EQ(HandOutOrder({3, 5, 100, 6, 70, 0, NAN, INFINITY, -2}, 1),
              (std::vector<int>{7, 2, 4, 1, 3, 0, 5, 6, 8}));
}

TEST(ThreadPool, StripesDealEachCostClassFromEqualStretchesInTurn) {
    // Seven tasks of one class, in stretches of 3, 3 and 1, and two costlier ones handed out
    // first in stretches of one.
    EXPECT_EQ(HandOutOrder({5, 5, 5, 5, 5, 5, 5, 100, 100}, 3),
              (std::vector<int>{7, 8, 0, 3, 6, 1, 4, 2, 5}));
}

}  // namespace
