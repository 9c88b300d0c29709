#pragma once

#include <memory>

#include "base/closure.h"
#include "base/lock.h"
#include "base/time_ticks.h"
#include "base/weak_callback.h"

namespace qbase {

class MessageLoop;

// Thread-safe handle to one loop that outlives it: once the loop is gone,
// every post fails cleanly. Created by its loop and held only through shared
// pointers.
class MessageLoopProxy : public SupportWeakCallback {
 public:
  virtual ~MessageLoopProxy() = default;

  // Each returns false, dropping the task, once the loop is gone.
  virtual bool PostTask(const Closure& task);
  // A delay of exactly 0 posts an immediate task.
  virtual bool PostDelayedTask(const Closure& task, TimeDelta delay);
  virtual bool PostNonNestableTask(const Closure& task);
  virtual bool PostNonNestableDelayedTask(const Closure& task, TimeDelta delay);
  // True when the loop lives and is the calling thread's current loop.
  virtual bool BelongsToCurrentThread();

 private:
  friend class MessageLoop;

  explicit MessageLoopProxy(MessageLoop* loop) : target_(loop) {}
  static std::shared_ptr<MessageLoopProxy> Create(MessageLoop* loop);
  // Called by the loop's destructor; later posts fail.
  void DetachFromLoop();

  Lock lock_;
  MessageLoop* target_;
};

}  // namespace qbase
