#pragma once

#include <windows.h>

#include <cstdint>

#include "base/lock.h"

namespace qbase {

// A span of time in microseconds; may be zero or negative.
class TimeDelta {
 public:
  constexpr TimeDelta() = default;

  static constexpr TimeDelta FromMicroseconds(int64_t us) { return TimeDelta(us); }
  static constexpr TimeDelta FromMilliseconds(int64_t ms) { return TimeDelta(ms * 1000); }
  static constexpr TimeDelta FromSeconds(int64_t s) { return TimeDelta(s * 1000 * 1000); }

  constexpr int64_t ToMicroseconds() const { return us_; }
  constexpr int64_t ToMilliseconds() const { return us_ / 1000; }

  constexpr TimeDelta operator+(TimeDelta other) const { return TimeDelta(us_ + other.us_); }
  constexpr TimeDelta operator-(TimeDelta other) const { return TimeDelta(us_ - other.us_); }
  constexpr bool operator==(TimeDelta other) const { return us_ == other.us_; }
  constexpr bool operator!=(TimeDelta other) const { return us_ != other.us_; }
  constexpr bool operator<(TimeDelta other) const { return us_ < other.us_; }
  constexpr bool operator<=(TimeDelta other) const { return us_ <= other.us_; }
  constexpr bool operator>(TimeDelta other) const { return us_ > other.us_; }
  constexpr bool operator>=(TimeDelta other) const { return us_ >= other.us_; }

 private:
  constexpr explicit TimeDelta(int64_t us) : us_(us) {}
  int64_t us_ = 0;
};

// Widens a 32-bit millisecond tick counter, which wraps every 49.7 days, to
// an ever-increasing 64-bit count. Thread-safe. The tick source is a seam so
// the wrap can be exercised without waiting for it.
class TickClock {
 public:
  using TickSource = uint32_t (*)();

  explicit TickClock(TickSource source);
  TickClock(const TickClock&) = delete;
  TickClock& operator=(const TickClock&) = delete;

  // Milliseconds since the source's origin, counting every wrap seen so far.
  int64_t NowMilliseconds();

 private:
  TickSource source_;
  Lock lock_;
  int64_t high_part_ = 0;
  uint32_t last_reading_ = 0;
};

// A point on the loop clock: the system's millisecond tick count, widened to
// 64 bits, in microseconds. Every task delay and period is measured on it.
class TimeTicks {
 public:
  constexpr TimeTicks() = default;

  static TimeTicks Now();
  static constexpr TimeTicks FromMicroseconds(int64_t us) { return TimeTicks(us); }

  constexpr int64_t ToMicroseconds() const { return us_; }
  constexpr bool is_null() const { return us_ == 0; }

  constexpr TimeTicks operator+(TimeDelta delta) const {
    return TimeTicks(us_ + delta.ToMicroseconds());
  }
  constexpr TimeDelta operator-(TimeTicks other) const {
    return TimeDelta::FromMicroseconds(us_ - other.us_);
  }
  constexpr bool operator==(TimeTicks other) const { return us_ == other.us_; }
  constexpr bool operator!=(TimeTicks other) const { return us_ != other.us_; }
  constexpr bool operator<(TimeTicks other) const { return us_ < other.us_; }
  constexpr bool operator<=(TimeTicks other) const { return us_ <= other.us_; }
  constexpr bool operator>(TimeTicks other) const { return us_ > other.us_; }
  constexpr bool operator>=(TimeTicks other) const { return us_ >= other.us_; }

 private:
  constexpr explicit TimeTicks(int64_t us) : us_(us) {}
  int64_t us_ = 0;
};

}  // namespace qbase
