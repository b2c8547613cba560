#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "mmd/TaskPool.h"

namespace {

// The calling thread runs tasks too and may finish its share first: Run must still wait for a worker that is
// slow inside its task, or the caller reads results that are still being written.
TEST(TaskPoolTest, RunReturnsOnlyWhenEveryTaskHasFinished) {
    mmd::TaskPool pool(3);
    for (int batch = 0; batch < 20; ++batch) {
        std::vector<std::atomic<int>> done(8);
        auto task = [&](size_t i) {
            if (i % 2 == 1) std::this_thread::sleep_for(std::chrono::milliseconds(2));
            done[i].store(1, std::memory_order_relaxed);
        };
        pool.Run(done.size(), task);
        for (size_t i = 0; i < done.size(); ++i) ASSERT_EQ(done[i].load(), 1) << "batch " << batch << " task " << i;
    }
}

}  // namespace
