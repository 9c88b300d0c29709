#pragma once

#include <cstdint>
#include <vector>

#include "ui/resources/timer_manager.h"

namespace test_support {

// A counter the test moves by hand (ticks of 1 µs) and a record of the
// multimedia timers the manager starts and stops; nothing fires by itself.
class FakeTimerSystem : public ui::TimerSystem {
 public:
  int64_t Counter() override { return now; }
  int64_t Frequency() override { return 1000000; }
  void PeriodRange(uint32_t* shortest, uint32_t* longest) override {
    *shortest = 1;
    *longest = 1000000;
  }
  uint32_t StartPeriodic(uint32_t period_ms, HWND) override {
    periods.push_back(period_ms);
    running = ++last_id;
    return running;
  }
  void Stop(uint32_t id) override {
    if (id == running) running = 0;
  }

  void AdvanceMilliseconds(int64_t ms) { now += ms * 1000; }

  int64_t now = 5000000;
  std::vector<uint32_t> periods;  // every period started, in order
  uint32_t running = 0;           // id of the running timer, 0 for none
  uint32_t last_id = 0;
};

}  // namespace test_support
