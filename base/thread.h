#pragma once

#include <windows.h>

#include "base/scoped_handle.h"

namespace qbase {

// One operating-system thread running the object's Run. The owner joins it
// with Close (the destructor does too); a derived class must join before its
// own members go away.
class Thread {
 public:
  // Priority codes: 0 or less keeps the system default; codes past the
  // named ones are valid too (see ThreadPriorityLevel).
  static constexpr int kPriorityDefault = 0;
  static constexpr int kPriorityLowest = 1;
  static constexpr int kPriorityBelowNormal = 2;
  static constexpr int kPriorityHighest = 3;
  static constexpr int kPriorityTimeCritical = 4;

  Thread() = default;
  virtual ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Starts the thread; false when it could not be created.
  bool Create();
  // Waits for the thread to end (terminating it when the wait fails) and
  // releases its handle. Does nothing when there is no thread.
  void Close();

  void set_priority(int priority) { priority_ = priority; }
  DWORD thread_id() const { return thread_id_; }
  HANDLE thread_handle() const { return thread_handle_.Get(); }

 protected:
  virtual void Run() {}

 private:
  static unsigned __stdcall ThreadMain(void* object);

  DWORD thread_id_ = 0;
  ScopedHandle thread_handle_;
  int priority_ = kPriorityDefault;
};

// The SetThreadPriority level of a priority code.
int ThreadPriorityLevel(int priority);

}  // namespace qbase
