#include "base/default_message_pump.h"

#include "base/time_ticks.h"
#include "base/win_message_pump.h"

namespace qbase {

DefaultMessagePump::DefaultMessagePump() : event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

void DefaultMessagePump::Run(Delegate* delegate) {
  bool did_work = delegate->DoWork();
  if (!quit_) {
    for (;;) {
      did_work |= delegate->DoDelayedWork(&delayed_work_time_);
      if (quit_) break;
      if (!did_work) {
        did_work = delegate->DoIdleWork();
        if (quit_) break;
        if (!did_work) WaitForWork();
      }
      did_work = delegate->DoWork();
      if (quit_) break;
    }
  }
  quit_ = false;
}

void DefaultMessagePump::WaitForWork() {
  if (delayed_work_time_ == 0) {
    WaitForSingleObject(event_.Get(), INFINITE);
    return;
  }
  const int64_t delay = DelayUntil(delayed_work_time_, TimeTicks::Now().ToMicroseconds());
  if (delay <= 0) {
    delayed_work_time_ = 0;
    return;
  }
  WaitForSingleObject(event_.Get(), WaitMillisecondsFromDelay(delay));
}

void DefaultMessagePump::ScheduleWork() { SetEvent(event_.Get()); }

}  // namespace qbase
