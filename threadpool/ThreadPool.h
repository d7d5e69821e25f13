// ThreadPool: runs a batch of tasks on worker threads, reports progress, passes cancels on.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <future>
#include <list>
#include <memory>
#include <mutex>
#include <queue>
#include <thread>
#include <vector>

#include "threadpool/ThreadPoolTask.h"

/// A fixed set of workers for one run. Enqueue, SetProgressCallback, Run, RunAsSingleThread and
/// Cancel are called from one thread (the one that owns the pool); progress is reported there.
class ThreadPool {
  public:
    using ProgressProc = int (*)(int total, int completed, void* user);

    /// Starts `workerCount` workers; 0 means one per hardware thread (4 if that is unknown).
    /// If a worker cannot be started, the ones already running are joined and the error thrown.
    explicit ThreadPool(unsigned workerCount = 0);
    /// Stops the workers after every queued job has run, and joins them in creation order.
    ~ThreadPool();

    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    /// Queues a task for the next Run; wakes nobody.
    void Enqueue(std::shared_ptr<ThreadPoolTask> task);
    void SetProgressCallback(ProgressProc proc, void* user);

    /// Makes Run hand out the tasks of the largest CostClass first (in queue order within a
    /// class) instead of front first.
    void HandOutCostliestFirst(bool enable);
    /// Makes Run deal each run of tasks of one CostClass out of `stripes` equal stretches of
    /// it, one task from each in turn, so that workers that take tasks one after another run
    /// tasks far apart in the queue at once. 0 and 1 keep the queue order.
    void DealInStripes(unsigned stripes);
    /// The power of two of a costHint (frexp's exponent); the lowest class for costs of 0 or
    /// less and NaN, the highest for infinity.
    static int CostClass(double cost);

    /// Runs every queued task on the workers and returns when all have ended. Progress is
    /// reported once per finished task, in the order the caller sees them finish (it looks
    /// every 10 ms and at the end); a 0 from it cancels the rest.
    /// If a task throws, the others are cancelled, all are awaited, then the first exception
    /// is rethrown here.
    void Run();
    /// Runs every queued task on the calling thread, one after the other.
    void RunAsSingleThread();
    /// Cancels and drops the queued tasks, and cancels the running ones.
    void Cancel();

    int GetTotalTasks() const { return totalTasks.load(std::memory_order_acquire); }
    int GetCompletedTasks() const { return completedTasks.load(std::memory_order_acquire); }
    size_t GetWorkerCount() const { return workers.size(); }
    /// The tasks waiting for the next Run, front first (for inspection; the pool keeps them).
    std::vector<std::shared_ptr<ThreadPoolTask>> QueuedTasks();

    /// The worker count for `requested` (0: hardware threads, or 4 when unknown).
    static unsigned ResolveWorkerCount(unsigned requested);

  private:
    struct Completion;
    /// What Run keeps while it waits for a batch; used on the calling thread only.
    struct RunState {
        std::vector<std::future<void>> signals;  ///< one per task not yet collected
        int total = 0;
        int completed = 0;
        std::exception_ptr failure;  ///< the first exception a task threw
        bool cancelSent = false;     ///< the progress function has asked for a cancel
    };

    void WorkerLoop();
    // The steps of Run.
    /// Empties `tasks` in hand-out order. Called with queueMutex held.
    std::vector<std::shared_ptr<ThreadPoolTask>> TakeQueuedTasks();
    /// `batch` dealt in `count` stripes per run of one cost class (see DealInStripes).
    static std::vector<std::shared_ptr<ThreadPoolTask>> Dealt(
        std::vector<std::shared_ptr<ThreadPoolTask>> batch, unsigned count);
    /// Moves the queued tasks to `running` and their jobs to `jobs` under one lock; returns
    /// one completion signal per task. Wakes nobody.
    std::vector<std::future<void>> HandOut();
    /// A worker's bookkeeping after a job of `batch`: counts it down, wakes the caller at the
    /// last one or a failure.
    void FinishJob(Completion& batch, bool threw);
    /// One pass over the signals: collects and removes each finished one.
    void CollectFinished(RunState& run);
    /// Keeps a failure, reports progress and passes a cancel on for one finished task.
    void Collect(std::future<void>& signal, RunState& run);
    /// Sleeps up to 10 ms, less when the batch ends or an uncollected failure appears.
    void WaitForCompletion(bool failureSeen);

    std::list<std::thread> workers;
    std::queue<std::shared_ptr<ThreadPoolTask>> tasks;
    std::queue<std::function<void()>> jobs;
    std::vector<std::shared_ptr<ThreadPoolTask>> running;
    std::mutex queueMutex;
    std::condition_variable wakeup;
    bool stopping = false;
    std::atomic<int32_t> totalTasks{0};
    std::atomic<int32_t> completedTasks{0};
    void* progressUser = nullptr;
    ProgressProc progressProc = nullptr;
    bool costliestFirst = false;
    unsigned stripes = 1;

    // Lets Run wait for the end of its batch (or a failure) instead of sleeping a fixed 10 ms.
    struct Completion {
        size_t unfinished = 0;  ///< tasks of the batch still queued or running
        bool failed = false;    ///< a task of the batch threw
    };
    std::mutex completionMutex;  ///< guards every Completion
    std::condition_variable completion;
    std::shared_ptr<Completion> currentBatch;  ///< the batch Run is waiting for
};
