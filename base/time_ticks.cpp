#include "base/time_ticks.h"

#include <mmsystem.h>

namespace qbase {

TickClock::TickClock(TickSource source) : source_(source) {
  InitializeCriticalSectionAndSpinCount(&lock_, 2000);
}

TickClock::~TickClock() { DeleteCriticalSection(&lock_); }

int64_t TickClock::NowMilliseconds() {
  EnterCriticalSection(&lock_);
  const uint32_t reading = source_();
  if (reading < last_reading_) high_part_ += int64_t{1} << 32;
  last_reading_ = reading;
  const int64_t now = high_part_ + reading;
  LeaveCriticalSection(&lock_);
  return now;
}

namespace {

uint32_t SystemTickCount() { return timeGetTime(); }

// Built before main() runs, so the first reading never races its construction.
TickClock g_system_clock(&SystemTickCount);

}  // namespace

TimeTicks TimeTicks::Now() { return TimeTicks(g_system_clock.NowMilliseconds() * 1000); }

}  // namespace qbase
