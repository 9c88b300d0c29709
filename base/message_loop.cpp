#include "base/message_loop.h"

#include <algorithm>
#include <utility>

#include "base/default_message_pump.h"
#include "base/message_loop_proxy.h"
#include "base/win_io_message_pump.h"
#include "base/win_ui_message_pump.h"

namespace qbase {

namespace {

thread_local MessageLoop* g_current_loop = nullptr;

// Destroying a closure may post new tasks; give up on a loop that keeps doing
// so after this many passes.
constexpr int kMaxDeletePasses = 100;

}  // namespace

MessageLoop::MessageLoop() : MessageLoop(Type::kDefault, std::make_shared<DefaultMessagePump>()) {}

MessageLoop::MessageLoop(Type type, std::shared_ptr<MessagePump> pump)
    : type_(type), pump_(std::move(pump)) {
  g_current_loop = this;
  proxy_ = MessageLoopProxy::Create(this);
}

MessageLoop::~MessageLoop() {
  for (int pass = 0; pass < kMaxDeletePasses; ++pass) {
    DeletePendingTasks();
    ReloadWorkQueue();
    if (!DeletePendingTasks()) break;
  }
  proxy_->DetachFromLoop();
  proxy_.reset();
  g_current_loop = nullptr;
}

MessageLoop* MessageLoop::current() { return g_current_loop; }

void MessageLoop::PostTask(const Closure& task) { PostInternal(task, nullptr, true); }

void MessageLoop::PostDelayedTask(const Closure& task, TimeDelta delay) {
  PostInternal(task, &delay, true);
}

void MessageLoop::PostNonNestableTask(const Closure& task) { PostInternal(task, nullptr, false); }

void MessageLoop::PostNonNestableDelayedTask(const Closure& task, TimeDelta delay) {
  PostInternal(task, &delay, false);
}

void MessageLoop::PostInternal(const Closure& task, TimeDelta* delay, bool nestable) {
  QueuedTask entry;
  if (delay != nullptr) {
    // Never 0, which would make it an immediate task.
    entry.run_time = std::max<int64_t>(1, (TimeTicks::Now() + *delay).ToMicroseconds());
  }
  entry.nestable = nestable;
  entry.task = task;
  AddToIncomingQueue(std::move(entry));
}

void MessageLoop::AddToIncomingQueue(QueuedTask task) {
  std::shared_ptr<MessagePump> pump;
  {
    AutoLock lock(incoming_lock_);
    const bool was_empty = incoming_queue_.empty();
    incoming_queue_.push_back(std::move(task));
    // A non-empty queue already has a wake-up on its way.
    if (!was_empty) return;
    pump = pump_;
  }
  pump->ScheduleWork();
}

void MessageLoop::Run(WinMessagePump::Dispatcher* dispatcher) {
  RunContext context;
  context.run_depth = run_context_ ? run_context_->run_depth + 1 : 1;
  context.dispatcher = dispatcher;
  RunContext* previous = run_context_;
  run_context_ = &context;
  RunInternal();
  run_context_ = previous;
}

void MessageLoop::Quit() {
  if (run_context_ != nullptr) run_context_->quit_received = true;
}

void MessageLoop::RunInternal() {
  if (run_context_->dispatcher != nullptr && type_ == Type::kUI) {
    static_cast<WinMessagePump*>(pump_.get())->RunWithDispatcher(this, run_context_->dispatcher);
  } else {
    pump_->Run(this);
  }
}

void MessageLoop::ReloadWorkQueue() {
  if (!work_queue_.empty()) return;
  AutoLock lock(incoming_lock_);
  if (!incoming_queue_.empty()) work_queue_.swap(incoming_queue_);
}

void MessageLoop::RunTask(const QueuedTask& task) {
  // A task that enters a native modal loop must not have other tasks of this
  // loop run underneath it.
  nestable_tasks_allowed_ = false;
  if (task.task) task.task();
  nestable_tasks_allowed_ = true;
}

int64_t MessageLoop::AddToDelayedQueue(QueuedTask task) {
  task.sequence_num = next_sequence_num_++;
  const int64_t sequence_num = task.sequence_num;
  delayed_work_queue_.push_back(std::move(task));
  std::push_heap(delayed_work_queue_.begin(), delayed_work_queue_.end(), LaterTask());
  return sequence_num;
}

QueuedTask MessageLoop::PopDelayedTask() {
  std::pop_heap(delayed_work_queue_.begin(), delayed_work_queue_.end(), LaterTask());
  QueuedTask task = std::move(delayed_work_queue_.back());
  delayed_work_queue_.pop_back();
  return task;
}

bool MessageLoop::DeferOrRunPendingTask(const QueuedTask& task) {
  if (task.nestable || run_context_->run_depth == 1) {
    RunTask(task);
    return true;
  }
  deferred_non_nestable_work_queue_.push_back(task);
  return false;
}

bool MessageLoop::DoWork() {
  if (!nestable_tasks_allowed_) return false;
  for (;;) {
    ReloadWorkQueue();
    if (work_queue_.empty()) return false;
    do {
      QueuedTask task = std::move(work_queue_.front());
      work_queue_.pop_front();
      if (task.run_time != 0) {
        const int64_t run_time = task.run_time;
        const int64_t sequence_num = AddToDelayedQueue(std::move(task));
        if (delayed_work_queue_.front().sequence_num == sequence_num) {
          pump_->ScheduleDelayedWork(run_time);
        }
      } else if (DeferOrRunPendingTask(task)) {
        return true;  // At most one immediate task per call.
      }
    } while (!work_queue_.empty());
  }
}

bool MessageLoop::DoDelayedWork(int64_t* next_run_time) {
  if (!nestable_tasks_allowed_ || delayed_work_queue_.empty()) {
    recent_time_ = 0;
    *next_run_time = 0;
    return false;
  }
  const int64_t run_time = delayed_work_queue_.front().run_time;
  if (run_time > recent_time_) {
    // A backlog of due tasks drains on the cached reading without clock reads.
    recent_time_ = TimeTicks::Now().ToMicroseconds();
    if (run_time > recent_time_) {
      *next_run_time = run_time;
      return false;
    }
  }
  QueuedTask task = PopDelayedTask();
  if (!delayed_work_queue_.empty()) *next_run_time = delayed_work_queue_.front().run_time;
  return DeferOrRunPendingTask(task);
}

bool MessageLoop::DoIdleWork() {
  if (run_context_->run_depth == 1 && !deferred_non_nestable_work_queue_.empty()) {
    QueuedTask task = std::move(deferred_non_nestable_work_queue_.front());
    deferred_non_nestable_work_queue_.pop_front();
    RunTask(task);
    return true;
  }
  if (run_context_->quit_received) pump_->Quit();
  return false;
}

bool MessageLoop::DeletePendingTasks() {
  while (!work_queue_.empty()) {
    QueuedTask task = std::move(work_queue_.front());
    work_queue_.pop_front();
    if (task.run_time != 0) AddToDelayedQueue(std::move(task));
  }
  while (!deferred_non_nestable_work_queue_.empty()) {
    deferred_non_nestable_work_queue_.pop_front();
  }
  const bool had_delayed_tasks = !delayed_work_queue_.empty();
  while (!delayed_work_queue_.empty()) PopDelayedTask();
  return had_delayed_tasks;
}

UIMessageLoop::UIMessageLoop() : MessageLoop(Type::kUI, std::make_shared<WinUIMessagePump>()) {}

IOMessageLoop::IOMessageLoop() : MessageLoop(Type::kIO, std::make_shared<WinIOMessagePump>()) {}

}  // namespace qbase
