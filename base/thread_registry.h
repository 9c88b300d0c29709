#pragma once

#include <map>
#include <memory>

#include "base/closure.h"
#include "base/lock.h"
#include "base/time_ticks.h"
#include "base/weak_callback.h"

namespace qbase {

class FrameworkThread;
class MessageLoopProxy;

// The launcher's two framework threads.
constexpr int kMainThreadId = 0;
constexpr int kMiscThreadId = 1;
// Times of a repeated task that runs until its owner is gone.
constexpr int kRepeatForever = -1;

// Process-wide map from small integer identifiers to framework threads, so
// any code on any thread posts to "thread 0" or "thread 1". Registration
// happens on the thread itself, from its Init; it does not own the threads.
class ThreadRegistry {
 public:
  // On the thread to register. False for a negative identifier, on a thread
  // that is no framework thread, or when another thread holds the identifier.
  // Registering the same identifier again only counts up.
  static bool RegisterThread(int id);
  // On the registered thread; the last of its registrations removes it.
  static bool UnregisterThread();
  // The identifier of the calling thread, -1 when it has none.
  static int CurrentThreadId();

  // Empty when the identifier is not registered.
  static std::shared_ptr<MessageLoopProxy> GetMessageLoopProxy(int id);

  // False, dropping the task, when no thread is registered under `id` or its
  // loop is already gone.
  static bool PostTask(int id, const Closure& task);
  // A zero delay posts an immediate task.
  static bool PostDelayedTask(int id, const Closure& task, TimeDelta delay);
  // Runs `task` after `delay` and again after each further delay, `times` runs
  // in all (kRepeatForever: without end). A run whose owner has gone does
  // nothing and ends the repetition. Nothing happens when `id` is unknown.
  static void PostRepeatedTask(int id, const WeakCallback<Closure>& task, TimeDelta delay,
                               int times = kRepeatForever);

 private:
  struct Entry {
    FrameworkThread* thread;
    std::shared_ptr<MessageLoopProxy> proxy;
  };

  static ThreadRegistry& Instance();
  static void RunRepeatedTask(int id, const WeakCallback<Closure>& task, TimeDelta delay,
                              int times);

  Lock lock_;
  std::map<int, Entry> threads_;
};

}  // namespace qbase
