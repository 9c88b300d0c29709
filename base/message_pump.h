#pragma once

#include <cstdint>

namespace qbase {

// The waiting half of a message loop: asks its delegate (the loop) for work
// and sleeps in the way that suits its thread when there is none. Run times
// are microseconds on the loop clock (TimeTicks).
class MessagePump {
 public:
  class Delegate {
   public:
    virtual ~Delegate() = default;
    // Each returns true when it ran a task.
    virtual bool DoWork() = 0;
    // Sets *next_run_time to the run time of the next delayed task, 0 for none.
    virtual bool DoDelayedWork(int64_t* next_run_time) = 0;
    virtual bool DoIdleWork() = 0;
  };

  virtual ~MessagePump() = default;
  virtual void Run(Delegate* delegate) = 0;
  // Ends the innermost Run; called on the pump's own thread.
  virtual void Quit() = 0;
  // Wakes the pump; the only operation called from other threads.
  virtual void ScheduleWork() = 0;
  // Called on the pump's thread when the earliest delayed task changes.
  virtual void ScheduleDelayedWork(int64_t run_time) = 0;
};

}  // namespace qbase
