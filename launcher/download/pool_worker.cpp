#include "launcher/download/pool_worker.h"

#include <utility>

PoolWorker::PoolWorker(std::function<void()> job)
    : job_(std::move(job)), work_(CreateThreadpoolWork(&PoolWorker::OnPoolThread, this, nullptr)) {}

PoolWorker::~PoolWorker() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  if (!work_) return;
  // Returns only once a callback has left entirely, so nothing of it can
  // touch this object afterwards.
  WaitForThreadpoolWorkCallbacks(work_, FALSE);
  CloseThreadpoolWork(work_);
}

void PoolWorker::Schedule() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) return;
    if (running_) {
      again_ = true;
      return;
    }
    running_ = true;
  }
  if (work_) {
    SubmitThreadpoolWork(work_);
  } else {
    RunRounds();
  }
}

void PoolWorker::WaitIdle() {
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [&] { return !running_; });
}

void CALLBACK PoolWorker::OnPoolThread(PTP_CALLBACK_INSTANCE, void* worker, PTP_WORK) {
  static_cast<PoolWorker*>(worker)->RunRounds();
}

void PoolWorker::RunRounds() {
  for (;;) {
    job_();
    std::lock_guard<std::mutex> lock(mutex_);
    if (again_ && !stopping_) {
      again_ = false;
      continue;
    }
    again_ = false;
    running_ = false;
    idle_.notify_all();
    return;
  }
}
