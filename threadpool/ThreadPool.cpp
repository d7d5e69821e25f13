// ThreadPool: worker loop, batch hand-over, completion polling and cancellation.
#include "threadpool/ThreadPool.h"

#include <algorithm>
#include <cassert>
#include <chrono>
#include <cmath>
#include <exception>
#include <future>
#include <limits>

unsigned ThreadPool::ResolveWorkerCount(unsigned requested) {
    if (requested != 0) {
        return requested;
    }
    unsigned hardware = std::thread::hardware_concurrency();
    return hardware != 0 ? hardware : 4;
}

ThreadPool::ThreadPool(unsigned workerCount) {
    unsigned count = ResolveWorkerCount(workerCount);
    try {
        for (unsigned i = 0; i < count; ++i) {
            workers.emplace_back([this] { WorkerLoop(); });
        }
    } catch (...) {
        {
            std::lock_guard<std::mutex> lock(queueMutex);
            stopping = true;
        }
        wakeup.notify_all();
        for (auto& worker : workers) {
            worker.join();
        }
        throw;
    }
}

ThreadPool::~ThreadPool() {
    {
        std::lock_guard<std::mutex> lock(queueMutex);
        stopping = true;
    }
    wakeup.notify_all();
    for (auto& worker : workers) {
        worker.join();
    }
}

void ThreadPool::WorkerLoop() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock<std::mutex> lock(queueMutex);
            wakeup.wait(lock, [this] { return stopping || !jobs.empty(); });
            if (jobs.empty()) {
                return;  // stopping, and nothing left to run
            }
            job = std::move(jobs.front());
            jobs.pop();
        }
        job();
    }
}

void ThreadPool::Enqueue(std::shared_ptr<ThreadPoolTask> task) {
    std::lock_guard<std::mutex> lock(queueMutex);
    tasks.push(std::move(task));
}

void ThreadPool::HandOutCostliestFirst(bool enable) {
    costliestFirst = enable;
}

void ThreadPool::DealInStripes(unsigned count) {
    stripes = count;
}

void ThreadPool::SetProgressCallback(ProgressProc proc, void* user) {
    progressProc = proc;
    progressUser = user;
}

void ThreadPool::Run() {
    completedTasks.store(0, std::memory_order_release);
    RunState run;
    run.signals = HandOut();
    wakeup.notify_all();
    run.total = static_cast<int>(run.signals.size());
    while (!run.signals.empty()) {
        CollectFinished(run);
        if (!run.signals.empty()) {
            WaitForCompletion(run.failure != nullptr);
        }
    }
    assert(run.completed == run.total);
    {
        std::lock_guard<std::mutex> lock(queueMutex);
        running.clear();
    }
    if (run.failure) {
        std::rethrow_exception(run.failure);
    }
}

int ThreadPool::CostClass(double cost) {
    // Zero, negative, infinite and NaN costs take the ends; frexp's exponent is the power of
    // two.
    if (!(cost > 0.0)) {
        return std::numeric_limits<int>::min();
    }
    if (std::isinf(cost)) {
        return std::numeric_limits<int>::max();
    }
    int exponent = 0;
    std::frexp(cost, &exponent);
    return exponent;
}

std::vector<std::shared_ptr<ThreadPoolTask>> ThreadPool::TakeQueuedTasks() {
    std::vector<std::shared_ptr<ThreadPoolTask>> batch;
    batch.reserve(tasks.size());
    while (!tasks.empty()) {
        batch.push_back(std::move(tasks.front()));
        tasks.pop();
    }
    if (costliestFirst) {
        // By the power of two of the cost only, stable within one: the work left at the end is
        // then made of the shortest tasks, so the workers finish close together, while tasks
        // of about one cost keep the order they were queued in. Layouts queue neighbouring
        // lines one after another, and a worker's next line then reads rows of the base image
        // and the coverage that its last one brought into the caches and the TLB.
        std::stable_sort(
            batch.begin(), batch.end(),
            [](const std::shared_ptr<ThreadPoolTask>& a, const std::shared_ptr<ThreadPoolTask>& b) {
                return CostClass(a->costHint) > CostClass(b->costHint);
            });
    }
    if (stripes > 1) {
        batch = Dealt(std::move(batch), stripes);
    }
    return batch;
}

std::vector<std::shared_ptr<ThreadPoolTask>> ThreadPool::Dealt(
    std::vector<std::shared_ptr<ThreadPoolTask>> batch, unsigned count) {
    std::vector<std::shared_ptr<ThreadPoolTask>> dealt;
    dealt.reserve(batch.size());
    for (size_t from = 0; from < batch.size();) {
        const int costClass = CostClass(batch[from]->costHint);
        size_t to = from + 1;
        while (to < batch.size() && CostClass(batch[to]->costHint) == costClass) {
            ++to;
        }
        // Stripe s holds [from + s * length, from + (s + 1) * length), the last one fewer.
        const size_t length = (to - from + count - 1) / count;
        for (size_t i = 0; i < length; ++i) {
            for (size_t at = from + i; at < to; at += length) {
                dealt.push_back(std::move(batch[at]));
            }
        }
        from = to;
    }
    return dealt;
}

