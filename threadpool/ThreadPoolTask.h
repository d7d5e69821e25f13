// ThreadPoolTask: the unit of work the pool runs, with a cooperative cancel flag.
#pragma once

#include <atomic>

/// Base of every task. Shared between the code that made it and the pool.
class ThreadPoolTask {
  public:
    virtual ~ThreadPoolTask() = default;
    /// Does the task's whole work on the calling (worker) thread.
    virtual void Run() = 0;
    /// Asks the task to stop; it polls IsCancelled(). Safe from any thread.
    virtual void Cancel() { cancelled.store(true, std::memory_order_relaxed); }
    bool IsCancelled() const { return cancelled.load(std::memory_order_relaxed); }

    /// A rough measure of the task's work (any unit, 0 by default), by which a pool can hand
    /// the costliest tasks out first. Set it before the task is enqueued.
    double costHint = 0.0;

  protected:
    ThreadPoolTask() = default;

  private:
    // Relaxed is enough: the flag carries no other data.
    std::atomic<bool> cancelled{false};
};
