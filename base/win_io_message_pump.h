#pragma once

#include <windows.h>

#include <cstdint>

#include "base/scoped_handle.h"
#include "base/win_message_pump.h"

namespace qbase {

// The pump of an input/output thread: an I/O completion port.
class WinIOMessagePump : public WinMessagePump {
 public:
  class IOHandler;

  // What an overlapped operation passes as its OVERLAPPED record; allocated
  // with new.
  struct IOContext {
    OVERLAPPED overlapped;
    // Null once the handler has gone; the pump then deletes the context.
    IOHandler* handler;
  };

  class IOHandler {
   public:
    virtual ~IOHandler() = default;
    virtual void OnIOCompleted(IOContext* context, DWORD bytes_transferred, DWORD error) = 0;
  };

  WinIOMessagePump();
  ~WinIOMessagePump() override = default;

  void ScheduleWork() override;
  void ScheduleDelayedWork(int64_t run_time) override { delayed_work_time_ = run_time; }

  // Associates a handle opened for overlapped I/O with the port; its
  // completions go to `handler`.
  bool RegisterIOHandler(HANDLE file, IOHandler* handler);

 protected:
  void DoRunLoop() override;

 private:
  bool WaitForIOCompletion(DWORD timeout);

  ScopedHandle port_;
};

}  // namespace qbase
