#include "launcher/core/main_thread.h"

#include "base/thread_registry.h"

namespace {

constexpr qbase::TimeDelta kUiTickPeriod = qbase::TimeDelta::FromMicroseconds(500000);

}  // namespace

MainThread::MainThread(LauncherLifecycle* lifecycle)
    : FrameworkThread("MainThread"), lifecycle_(lifecycle) {}

MainThread::~MainThread() { misc_thread_.reset(); }

void MainThread::Init() {
  // Before the registration: a post to thread 0 from here would be dropped.
  lifecycle_->LoadContext();
  qbase::ThreadRegistry::RegisterThread(qbase::kMainThreadId);

  // Returns once the worker's Init has run: thread 1 is registered and its
  // tick queued. Without a worker the launcher still shows its window.
  misc_thread_ = std::make_unique<MiscThread>(lifecycle_);
  misc_thread_->Start(qbase::MessageLoop::Type::kDefault);

  lifecycle_->OpenSkinPackage();
  lifecycle_->StartUiFramework();
  lifecycle_->LoadChannelConfig();
  qbase::ThreadRegistry::PostRepeatedTask(
      qbase::kMainThreadId, ToWeakCallback(qbase::Closure([this] { lifecycle_->UiTick(); })),
      kUiTickPeriod, qbase::kRepeatForever);
  lifecycle_->CreateMainWindow();
}

void MainThread::Cleanup() {
  lifecycle_->ShutdownUiFramework();
  // Before the worker stops, so its last ticks start no transfer.
  lifecycle_->DisableDownloadManager();
  if (misc_thread_) {
    misc_thread_->Stop();
    misc_thread_.reset();
  }
  // Only now: the worker's transfers write the download record until it ends.
  lifecycle_->SaveDownloadLog();
  qbase::ThreadRegistry::UnregisterThread();
  lifecycle_->HandOffSelfUpdate();
}
