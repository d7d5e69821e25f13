// Thread pool: progress order, cancellation, single-threaded runs, failures, shutdown and the
// costliest-first hand-out.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "Latch.h"
#include "threadpool/ThreadPool.h"

namespace {

class CountingTask : public ThreadPoolTask {
  public:
    explicit CountingTask(std::atomic<int>* ran) : ran_(ran) {}
    void Run() override {
        if (!IsCancelled()) {
            ran_->fetch_add(1);
        }
    }

  private:
    std::atomic<int>* ran_;
};

class ThrowingTask : public ThreadPoolTask {
  public:
    void Run() override { throw std::runtime_error("task failed"); }
};

struct ProgressLog {
    std::vector<std::pair<int, int>> calls;
    int cancelAfter = -1;  // return 0 on this call (1-based), -1 never
};

int RecordProgress(int total, int completed, void* user) {
    auto* log = static_cast<ProgressLog*>(user);
    log->calls.emplace_back(total, completed);
    return static_cast<int>(log->calls.size()) == log->cancelAfter ? 0 : 1;
}

TEST(ThreadPool, ReportsProgressOncePerTaskWithTheTotal) {
    ThreadPool pool(2);
    ProgressLog log;
    pool.SetProgressCallback(&RecordProgress, &log);
    pool.Run();  // no tasks: returns at once without progress
    EXPECT_TRUE(log.calls.empty());
    std::atomic<int> ran{0};
    for (int i = 0; i < 3; ++i) {
        pool.Enqueue(std::make_shared<CountingTask>(&ran));
    }
    pool.Run();
    EXPECT_EQ(ran.load(), 3);
    const std::vector<std::pair<int, int>> expected = {{3, 1}, {3, 2}, {3, 3}};
    EXPECT_EQ(log.calls, expected);
}

TEST(ThreadPool, CancelAtFirstProgressReachesEveryTaskNotYetStarted) {
    // One worker: the first task finishes, the other four wait behind a gate that only the
    // cancel that the progress callback asks for opens.
    ThreadPool pool(1);
    std::atomic<int> ran{0};
    Latch gate;
    pool.Enqueue(std::make_shared<CountingTask>(&ran));
    for (int i = 0; i < 4; ++i) {
        pool.Enqueue(std::make_shared<GatedTask>(&gate, &ran));
    }
    ProgressLog log;
    log.cancelAfter = 1;
    pool.SetProgressCallback(&RecordProgress, &log);
    pool.Run();
    EXPECT_EQ(ran.load(), 1);
    // Every ending task is still reported after the cancel.
    ASSERT_EQ(log.calls.size(), 5u);
    EXPECT_EQ(log.calls.back(), std::make_pair(5, 5));
}

TEST(ThreadPool, SingleThreadedRunStopsWhenProgressCancels) {
    ThreadPool pool(1);
    std::atomic<int> ran{0};
    std::vector<std::shared_ptr<CountingTask>> tasks;
    for (int i = 0; i < 5; ++i) {
        tasks.push_back(std::make_shared<CountingTask>(&ran));
        pool.Enqueue(tasks.back());
    }
    ProgressLog log;
    log.cancelAfter = 2;
    pool.SetProgressCallback(&RecordProgress, &log);
    pool.RunAsSingleThread();
    EXPECT_EQ(ran.load(), 2);
    EXPECT_EQ(pool.GetTotalTasks(), 5);
    EXPECT_EQ(pool.GetCompletedTasks(), 2);
    for (int i = 2; i < 5; ++i) {
        EXPECT_TRUE(tasks[i]->IsCancelled());
    }
    // The cancelled tasks were dropped from the queue: another run does nothing.
    pool.Run();
    EXPECT_EQ(ran.load(), 2);
}

TEST(ThreadPool, ExceptionFromATaskIsRethrownAfterEveryTaskEnded) {
    ThreadPool pool(2);
    std::atomic<int> ran{0};
    pool.Enqueue(std::make_shared<ThrowingTask>());
    for (int i = 0; i < 8; ++i) {
        pool.Enqueue(std::make_shared<CountingTask>(&ran));
    }
    ProgressLog log;
    pool.SetProgressCallback(&RecordProgress, &log);
    EXPECT_THROW(pool.Run(), std::runtime_error);
    // Run returned only after all nine jobs ended.
    EXPECT_EQ(log.calls.size(), 9u);
    // The pool stays usable.
    pool.Enqueue(std::make_shared<CountingTask>(&ran));
    const int before = ran.load();
    pool.Run();
    EXPECT_EQ(ran.load(), before + 1);
}

TEST(ThreadPool, IdlePoolsJoinTheirWorkers) {
    for (unsigned workers : {1u, 2u, 8u}) {
        ThreadPool pool(workers);  // destroyed idle: must not hang
        EXPECT_EQ(pool.GetWorkerCount(), workers);
    }
}

// Records the order in which one worker starts the tasks.
class OrderedTask : public ThreadPoolTask {
  public:
    OrderedTask(int id, double cost, std::vector<int>* order, std::mutex* lock)
        : id_(id), order_(order), lock_(lock) {
        costHint = cost;
    }
    void Run() override {
        std::lock_guard<std::mutex> guard(*lock_);
        order_->push_back(id_);
    }

  private:
    int id_;
    std::vector<int>* order_;
    std::mutex* lock_;
};

std::vector<int> RunOrder(bool costliestFirst) {
    std::vector<int> order;
    std::mutex lock;
    ThreadPool pool(1);
    const double costs[] = {1.0, 5.0, 3.0, 5.0, 0.0};
    for (int id = 0; id < 5; ++id) {
        pool.Enqueue(std::make_shared<OrderedTask>(id, costs[id], &order, &lock));
    }
    pool.HandOutCostliestFirst(costliestFirst);
    pool.Run();
    return order;
}

TEST(PoolScheduling, HandsOutTheCostliestFirstWhenAskedAndFrontFirstOtherwise) {
    EXPECT_EQ(RunOrder(true), (std::vector<int>{1, 3, 2, 0, 4}));
    EXPECT_EQ(RunOrder(false), (std::vector<int>{0, 1, 2, 3, 4}));
}

}  // namespace
