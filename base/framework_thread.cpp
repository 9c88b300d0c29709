#include "base/framework_thread.h"

#include "base/message_loop_proxy.h"

namespace qbase {

namespace {

thread_local FrameworkThreadTlsData* g_tls_data = nullptr;

}  // namespace

FrameworkThread::FrameworkThread(const char* name)
    : started_event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)), name_(name) {
  // Made here, on the owner's thread, so Stop never creates it from another.
  GetWeakFlag();
}

FrameworkThread::~FrameworkThread() { Stop(); }

FrameworkThreadTlsData* FrameworkThread::GetTlsData() { return g_tls_data; }

bool FrameworkThread::Start(MessageLoop::Type type, WinMessagePump::Dispatcher* dispatcher) {
  if (running_) return false;
  loop_type_ = type;
  dispatcher_ = dispatcher;
  if (!Create()) return false;
  WaitForSingleObject(started_event_.Get(), INFINITE);
  running_ = true;
  return true;
}

void FrameworkThread::RunOnCurrentThread(MessageLoop::Type type,
                                         WinMessagePump::Dispatcher* dispatcher) {
  loop_type_ = type;
  dispatcher_ = dispatcher;
  running_ = true;
  Run();
  running_ = false;
}

void FrameworkThread::Run() {
  if (g_tls_data == nullptr) g_tls_data = new FrameworkThreadTlsData{this, 0, -1};

  switch (loop_type_) {
    case MessageLoop::Type::kUI:
      message_loop_ = std::make_unique<UIMessageLoop>();
      break;
    case MessageLoop::Type::kIO:
      message_loop_ = std::make_unique<IOMessageLoop>();
      break;
    case MessageLoop::Type::kCustom:
      if (custom_loop_factory_) message_loop_ = custom_loop_factory_->CreateMessageLoop();
      break;
    case MessageLoop::Type::kDefault:
      break;
  }
  if (!message_loop_) message_loop_ = std::make_unique<MessageLoop>();
  {
    AutoLock lock(proxy_lock_);
    proxy_ = message_loop_->message_loop_proxy();
  }

  Init();
  SetEvent(started_event_.Get());

  message_loop_->Run(dispatcher_);

  Cleanup();

  {
    AutoLock lock(proxy_lock_);
    proxy_.reset();
  }
  message_loop_.reset();
  if (loop_type_ == MessageLoop::Type::kCustom) custom_loop_factory_.reset();
  delete g_tls_data;
  g_tls_data = nullptr;
}

void FrameworkThread::Stop() {
  if (!running_) return;
  if (!quit_posted_) {
    AutoLock lock(proxy_lock_);
    if (proxy_) {
      quit_posted_ = true;
      // Queued behind every task already posted, so those run before Cleanup.
      proxy_->PostNonNestableTask(
          MakeWeakCallback(GetWeakFlag(), &FrameworkThread::QuitCurrentLoop));
    }
  }
  Close();
  running_ = false;
  quit_posted_ = false;
}

void FrameworkThread::QuitCurrentLoop() { MessageLoop::current()->Quit(); }

}  // namespace qbase
