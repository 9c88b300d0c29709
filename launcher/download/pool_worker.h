#pragma once

#include <windows.h>

#include <condition_variable>
#include <functional>
#include <mutex>

// Runs a job on the system thread pool, one run at a time. A Schedule while a
// run is under way makes that run go round once more, so every Schedule is
// followed by a run that starts after it. The job does all its pending work
// and returns; a pool thread costs far less than a thread of one's own.
class PoolWorker {
 public:
  explicit PoolWorker(std::function<void()> job);
  // Waits for a run under way; the owner must have told its job to finish.
  ~PoolWorker();
  PoolWorker(const PoolWorker&) = delete;
  PoolWorker& operator=(const PoolWorker&) = delete;

  void Schedule();
  // Returns once no run is under way or due.
  void WaitIdle();

 private:
  static void CALLBACK OnPoolThread(PTP_CALLBACK_INSTANCE instance, void* worker, PTP_WORK work);
  void RunRounds();

  const std::function<void()> job_;
  std::mutex mutex_;
  std::condition_variable idle_;
  bool running_ = false;  // guarded by mutex_, like the flags below
  bool again_ = false;
  bool stopping_ = false;
  // Null when the pool has no room: runs then happen on the caller's thread.
  PTP_WORK work_ = nullptr;
};