std::vector<std::future<void>> ThreadPool::HandOut() {
    std::lock_guard<std::mutex> lock(queueMutex);
    std::vector<std::shared_ptr<ThreadPoolTask>> batch = TakeQueuedTasks();
    std::vector<std::future<void>> signals;
    signals.reserve(batch.size());
    running.reserve(running.size() + batch.size());
    // This run's own count, so that a worker still finishing the bookkeeping of an earlier
    // run's last task cannot miscount this one.
    currentBatch = std::make_shared<Completion>();
    currentBatch->unfinished = batch.size();
    for (std::shared_ptr<ThreadPoolTask>& task : batch) {
        running.push_back(task);
        auto done = std::make_shared<std::promise<void>>();
        signals.push_back(done->get_future());
        jobs.push([this, task = std::move(task), done, state = currentBatch] {
            bool threw = false;
            try {
                task->Run();
                done->set_value();
            } catch (...) {
                threw = true;
                done->set_exception(std::current_exception());
            }
            FinishJob(*state, threw);
        });
    }
    return signals;
}

void ThreadPool::FinishJob(Completion& batch, bool threw) {
    // Only the last task, or a failing one, wakes the caller; it polls for the others'
    // progress, so a run of many short tasks does not pay a wake-up each.
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(completionMutex);
        assert(batch.unfinished > 0);
        batch.failed = batch.failed || threw;
        wake = --batch.unfinished == 0 || threw;
    }
    if (wake) {
        completion.notify_one();
    }
}

void ThreadPool::CollectFinished(RunState& run) {
    for (size_t i = 0; i < run.signals.size();) {
        if (run.signals[i].wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
            ++i;
            continue;
        }
        Collect(run.signals[i], run);
        // The same position is tested next.
        run.signals[i] = std::move(run.signals.back());
        run.signals.pop_back();
    }
}

void ThreadPool::Collect(std::future<void>& signal, RunState& run) {
    try {
        signal.get();
    } catch (...) {
        // Keep the first failure; stop the rest and rethrow once every job has ended, so no
        // worker still touches shared state when the caller unwinds.
        if (!run.failure) {
            run.failure = std::current_exception();
            Cancel();
        }
    }
    assert(run.completed < run.total);
    ++run.completed;
    // One cancel reaches every task of the run; repeating it for each later ending task would
    // walk all of them each time.
    if (progressProc != nullptr && progressProc(run.total, run.completed, progressUser) == 0 &&
        !run.cancelSent) {
        run.cancelSent = true;
        Cancel();
    }
}

void ThreadPool::WaitForCompletion(bool failureSeen) {
    // Polls every 10 ms, so progress reaches the host and a cancel passes on within about
    // 10 ms; the last completion (or a failure not yet collected) ends the wait at once.
    std::unique_lock<std::mutex> lock(completionMutex);
    completion.wait_for(lock, std::chrono::milliseconds(10), [&] {
        return currentBatch->unfinished == 0 || (currentBatch->failed && !failureSeen);
    });
}

void ThreadPool::RunAsSingleThread() {
    completedTasks.store(0, std::memory_order_release);
    {
        std::lock_guard<std::mutex> lock(queueMutex);
        totalTasks.store(static_cast<int32_t>(tasks.size()), std::memory_order_release);
    }
    for (;;) {
        std::shared_ptr<ThreadPoolTask> task;
        {
            std::lock_guard<std::mutex> lock(queueMutex);
            if (tasks.empty()) {
                break;
            }
            task = std::move(tasks.front());
            tasks.pop();
            running.push_back(task);
        }
        try {
            task->Run();
        } catch (...) {
            std::lock_guard<std::mutex> lock(queueMutex);
            running.clear();
            throw;
        }
        int done = completedTasks.fetch_add(1, std::memory_order_acq_rel) + 1;
        if (progressProc != nullptr &&
            progressProc(totalTasks.load(std::memory_order_acquire), done, progressUser) == 0) {
            Cancel();
            break;
        }
    }
    std::lock_guard<std::mutex> lock(queueMutex);
    running.clear();
}

void ThreadPool::Cancel() {
    std::lock_guard<std::mutex> lock(queueMutex);
    while (!tasks.empty()) {
        tasks.front()->Cancel();
        tasks.pop();
    }
    for (auto& task : running) {
        task->Cancel();
    }
}

std::vector<std::shared_ptr<ThreadPoolTask>> ThreadPool::QueuedTasks() {
    std::lock_guard<std::mutex> lock(queueMutex);
    std::vector<std::shared_ptr<ThreadPoolTask>> result;
    std::queue<std::shared_ptr<ThreadPoolTask>> copy = tasks;
    while (!copy.empty()) {
        result.push_back(copy.front());
        copy.pop();
    }
    return result;
}
