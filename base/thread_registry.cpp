#include "base/thread_registry.h"

#include <utility>

#include "base/framework_thread.h"
#include "base/message_loop.h"
#include "base/message_loop_proxy.h"

namespace qbase {

ThreadRegistry& ThreadRegistry::Instance() {
  static ThreadRegistry registry;
  return registry;
}

bool ThreadRegistry::RegisterThread(int id) {
  if (id < 0) return false;
  FrameworkThreadTlsData* tls = FrameworkThread::GetTlsData();
  if (tls == nullptr) return false;
  ThreadRegistry& registry = Instance();
  AutoLock lock(registry.lock_);
  auto it = registry.threads_.find(id);
  if (it != registry.threads_.end() && it->second.thread != tls->self) return false;
  if (it == registry.threads_.end()) {
    MessageLoop* loop = MessageLoop::current();
    registry.threads_[id] = Entry{tls->self, loop ? loop->message_loop_proxy() : nullptr};
  }
  ++tls->registered_count;
  tls->managed_thread_id = id;
  return true;
}

bool ThreadRegistry::UnregisterThread() {
  FrameworkThreadTlsData* tls = FrameworkThread::GetTlsData();
  if (tls == nullptr || tls->registered_count < 1) return false;
  if (--tls->registered_count > 0) return true;
  std::shared_ptr<MessageLoopProxy> proxy;  // Released after the registry lock.
  {
    ThreadRegistry& registry = Instance();
    AutoLock lock(registry.lock_);
    auto it = registry.threads_.find(tls->managed_thread_id);
    if (it != registry.threads_.end()) {
      proxy = std::move(it->second.proxy);
      registry.threads_.erase(it);
    }
  }
  tls->managed_thread_id = -1;
  return true;
}

int ThreadRegistry::CurrentThreadId() {
  FrameworkThreadTlsData* tls = FrameworkThread::GetTlsData();
  return tls ? tls->managed_thread_id : -1;
}

std::shared_ptr<MessageLoopProxy> ThreadRegistry::GetMessageLoopProxy(int id) {
  ThreadRegistry& registry = Instance();
  AutoLock lock(registry.lock_);
  auto it = registry.threads_.find(id);
  return it == registry.threads_.end() ? nullptr : it->second.proxy;
}

bool ThreadRegistry::PostTask(int id, const Closure& task) {
  std::shared_ptr<MessageLoopProxy> proxy = GetMessageLoopProxy(id);
  return proxy && proxy->PostTask(task);
}

bool ThreadRegistry::PostDelayedTask(int id, const Closure& task, TimeDelta delay) {
  std::shared_ptr<MessageLoopProxy> proxy = GetMessageLoopProxy(id);
  return proxy && proxy->PostDelayedTask(task, delay);
}

void ThreadRegistry::PostRepeatedTask(int id, const WeakCallback<Closure>& task, TimeDelta delay,
                                      int times) {
  // A count of 0 would otherwise count down past 0 and never end.
  if (times == 0 || times < kRepeatForever) return;
  std::shared_ptr<MessageLoopProxy> proxy = GetMessageLoopProxy(id);
  if (!proxy) return;
  proxy->PostDelayedTask([id, task, delay, times] { RunRepeatedTask(id, task, delay, times); },
                         delay);
}

void ThreadRegistry::RunRepeatedTask(int id, const WeakCallback<Closure>& task, TimeDelta delay,
                                     int times) {
  if (task.Expired()) return;  // The owner is gone: the repetition ends for good.
  task();
  if (task.Expired()) return;
  const int remaining = times == kRepeatForever ? kRepeatForever : times - 1;
  if (remaining != 0) PostRepeatedTask(id, task, delay, remaining);
}

}  // namespace qbase
