// Latches that sequence thread tests without sleeping, and a pool task that one holds.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "threadpool/ThreadPool.h"

/// A count-down latch (std::latch is C++20).
class Latch {
  public:
    explicit Latch(int count = 1) : count_(count) {}
    void CountDown() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (--count_ <= 0) {
            open_.notify_all();
        }
    }
    void Wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        open_.wait(lock, [this] { return count_ <= 0; });
    }
    void ArriveAndWait() {
        CountDown();
        Wait();
    }

  private:
    std::mutex mutex_;
    std::condition_variable open_;
    int count_;
};

/// Holds its worker until a task on the gate is cancelled; the flag is set before it opens.
class GatedTask : public ThreadPoolTask {
  public:
    explicit GatedTask(Latch* gate) : gate_(gate) {}
    void Run() override { gate_->Wait(); }
    void Cancel() override {
        ThreadPoolTask::Cancel();
        gate_->CountDown();
    }

  private:
    Latch* gate_;
};
