#pragma once

#include <memory>
#include <string>

#include "base/lock.h"
#include "base/message_loop.h"
#include "base/scoped_handle.h"
#include "base/thread.h"
#include "base/weak_callback.h"
#include "base/win_message_pump.h"

namespace qbase {

class FrameworkThread;
class MessageLoopProxy;

// Builds the loop of a thread started with MessageLoop::Type::kCustom.
class CustomMessageLoopFactory {
 public:
  virtual ~CustomMessageLoopFactory() = default;
  virtual std::unique_ptr<MessageLoop> CreateMessageLoop() = 0;
};

// The per-thread record of a framework thread, touched only by that thread.
struct FrameworkThreadTlsData {
  FrameworkThread* self = nullptr;
  int registered_count = 0;
  // -1 while the thread is not registered.
  int managed_thread_id = -1;
};

// A thread that owns a message loop for its whole life: Init runs before the
// loop, Cleanup after it, both on the thread itself.
class FrameworkThread : public Thread, public virtual SupportWeakCallback {
 public:
  explicit FrameworkThread(const char* name);
  ~FrameworkThread() override;

  // Starts the thread and returns once its Init has run; false when the
  // thread could not be created or already runs.
  bool Start(MessageLoop::Type type = MessageLoop::Type::kDefault,
             WinMessagePump::Dispatcher* dispatcher = nullptr);
  // Runs the thread body on the calling thread; returns after Cleanup.
  void RunOnCurrentThread(MessageLoop::Type type = MessageLoop::Type::kDefault,
                          WinMessagePump::Dispatcher* dispatcher = nullptr);
  // Posts a quit behind every queued task and joins the thread. Does nothing
  // when the thread does not run.
  void Stop();

  // The factory used by MessageLoop::Type::kCustom.
  void set_custom_loop_factory(std::shared_ptr<CustomMessageLoopFactory> factory) {
    custom_loop_factory_ = std::move(factory);
  }

  bool IsRunning() const { return running_; }
  const std::string& name() const { return name_; }
  // The loop while the thread body runs; use it on the thread itself.
  MessageLoop* message_loop() const { return message_loop_.get(); }

  // The calling thread's record, or null when it is no framework thread.
  static FrameworkThreadTlsData* GetTlsData();

 protected:
  void Run() override;
  virtual void Init() {}
  virtual void Cleanup() {}

 private:
  static void QuitCurrentLoop();

  bool running_ = false;
  bool quit_posted_ = false;
  MessageLoop::Type loop_type_ = MessageLoop::Type::kDefault;
  std::unique_ptr<MessageLoop> message_loop_;
  std::shared_ptr<CustomMessageLoopFactory> custom_loop_factory_;
  WinMessagePump::Dispatcher* dispatcher_ = nullptr;
  ScopedHandle started_event_;
  std::string name_;
  // The loop's proxy, so Stop can post from another thread without touching
  // a loop that may be going away.
  Lock proxy_lock_;
  std::shared_ptr<MessageLoopProxy> proxy_;
};

}  // namespace qbase
