#include "base/win_message_pump.h"

#include "base/time_ticks.h"

namespace qbase {

int64_t DelayUntil(int64_t delayed_work_time, int64_t now) {
  if (delayed_work_time == 0) return -1;
  const int64_t remaining = delayed_work_time - now;
  if (remaining <= 0) return 0;
  return (remaining + 999) / 1000;
}

DWORD WaitMillisecondsFromDelay(int64_t delay) {
  if (delay < 0) return INFINITE;
  if (delay > 0xFFFFFFFE) return 0xFFFFFFFE;
  return static_cast<DWORD>(delay);
}

void WinMessagePump::RunWithDispatcher(Delegate* delegate, Dispatcher* dispatcher) {
  RunState state;
  state.run_depth = state_ ? state_->run_depth + 1 : 1;
  state.delegate = delegate;
  state.dispatcher = dispatcher;
  RunState* previous = state_;
  state_ = &state;
  DoRunLoop();
  state_ = previous;
}

void WinMessagePump::Quit() {
  if (state_) state_->should_quit = true;
}

int64_t WinMessagePump::GetCurrentDelay() const {
  return DelayUntil(delayed_work_time_, TimeTicks::Now().ToMicroseconds());
}

}  // namespace qbase
