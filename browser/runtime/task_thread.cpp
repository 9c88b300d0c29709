#include "browser/runtime/task_thread.h"

#include <objbase.h>

namespace qoz_runtime {

TaskThread::~TaskThread() { Stop(); }

bool TaskThread::Start() {
  wake_event_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (wake_event_ == nullptr) return false;
  HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (started == nullptr) return false;
  {
    std::lock_guard<std::mutex> hold(lock_);
    accepting_ = true;
    stopping_ = false;
  }
  thread_ = std::thread([this, started] {
    thread_id_ = GetCurrentThreadId();
    SetEvent(started);
    Run();
  });
  WaitForSingleObject(started, INFINITE);
  CloseHandle(started);
  return true;
}

bool TaskThread::PostTask(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (!accepting_) return false;
    tasks_.push_back(std::move(task));
  }
  SetEvent(wake_event_);
  return true;
}

bool TaskThread::IsCurrent() const {
  return thread_.joinable() && GetCurrentThreadId() == thread_id_;
}

void TaskThread::Stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> hold(lock_);
    accepting_ = false;
    stopping_ = true;
  }
  SetEvent(wake_event_);
  thread_.join();
  CloseHandle(wake_event_);
  wake_event_ = nullptr;
}

void TaskThread::Run() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  for (;;) {
    MsgWaitForMultipleObjects(1, &wake_event_, FALSE, INFINITE, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    std::deque<std::function<void()>> batch;
    bool stopping = false;
    {
      std::lock_guard<std::mutex> hold(lock_);
      batch.swap(tasks_);
      stopping = stopping_;
    }
    for (auto& task : batch) {
      if (task) task();
    }
    if (stopping) {
      // Tasks that ran in the last batch may have queued more; they are
      // dropped (their captures released) here, on this thread.
      std::deque<std::function<void()>> rest;
      {
        std::lock_guard<std::mutex> hold(lock_);
        rest.swap(tasks_);
      }
      rest.clear();
      break;
    }
  }
  CoUninitialize();
}

}  // namespace qoz_runtime
