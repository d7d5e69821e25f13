// Pool scheduling: costliest-first hand-out for runs that ask for it, front first otherwise.
#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <vector>

#include "PipelineTestSupport.h"
#include "filter/MoveEffectFilter.h"
#include "task/PathTask.h"
#include "threadpool/ThreadPool.h"

namespace {

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

TEST(PoolScheduling, PathCostIsItsLengthThroughItsPoints) {
    MoveEffectFilter filter(SteadyParam(VELTRIX_TYPE_PARALLEL, 10), 1);
    PathTask task(&filter, nullptr);
    task.AppendPathSegment({PathSegment::kMove, {{0, 0}}});
    task.AppendPathSegment({PathSegment::kLine, {{30, 40}}});
    task.AppendPathSegment({PathSegment::kMove, {{100, 100}}});  // a move adds nothing
    task.AppendPathSegment({PathSegment::kCubic, {{100, 110}, {110, 110}, {110, 100}}});
    EXPECT_DOUBLE_EQ(task.costHint, 50.0 + 30.0);
}

}  // namespace
