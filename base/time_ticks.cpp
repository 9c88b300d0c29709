#include "base/time_ticks.h"

#include <mmsystem.h>

namespace qbase {

TickClock::TickClock(TickSource source) : source_(source) {}

int64_t TickClock::NowMilliseconds() {
  AutoLock hold(lock_);
  const uint32_t reading = source_();
  if (reading < last_reading_) high_part_ += int64_t{1} << 32;
  last_reading_ = reading;
  return high_part_ + reading;
}

namespace {

uint32_t SystemTickCount() { return timeGetTime(); }

}  // namespace

TimeTicks TimeTicks::Now() {
  // Built on first use, also when that use comes from another static's
  // constructor; the compiler makes the construction thread-safe.
  static TickClock system_clock(&SystemTickCount);
  return TimeTicks(system_clock.NowMilliseconds() * 1000);
}

}  // namespace qbase
