#pragma once

#include <cstdint>

#include "base/message_pump.h"
#include "base/scoped_handle.h"

namespace qbase {

// The pump of a plain worker thread: waits on an auto-reset event.
class DefaultMessagePump : public MessagePump {
 public:
  DefaultMessagePump();
  ~DefaultMessagePump() override = default;

  void Run(Delegate* delegate) override;
  void Quit() override { quit_ = true; }
  void ScheduleWork() override;
  void ScheduleDelayedWork(int64_t run_time) override { delayed_work_time_ = run_time; }

 private:
  void WaitForWork();

  ScopedHandle event_;
  bool quit_ = false;
  int64_t delayed_work_time_ = 0;
};

}  // namespace qbase
