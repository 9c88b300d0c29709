#pragma once

#include <memory>

#include "base/framework_thread.h"
#include "launcher/core/launcher_lifecycle.h"
#include "launcher/core/misc_thread.h"

// The start-up thread (kMainThreadId) with the user-interface loop: every
// window and UI object lives here. Its Init starts the worker and waits for
// the worker's Init; its Cleanup stops the worker before the process ends.
class MainThread : public qbase::FrameworkThread {
 public:
  // `lifecycle` must outlive the thread.
  explicit MainThread(LauncherLifecycle* lifecycle);
  ~MainThread() override;

 protected:
  void Init() override;
  void Cleanup() override;

 private:
  LauncherLifecycle* lifecycle_;
  // Exists between Init and Cleanup.
  std::unique_ptr<MiscThread> misc_thread_;
};
