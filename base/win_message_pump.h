#pragma once

#include <windows.h>

#include <cstdint>

#include "base/message_pump.h"

namespace qbase {

// Common base of the two Windows pumps: run states that nest, the quit flag
// of the innermost run, the have-work flag that keeps at most one wake-up
// outstanding, and the wait derived from the earliest delayed task.
class WinMessagePump : public MessagePump {
 public:
  // Optional replacement for translating and dispatching window messages.
  class Dispatcher {
   public:
    virtual ~Dispatcher() = default;
    // False asks the pump to quit.
    virtual bool Dispatch(const MSG& message) = 0;
  };

  void Run(Delegate* delegate) override { RunWithDispatcher(delegate, nullptr); }
  void RunWithDispatcher(Delegate* delegate, Dispatcher* dispatcher);
  void Quit() override;

  // Milliseconds until the delayed work is due, rounded up; 0 when it is due,
  // -1 when there is none.
  int64_t GetCurrentDelay() const;

 protected:
  struct RunState {
    int run_depth = 0;
    bool should_quit = false;
    Delegate* delegate = nullptr;
    Dispatcher* dispatcher = nullptr;
  };

  virtual void DoRunLoop() = 0;

  int64_t delayed_work_time_ = 0;
  volatile LONG have_work_ = 0;
  RunState* state_ = nullptr;
};

// Remaining time until `delayed_work_time` as a wait in whole milliseconds:
// -1 for no delayed work (0), else the ceiling of the remaining microseconds
// over 1000, never below 0.
int64_t DelayUntil(int64_t delayed_work_time, int64_t now);

// The wait handed to the system: -1 (no limit) becomes INFINITE and anything
// above 0xFFFFFFFE is lowered to it.
DWORD WaitMillisecondsFromDelay(int64_t delay);

}  // namespace qbase
