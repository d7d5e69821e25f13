// Thread pool: progress, cancellation, failures and the order of hand-out.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include "Latch.h"

namespace {

class FunctionTask : public ThreadPoolTask {
  public:
    explicit FunctionTask(std::function<void(const ThreadPoolTask&)> body, double cost = 0.0)
        : body_(std::move(body)) {
        costHint = cost;
    }
    void Run() override { body_(*this); }

  private:
    std::function<void(const ThreadPoolTask&)> body_;
};

// A task that counts its run unless it was cancelled.
std::shared_ptr<ThreadPoolTask> Counting(std::atomic<int>& ran) {
    return std::make_shared<FunctionTask>(
        [&ran](const ThreadPoolTask& t) { ran += t.IsCancelled() ? 0 : 1; });
}

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

TEST(ThreadPool, FailureIsRethrownAfterEveryTaskEndedAndReported) {
    ThreadPool pool(2);
    ProgressLog log;
    pool.SetProgressCallback(&ProgressLog::Record, &log);
    pool.Run();  // no tasks: returns at once without progress
    EXPECT_TRUE(log.calls.empty());
    std::atomic<int> ran{0};
    pool.Enqueue(std::make_shared<FunctionTask>([](auto&) { throw std::runtime_error("x"); }));
    for (int i = 0; i < 8; ++i) {
        pool.Enqueue(Counting(ran));
    }
    EXPECT_THROW(pool.Run(), std::runtime_error);
    std::vector<std::pair<int, int>> expected;
    for (int i = 1; i <= 9; ++i) {
        expected.emplace_back(9, i);
    }
    EXPECT_EQ(log.calls, expected);
    pool.Enqueue(Counting(ran));  // the pool stays usable
    const int before = ran;
    pool.Run();
    EXPECT_EQ(ran, before + 1);
}

TEST(ThreadPool, CancelFromProgressReachesEveryTaskNotYetStartedAndRunWaitsForAll) {
    // One worker: the first task ends, the next one holds the worker until the cancel that
    // the first progress call asks for; the other three are still queued then.
    ThreadPool pool(1);
    std::atomic<int> ran{0};
    Latch gate;
    pool.Enqueue(Counting(ran));
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
    ASSERT_EQ(log.calls.size(), 5u);  // every ending task is still reported
    EXPECT_EQ(log.calls.back(), std::make_pair(5, 5));
}

TEST(ThreadPool, SingleThreadedRunStopsWhenProgressCancelsAndDropsTheRest) {
    ThreadPool pool(1);
    std::atomic<int> ran{0};
    std::vector<std::shared_ptr<ThreadPoolTask>> tasks(5);
    for (auto& task : tasks) {
        pool.Enqueue(task = Counting(ran));
    }
    ProgressLog log;
    log.cancelAt = 2;
    pool.SetProgressCallback(&ProgressLog::Record, &log);
    pool.RunAsSingleThread();
    EXPECT_EQ(ran, 2);
    EXPECT_EQ(std::make_pair(pool.GetTotalTasks(), pool.GetCompletedTasks()), std::make_pair(5, 2));
    EXPECT_TRUE(tasks[2]->IsCancelled() && tasks[3]->IsCancelled() && tasks[4]->IsCancelled());
    EXPECT_TRUE(pool.QueuedTasks().empty());
}

TEST(ThreadPool, HandsOutTheCostliestFirstWhenAskedAndFrontFirstOtherwise) {
    for (const bool costliestFirst : {true, false}) {
        ThreadPool pool(1);  // one worker starts the tasks in hand-out order
        std::vector<int> order;
        const double costs[] = {1.0, 5.0, 3.0, 5.0, 0.0};
        for (int id = 0; id < 5; ++id) {
            pool.Enqueue(std::make_shared<FunctionTask>(
                [&order, id](auto&) { order.push_back(id); }, costs[id]));
        }
        pool.HandOutCostliestFirst(costliestFirst);
        pool.Run();
        const std::vector<int> expected =
            costliestFirst ? std::vector<int>{1, 3, 2, 0, 4} : std::vector<int>{0, 1, 2, 3, 4};
        EXPECT_EQ(order, expected);
    }
}

}  // namespace
