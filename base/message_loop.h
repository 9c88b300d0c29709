#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "base/closure.h"
#include "base/lock.h"
#include "base/message_pump.h"
#include "base/time_ticks.h"
#include "base/win_message_pump.h"

namespace qbase {

class MessageLoopProxy;

// The entry of every task queue of a loop.
struct QueuedTask {
  // Microseconds on the loop clock; 0 runs as soon as possible.
  int64_t run_time = 0;
  // Order among equal run times; assigned when the task enters the delayed
  // queue. 64 bits: a 32-bit counter would overflow within weeks at the
  // worker's 2 ms tick.
  int64_t sequence_num = 0;
  // False for a task that may run only in the outermost run of the loop.
  bool nestable = true;
  Closure task;
};

// A thread's task loop. Any thread may post; the loop runs the tasks one at a
// time on its own thread: immediate tasks in posting order, delayed tasks by
// due time, equal due times in the order they were queued. Created, run and
// destroyed on the thread it serves, which it becomes the current loop of.
class MessageLoop : public MessagePump::Delegate {
 public:
  enum class Type { kDefault = 0, kUI = 1, kIO = 2, kCustom = 3 };

  // One per active run, on the stack of whoever runs the loop.
  struct RunContext {
    int run_depth = 1;
    bool quit_received = false;
    WinMessagePump::Dispatcher* dispatcher = nullptr;
  };

  MessageLoop();
  ~MessageLoop() override;
  MessageLoop(const MessageLoop&) = delete;
  MessageLoop& operator=(const MessageLoop&) = delete;

  // The calling thread's loop, or null.
  static MessageLoop* current();

  void PostTask(const Closure& task);
  // A zero or negative delay still goes through the delayed queue, due at once.
  void PostDelayedTask(const Closure& task, TimeDelta delay);
  void PostNonNestableTask(const Closure& task);
  void PostNonNestableDelayedTask(const Closure& task, TimeDelta delay);

  // Any thread. Wakes the pump when the incoming queue was empty.
  virtual void AddToIncomingQueue(QueuedTask task);

  // Runs the loop (nested when already running) until a quit request is
  // honoured at an idle moment, or, for a user-interface loop, WM_QUIT.
  void Run(WinMessagePump::Dispatcher* dispatcher = nullptr);
  // Asks the innermost run to end once every ready task has run. Loop thread.
  void Quit();

  // The innermost run's depth; 0 while the loop is not running.
  int run_depth() const { return run_context_ ? run_context_->run_depth : 0; }
  Type type() const { return type_; }
  // Thread-safe handle that outlives the loop.
  std::shared_ptr<MessageLoopProxy> message_loop_proxy() const { return proxy_; }

  // MessagePump::Delegate: called by the pump on the loop's thread.
  bool DoWork() override;
  bool DoDelayedWork(int64_t* next_run_time) override;
  bool DoIdleWork() override;

 protected:
  MessageLoop(Type type, std::shared_ptr<MessagePump> pump);

 private:
  // Min-heap order: earliest run time first, then lowest sequence number.
  struct LaterTask {
    bool operator()(const QueuedTask& a, const QueuedTask& b) const {
      if (a.run_time != b.run_time) return a.run_time > b.run_time;
      return a.sequence_num > b.sequence_num;
    }
  };

  void PostInternal(const Closure& task, TimeDelta* delay, bool nestable);
  void RunInternal();
  void ReloadWorkQueue();
  void RunTask(const QueuedTask& task);
  // Assigns the next sequence number; returns it.
  int64_t AddToDelayedQueue(QueuedTask task);
  QueuedTask PopDelayedTask();
  bool DeferOrRunPendingTask(const QueuedTask& task);
  bool DeletePendingTasks();

  Type type_;
  RunContext* run_context_ = nullptr;
  std::shared_ptr<MessagePump> pump_;
  bool nestable_tasks_allowed_ = true;

  std::deque<QueuedTask> incoming_queue_;
  Lock incoming_lock_;

  std::deque<QueuedTask> work_queue_;
  std::deque<QueuedTask> deferred_non_nestable_work_queue_;
  // A binary heap ordered by LaterTask; front() is the earliest task.
  std::vector<QueuedTask> delayed_work_queue_;
  int64_t next_sequence_num_ = 0;
  int64_t recent_time_ = 0;

  std::shared_ptr<MessageLoopProxy> proxy_;
};

// A loop whose pump is the Windows message queue of its thread.
class UIMessageLoop : public MessageLoop {
 public:
  UIMessageLoop();
};

// A loop whose pump is an I/O completion port.
class IOMessageLoop : public MessageLoop {
 public:
  IOMessageLoop();
};

}  // namespace qbase
