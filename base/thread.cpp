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
  thread_handle_ = reinterpret_cast<HANDLE>(handle);
  thread_id_ = id;
  if (priority_ >= kPriorityLowest)
    SetThreadPriority(thread_handle_, ThreadPriorityLevel(priority_));
  return true;
}

void Thread::Close() {
  if (thread_handle_ == nullptr) return;
  if (WaitForSingleObject(thread_handle_, INFINITE) == WAIT_FAILED) {
    TerminateThread(thread_handle_, 0);
  }
  CloseHandle(thread_handle_);
  thread_handle_ = nullptr;
  thread_id_ = 0;
}

unsigned __stdcall Thread::ThreadMain(void* object) {
  static_cast<Thread*>(object)->Run();
  return 0;
}

}  // namespace qbase
