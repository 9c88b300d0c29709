#pragma once

#include <cstdint>

#include "base/clock.h"

namespace test_support {

// A clock that moves only when the test moves it.
class FakeClock : public qbase::Clock {
 public:
  explicit FakeClock(int64_t start_ms = 1000000) : now_(start_ms) {}
  int64_t NowMilliseconds() const override { return now_; }
  void Advance(int64_t milliseconds) { now_ += milliseconds; }

 private:
  int64_t now_;
};

}  // namespace test_support
