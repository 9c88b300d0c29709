#include "launcher/core/misc_thread.h"

#include "base/thread_registry.h"

namespace {

constexpr qbase::TimeDelta kTickPeriod = qbase::TimeDelta::FromMicroseconds(2000);

}  // namespace

MiscThread::MiscThread(LauncherLifecycle* lifecycle)
    : FrameworkThread("MiscThread"), lifecycle_(lifecycle) {}

// Joined here, while the members the thread uses still exist.
MiscThread::~MiscThread() { Stop(); }

void MiscThread::Init() {
  qbase::ThreadRegistry::RegisterThread(qbase::kMiscThreadId);
  lifecycle_->InitVersionState();
  qbase::ThreadRegistry::PostRepeatedTask(qbase::kMiscThreadId,
                                          ToWeakCallback(qbase::Closure([this] { Tick(); })),
                                          kTickPeriod, qbase::kRepeatForever);
}

void MiscThread::Cleanup() {
  lifecycle_->ShutdownContext();
  qbase::ThreadRegistry::UnregisterThread();
}

void MiscThread::Tick() { lifecycle_->WorkerTick(); }
