#include "ui/resources/animation_player.h"

#include <gtest/gtest.h>

#include "tests/ui/resources/fake_timer_system.h"
#include "ui/resources/timer_manager.h"

namespace {

using test_support::FakeTimerSystem;
using ui::AnimationPlayer;

TEST(AnimationPlanTest, EasedPlanWithoutTotalTime) {
  AnimationPlayer player;
  player.startValue = 0;
  player.endValue = 255;
  player.speedUpRatio = 0.3;
  player.slowDownRatio = 0.7;
  player.SetSpeedUpFactor(0.006);
  player.ComputePlan();
  EXPECT_EQ(player.totalMillis, 376);
  EXPECT_NEAR(player.speedUpTime, 112.8, 1e-9);
  EXPECT_NEAR(player.slowDownTime, 263.2, 1e-9);
  EXPECT_NEAR(player.constantTime, 0, 1e-9);
  EXPECT_NEAR(player.slowDownFactor, -0.006 * 0.3 / 0.7, 1e-12);
  EXPECT_DOUBLE_EQ(player.constantSpeed, player.slowDownStartSpeed);

  const struct {
    int32_t start;
    int32_t end;
    double at;
    int32_t value;
  } values[] = {
      {0, 255, 200, 174}, {255, 0, 200, 81},  {0, 255, 0, 0},
      {0, 255, 376, 255}, {0, 255, 1e9, 255}, {10, 265, 100, 70},
  };
  for (const auto& item : values) {
    player.startValue = item.start;
    player.endValue = item.end;
    player.elapsedMillis = item.at;
    EXPECT_EQ(player.GetCurrentValue(), item.value) << item.start << " at " << item.at;
  }
}

TEST(AnimationPlanTest, TotalTimesTable) {
  const struct {
    const char* label;
    double speed_up_ratio;
    double slow_down_ratio;
    double speed_up_factor;
    double slow_down_factor;
    int32_t total;
    int32_t max_total;
    int32_t planned_total;
  } cases[] = {
      {"slow down only", 0, 0.5, 0, -0.012, -1, 1000000, 168},  // sqrt(255 / 0.009)
      {"speed up and slow down", 0.3, 0.7, 0.006, 0, -1, 1000000, 376},
      {"limited by the maximum", 0.3, 0.7, 0.006, 0, -1, 300, 300},
      {"tiny factor", 0.3, 0.7, 1e-12, 0, -1, 1000000, 1000000},
      {"no factor at all", 0.3, 0.7, 0, 0, -1, 5000, 5000},
      {"given total", 0.2, 0.3, 0, 0, 400, 1000000, 400},
      {"linear given total", 0, 0, 0, 0, 250, 1000000, 250},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.label);
    AnimationPlayer player;
    player.endValue = 255;
    player.speedUpRatio = item.speed_up_ratio;
    player.slowDownRatio = item.slow_down_ratio;
    player.SetSpeedUpFactor(item.speed_up_factor);
    player.SetSlowDownFactor(item.slow_down_factor);
    player.totalMillis = item.total;
    player.maxTotalMillis = item.max_total;
    player.ComputePlan();
    EXPECT_EQ(player.totalMillis, item.planned_total);
    // Whatever the plan, it ends at the end value and never before the start.
    player.elapsedMillis = player.totalMillis - 0.001;
    EXPECT_GE(player.GetCurrentValue(), 250);
    player.elapsedMillis = 0;
    EXPECT_EQ(player.GetCurrentValue(), 0);
  }
}

TEST(AnimationPlanTest, FactorIsRecomputedFromTheLimitedTotal) {
  AnimationPlayer player;
  player.endValue = 255;
  player.speedUpRatio = 0.3;
  player.slowDownRatio = 0.7;
  player.SetSpeedUpFactor(1e-12);
  player.ComputePlan();
  ASSERT_EQ(player.totalMillis, 1000000);
  // With k = 0: A = L / ((a * a + s * a) * T * T).
  EXPECT_NEAR(player.speedUpFactor, 255.0 / (0.3 * 1e12), 1e-18);
}

class AnimationPlayerTest : public testing::Test {
 protected:
  AnimationPlayerTest() {
    auto system = std::make_unique<FakeTimerSystem>();
    system_ = system.get();
    manager_ = std::make_unique<ui::TimerManager>(std::move(system));
    player_.SetTimerManager(manager_.get());
    player_.playCallback = [this](int32_t value) { values_.push_back(value); };
    player_.completeCallback = [this] { ++completions_; };
  }

  void RunFor(int64_t total_ms) {
    for (int64_t passed = 0; passed < total_ms; passed += 16) {
      system_->AdvanceMilliseconds(16);
      manager_->Poll();
    }
  }

  FakeTimerSystem* system_ = nullptr;
  std::unique_ptr<ui::TimerManager> manager_;
  AnimationPlayer player_;
  std::vector<int32_t> values_;
  int completions_ = 0;
};

