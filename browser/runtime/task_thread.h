#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace qoz_runtime {

// A thread that runs posted tasks in order and pumps the window messages of
// the windows it creates. COM is initialised on it (image decoding).
class TaskThread {
 public:
  TaskThread() = default;
  ~TaskThread();
  TaskThread(const TaskThread&) = delete;
  TaskThread& operator=(const TaskThread&) = delete;

  bool Start();
  // False, dropping the task, when the thread does not run.
  bool PostTask(std::function<void()> task);
  bool IsCurrent() const;
  // Runs the tasks already queued, then ends the thread; tasks posted later
  // are dropped.
  void Stop();

 private:
  void Run();

  std::thread thread_;
  DWORD thread_id_ = 0;
  HANDLE wake_event_ = nullptr;
  std::mutex lock_;
  std::deque<std::function<void()>> tasks_;
  bool accepting_ = false;
  bool stopping_ = false;
};

}  // namespace qoz_runtime
