#include "base/message_loop_proxy.h"

#include "base/message_loop.h"

namespace qbase {

std::shared_ptr<MessageLoopProxy> MessageLoopProxy::Create(MessageLoop* loop) {
  return std::shared_ptr<MessageLoopProxy>(
      new MessageLoopProxy(loop), [](MessageLoopProxy* proxy) { proxy->DeleteOnLoopThread(); });
}

bool MessageLoopProxy::PostTask(const Closure& task) {
  AutoLock lock(lock_);
  if (target_ == nullptr) return false;
  target_->PostTask(task);
  return true;
}

bool MessageLoopProxy::PostDelayedTask(const Closure& task, TimeDelta delay) {
  AutoLock lock(lock_);
  if (target_ == nullptr) return false;
  if (delay == TimeDelta()) {
    target_->PostTask(task);
  } else {
    target_->PostDelayedTask(task, delay);
  }
  return true;
}

bool MessageLoopProxy::PostNonNestableTask(const Closure& task) {
  AutoLock lock(lock_);
  if (target_ == nullptr) return false;
  target_->PostNonNestableTask(task);
  return true;
}

bool MessageLoopProxy::PostNonNestableDelayedTask(const Closure& task, TimeDelta delay) {
  AutoLock lock(lock_);
  if (target_ == nullptr) return false;
  if (delay == TimeDelta()) {
    target_->PostNonNestableTask(task);
  } else {
    target_->PostNonNestableDelayedTask(task, delay);
  }
  return true;
}

bool MessageLoopProxy::BelongsToCurrentThread() {
  AutoLock lock(lock_);
  return target_ != nullptr && target_ == MessageLoop::current();
}

void MessageLoopProxy::DetachFromLoop() {
  AutoLock lock(lock_);
  target_ = nullptr;
}

// Destroyed on the loop's thread, after the task that holds it has run or
// been discarded by the loop.
struct MessageLoopProxy::Deletion {
  explicit Deletion(MessageLoopProxy* proxy) : proxy(proxy) {}
  ~Deletion() {
    // The thread that posted this deletion may still be leaving the lock.
    { AutoLock sync(proxy->lock_); }
    delete proxy;
  }
  MessageLoopProxy* proxy;
};

void MessageLoopProxy::DeleteOnLoopThread() {
  bool posted = false;
  {
    AutoLock lock(lock_);
    if (target_ != nullptr && target_ != MessageLoop::current()) {
      QueuedTask entry;
      entry.nestable = false;
      entry.task = [deletion = std::make_shared<Deletion>(this)] {};
      // Moved, so the loop holds the only reference to the deletion.
      target_->AddToIncomingQueue(std::move(entry));
      posted = true;
    }
  }
  if (!posted) delete this;
}

}  // namespace qbase
