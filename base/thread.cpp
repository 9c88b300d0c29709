#include "base/thread.h"

#include <process.h>

namespace qbase {

int ThreadPriorityLevel(int priority) {
  switch (priority) {
    case Thread::kPriorityLowest:
      return THREAD_PRIORITY_LOWEST;
    case Thread::kPriorityBelowNormal:
      return THREAD_PRIORITY_BELOW_NORMAL;
    case Thread::kPriorityHighest:
      return THREAD_PRIORITY_HIGHEST;
    case Thread::kPriorityTimeCritical:
      return THREAD_PRIORITY_TIME_CRITICAL;
    default:
      return priority > Thread::kPriorityTimeCritical ? THREAD_PRIORITY_BELOW_NORMAL
                                                      : THREAD_PRIORITY_NORMAL;
  }
}

Thread::~Thread() { Close(); }

bool Thread::Create() {
  unsigned id = 0;
  const uintptr_t handle = _beginthreadex(nullptr, 0, &Thread::ThreadMain, this, 0, &id);
  if (handle == 0 || handle == 1) return false;
  thread_handle_.Reset(reinterpret_cast<HANDLE>(handle));
  thread_id_ = id;
  if (priority_ >= kPriorityLowest)
    SetThreadPriority(thread_handle_.Get(), ThreadPriorityLevel(priority_));
  return true;
}

void Thread::Close() {
  if (!thread_handle_.IsValid()) return;
  if (WaitForSingleObject(thread_handle_.Get(), INFINITE) == WAIT_FAILED) {
    TerminateThread(thread_handle_.Get(), 0);
  }
  thread_handle_.Reset();
  thread_id_ = 0;
}

unsigned __stdcall Thread::ThreadMain(void* object) {
  static_cast<Thread*>(object)->Run();
  return 0;
}

}  // namespace qbase
