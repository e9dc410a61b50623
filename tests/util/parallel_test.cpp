#include "util/parallel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace tavro;

TEST(ForEachParallel, RunsEveryItemOnceOnItsOwnWorkers) {
  for (int jobs : {1, 2, 8}) {
    SCOPED_TRACE(jobs);
    constexpr std::size_t count = 500;
    std::vector<int> runs(count, 0);
    std::vector<std::size_t> worker(count, 0);
    util::forEachParallel(count, jobs, [&](std::size_t i, std::size_t w) {
      ++runs[i];
      worker[i] = w;
    });
    for (std::size_t i = 0; i < count; ++i) {
      EXPECT_EQ(runs[i], 1) << "item " << i;
      EXPECT_LT(worker[i], util::workerCount(count, jobs));
    }
  }
}

// After a failed item no item starts, the items already running finish, and the caller gets
// the exception once every worker has stopped.
TEST(ForEachParallel, AnExceptionStopsTheBatchAndReachesTheCaller) {
  for (int jobs : {1, 2, 8}) {
    SCOPED_TRACE(jobs);
    constexpr std::size_t count = 1000;
    constexpr std::size_t failing = 3;
    std::vector<int> runs(count, 0);
    std::atomic<int> running{0};
    std::atomic<std::size_t> ran{0};
    try {
      util::forEachParallel(count, jobs, [&](std::size_t i, std::size_t) {
        ++running;
        ++runs[i];
        if (i == failing) {
          --running;
          throw std::runtime_error("item " + std::to_string(i) + " failed");
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        ++ran;
        --running;
      });
      ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "item 3 failed");
    }
    EXPECT_EQ(running, 0) << "a worker still ran after the call returned";
    EXPECT_LT(ran, count - 1) << "the batch went on after the failure";
    EXPECT_LE(*std::max_element(runs.begin(), runs.end()), 1);
    EXPECT_TRUE(jobs > 1 || ran == failing) << "one worker stops right at the failed item";
    // Of many failures, one reaches the caller.
    EXPECT_THROW(
        util::forEachParallel(64, jobs, [](std::size_t, std::size_t) { throw std::logic_error("every item"); }),
        std::logic_error);
  }
}
