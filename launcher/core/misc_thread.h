#pragma once

#include "base/framework_thread.h"
#include "launcher/core/launcher_lifecycle.h"

// The worker thread (kMiscThreadId): owns the update states and the download
// manager and advances both from one tick every 2 ms, so a state change and a
// transfer completion never run at the same time.
class MiscThread : public qbase::FrameworkThread {
 public:
  // `lifecycle` must outlive the thread.
  explicit MiscThread(LauncherLifecycle* lifecycle);
  ~MiscThread() override;

 protected:
  void Init() override;
  void Cleanup() override;

 private:
  void Tick();

  LauncherLifecycle* lifecycle_;
};
