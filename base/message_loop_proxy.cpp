#include "base/message_loop_proxy.h"

#include "base/message_loop.h"

namespace qbase {

std::shared_ptr<MessageLoopProxy> MessageLoopProxy::Create(MessageLoop* loop) {
  // The loop keeps a reference until it has detached the proxy, so the last
  // reference always goes after the loop: the proxy is simply deleted.
  return std::shared_ptr<MessageLoopProxy>(new MessageLoopProxy(loop));
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

}  // namespace qbase
