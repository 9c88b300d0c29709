#include "launcher/download/pool_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(PoolWorkerTest, EveryScheduleIsFollowedByARun) {
  std::atomic<int> scheduled{0};
  std::atomic<int> seen{0};
  std::atomic<int> runs{0};
  PoolWorker worker([&] {
    ++runs;
    seen = scheduled.load();
    Sleep(1);
  });
  for (int i = 0; i < 200; ++i) {
    ++scheduled;
    worker.Schedule();
  }
  worker.WaitIdle();
  EXPECT_EQ(seen, 200);
  // Schedules during a run fold into one more round.
  EXPECT_LT(runs, 200);
}

TEST(PoolWorkerTest, NeverRunsTwiceAtOnce) {
  std::atomic<int> inside{0};
  std::atomic<int> overlaps{0};
  std::atomic<int> runs{0};
  PoolWorker worker([&] {
    if (++inside > 1) ++overlaps;
    ++runs;
    Sleep(1);
    --inside;
  });
  std::vector<std::thread> callers;
  for (int t = 0; t < 4; ++t) {
    callers.emplace_back([&] {
      for (int i = 0; i < 100; ++i) {
        worker.Schedule();
        if (i % 10 == 0) Sleep(2);
      }
    });
  }
  for (std::thread& caller : callers) caller.join();
  worker.WaitIdle();
  EXPECT_EQ(overlaps, 0);
  EXPECT_GT(runs, 1);
}

TEST(PoolWorkerTest, GoingAwayWaitsForTheRunUnderWay) {
  std::atomic<bool> started{false};
  std::atomic<bool> finished{false};
  {
    PoolWorker worker([&] {
      started = true;
      Sleep(100);
      finished = true;
    });
    worker.Schedule();
    while (!started) Sleep(1);
  }
  EXPECT_TRUE(finished);
}

}  // namespace