TEST_F(AnimationPlayerTest, LinearRunEndsOnTheEndValueOnce) {
  player_.startValue = 0;
  player_.endValue = 255;
  player_.totalMillis = 250;
  player_.Start();
  EXPECT_EQ(player_.tickInterval, 1);  // 250 / 255 truncates to 0
  EXPECT_TRUE(player_.playing);
  RunFor(400);
  ASSERT_FALSE(values_.empty());
  EXPECT_EQ(values_.back(), 255);
  EXPECT_TRUE(std::is_sorted(values_.begin(), values_.end()));
  // Ticks coalesce to one per poll: about 250 / 16 values, not 255.
  EXPECT_LE(values_.size(), 20u);
  EXPECT_EQ(completions_, 1);
  EXPECT_FALSE(player_.playing);
  EXPECT_EQ(player_.currentValue, 255);
  EXPECT_EQ(system_->running, 0u);
}

TEST_F(AnimationPlayerTest, EqualStartAndEndCompleteAtOnceWithoutATimer) {
  player_.startValue = 7;
  player_.endValue = 7;
  player_.Start();
  EXPECT_EQ(completions_, 1);
  EXPECT_FALSE(player_.playing);
  EXPECT_TRUE(system_->periods.empty());
}

TEST_F(AnimationPlayerTest, ReverseOnAFreshPlayerRunsTheWholeWayBackOnlyOnce) {
  player_.startValue = 0;
  player_.endValue = 100;
  player_.totalMillis = 200;
  player_.elapsedMillis = 120;
  player_.Reverse();
  EXPECT_EQ(player_.startValue, 100);
  EXPECT_EQ(player_.endValue, 0);
  EXPECT_EQ(player_.elapsedMillis, 0);
  EXPECT_TRUE(player_.reversed);
  RunFor(32);
  player_.Reverse();  // already reversed: no second swap
  EXPECT_EQ(player_.startValue, 100);
  RunFor(400);
  EXPECT_EQ(values_.back(), 0);
  EXPECT_EQ(completions_, 1);
}

TEST_F(AnimationPlayerTest, ContinueOnAReversedPlayerMirrorsTheElapsedTime) {
  player_.startValue = 0;
  player_.endValue = 100;
  player_.totalMillis = 200;
  player_.Start();
  player_.Reverse();  // not the first run any more
  player_.Cancel();
  player_.elapsedMillis = 50;
  player_.Continue();
  EXPECT_FALSE(player_.reversed);
  EXPECT_EQ(player_.startValue, 0);
  EXPECT_EQ(player_.endValue, 100);
  EXPECT_DOUBLE_EQ(player_.elapsedMillis, 150);
  EXPECT_EQ(player_.currentValue, 75);
}

TEST_F(AnimationPlayerTest, ContinueAfterCompletionCompletesOnceWithoutATimer) {
  player_.startValue = 0;
  player_.endValue = 100;
  player_.totalMillis = 50;
  player_.Start();
  RunFor(100);
  ASSERT_EQ(completions_, 1);
  const size_t started = system_->periods.size();
  const size_t delivered = values_.size();
  player_.Continue();
  EXPECT_EQ(completions_, 2);
  EXPECT_EQ(values_.size(), delivered + 1);
  EXPECT_EQ(values_.back(), 100);
  EXPECT_EQ(system_->periods.size(), started);
  EXPECT_EQ(system_->running, 0u);
}

TEST_F(AnimationPlayerTest, CancelStopsWithoutCompletionAndResetStartsOver) {
  player_.startValue = 0;
  player_.endValue = 100;
  player_.totalMillis = 1000;
  player_.Start();
  RunFor(160);
  const size_t delivered = values_.size();
  player_.Cancel();
  RunFor(2000);
  EXPECT_EQ(values_.size(), delivered);
  EXPECT_EQ(completions_, 0);
  EXPECT_TRUE(player_.playing);
  player_.Reset();
  EXPECT_FALSE(player_.playing);
  EXPECT_EQ(player_.endValue, 0);
  EXPECT_EQ(player_.totalMillis, -1);
}

TEST_F(AnimationPlayerTest, CompletionCallbackMayPlayAgain) {
  player_.startValue = 0;
  player_.endValue = 100;
  player_.totalMillis = 100;
  player_.completeCallback = [this] {
    if (++completions_ == 1) player_.Reverse();
  };
  player_.Start();
  RunFor(500);
  EXPECT_EQ(completions_, 2);
  EXPECT_EQ(values_.back(), 0);
}

TEST_F(AnimationPlayerTest, PlayingAgainFromTheCompletionKeepsTheNewValue) {
  player_.startValue = 0;
  player_.endValue = 100;
  player_.totalMillis = 100;
  player_.completeCallback = [this] {
    if (++completions_ == 1) player_.Reverse();
  };
  player_.Start();
  while (completions_ == 0 && system_->now < 6000000) RunFor(16);
  ASSERT_EQ(completions_, 1);
  // The reversed run starts where the first one ended.
  EXPECT_TRUE(player_.playing);
  EXPECT_EQ(player_.startValue, 100);
  EXPECT_EQ(player_.currentValue, 100);
}

TEST_F(AnimationPlayerTest, DestroyedPlayerLeavesNoTickBehind) {
  int ticks = 0;
  {
    AnimationPlayer player;
    player.SetTimerManager(manager_.get());
    player.endValue = 100;
    player.totalMillis = 1000;
    player.playCallback = [&](int32_t) { ++ticks; };
    player.Start();
  }
  const int before = ticks;
  RunFor(100);
  EXPECT_EQ(ticks, before);
  EXPECT_EQ(system_->running, 0u);
}

}  // namespace
