#include "ui/resources/timer_manager.h"

#include <gtest/gtest.h>

#include "tests/ui/resources/fake_timer_system.h"

namespace {

using test_support::FakeTimerSystem;
using ui::TimerManager;

class TimerManagerTest : public testing::Test {
 protected:
  TimerManagerTest() {
    auto system = std::make_unique<FakeTimerSystem>();
    system_ = system.get();
    manager_ = std::make_unique<TimerManager>(std::move(system));
  }

  // Advances the clock in steps of `step_ms` and polls after each.
  void RunFor(int64_t total_ms, int64_t step_ms) {
    for (int64_t passed = 0; passed < total_ms; passed += step_ms) {
      system_->AdvanceMilliseconds(step_ms);
      manager_->Poll();
    }
  }

  FakeTimerSystem* system_ = nullptr;
  std::unique_ptr<TimerManager> manager_;
  qbase::WeakCallbackFlag owner_;
};

TEST_F(TimerManagerTest, RepeatCountsTable) {
  const struct {
    int32_t repeat;
    int runs;
  } cases[] = {{3, 3}, {1, 1}, {0, 1}, {-5, 1}, {2, 2}};
  for (const auto& item : cases) {
    int runs = 0;
    ASSERT_TRUE(manager_->AddCancelableTimer(
        owner_.GetWeakFlag(), [&] { ++runs; }, 10, item.repeat));
    RunFor(200, 5);
    EXPECT_EQ(runs, item.runs) << item.repeat;
  }
}

TEST_F(TimerManagerTest, ForeverRunsUntilItsFlagDiesAndIsThenDroppedUnrun) {
  int runs = 0;
  qbase::WeakCallbackFlag group;
  manager_->AddCancelableTimer(
      group.GetWeakFlag(), [&] { ++runs; }, 10, TimerManager::kRepeatForever);
  RunFor(100, 10);
  EXPECT_EQ(runs, 10);
  group.Cancel();
  RunFor(100, 10);
  EXPECT_EQ(runs, 10);
  EXPECT_EQ(system_->running, 0u);  // nothing left to wait for
}

TEST_F(TimerManagerTest, DueTimerIsRequeuedFromThePollTime) {
  std::vector<int64_t> run_times;
  manager_->AddCancelableTimer(
      owner_.GetWeakFlag(), [&] { run_times.push_back(system_->now); }, 10, 3);
  const int64_t start = system_->now;
  system_->AdvanceMilliseconds(25);  // a late poll
  manager_->Poll();
  system_->AdvanceMilliseconds(9);
  manager_->Poll();  // 34 ms: the old schedule would run it at 20 and 30
  system_->AdvanceMilliseconds(1);
  manager_->Poll();  // 35 ms = 25 + 10
  ASSERT_EQ(run_times.size(), 2u);
  EXPECT_EQ(run_times[0] - start, 25000);
  EXPECT_EQ(run_times[1] - start, 35000);
}

TEST_F(TimerManagerTest, MultimediaTimerFollowsTheEarliestDueTime) {
  manager_->AddCancelableTimer(
      owner_.GetWeakFlag(), [] {}, 5000, 1);
  EXPECT_EQ(system_->periods, std::vector<uint32_t>({16}));
  manager_->Poll();  // 5 s away: one long period of the remaining time + 2 ms
  EXPECT_EQ(system_->periods.back(), 5002u);
  system_->AdvanceMilliseconds(4500);
  manager_->Poll();  // under a second: back to 16 ms
  EXPECT_EQ(system_->periods.back(), 16u);
  system_->AdvanceMilliseconds(500);
  manager_->Poll();  // ran; queue empty
  EXPECT_EQ(system_->running, 0u);
  const size_t started = system_->periods.size();
  manager_->AddCancelableTimer(
      owner_.GetWeakFlag(), [] {}, 10, 1);
  ASSERT_EQ(system_->periods.size(), started + 1);
  EXPECT_EQ(system_->periods.back(), 16u);
}

TEST_F(TimerManagerTest, LongPeriodsStayWithinWhatTheSystemAccepts) {
  const struct {
    int64_t remaining;
    uint32_t period;
  } cases[] = {
      {1000000, 1002}, {2500000, 2502}, {999999000000LL, 1000000},  // days away: the longest period
      {0, 2},          {-5000000, 1},
  };
  for (const auto& item : cases) {
    EXPECT_EQ(ui::LongTimerPeriod(item.remaining, 1000000, 1, 1000000), item.period)
        << item.remaining;
  }
  manager_->AddCancelableTimer(
      owner_.GetWeakFlag(), [] {}, 0xFFFFFFFFu, 1);
  manager_->Poll();
  EXPECT_EQ(system_->periods.back(), 1000000u);
}

TEST_F(TimerManagerTest, ZeroIntervalRepeatsAreRefusedButOneShotsRun) {
  int runs = 0;
  EXPECT_FALSE(manager_->AddCancelableTimer(
      owner_.GetWeakFlag(), [&] { ++runs; }, 0, TimerManager::kRepeatForever));
  EXPECT_FALSE(manager_->AddCancelableTimer(
      owner_.GetWeakFlag(), [&] { ++runs; }, 0, 3));
  EXPECT_TRUE(manager_->AddCancelableTimer(
      owner_.GetWeakFlag(), [&] { ++runs; }, 0, 1));
  manager_->Poll();
  EXPECT_EQ(runs, 1);
}

TEST_F(TimerManagerTest, CallbacksMayAddTimersThatWaitForALaterPoll) {
  std::vector<int> order;
  manager_->AddCancelableTimer(
      owner_.GetWeakFlag(),
      [&] {
        order.push_back(1);
        manager_->AddCancelableTimer(
            owner_.GetWeakFlag(), [&] { order.push_back(2); }, 10, 1);
      },
      10, 1);
  RunFor(10, 10);
  EXPECT_EQ(order, std::vector<int>({1}));
  RunFor(10, 10);
  EXPECT_EQ(order, std::vector<int>({1, 2}));
}

// The process's manager on the real multimedia timer and message window.
TEST(SystemTimerManagerTest, TimerRunsOnThisThreadThroughThePollMessage) {
  qbase::WeakCallbackFlag owner;
  const DWORD thread = GetCurrentThreadId();
  DWORD ran_on = 0;
  ASSERT_TRUE(TimerManager::GetInstance()->AddCancelableTimer(
      owner.GetWeakFlag(), [&] { ran_on = GetCurrentThreadId(); }, 1, 1));
  const DWORD deadline = GetTickCount() + 60000;
  MSG message;
  while (ran_on == 0 && GetTickCount() < deadline) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  EXPECT_EQ(ran_on, thread);
}

}  // namespace
