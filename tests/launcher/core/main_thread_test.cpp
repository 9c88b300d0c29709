#include "launcher/core/main_thread.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/message_loop.h"
#include "base/thread_registry.h"

namespace {

// Records every step with the thread it ran on and that thread's registered
// identifier; ends the UI loop once both ticks have repeated.
class RecordingLifecycle : public LauncherLifecycle {
 public:
  explicit RecordingLifecycle(DWORD main_thread) : main_thread_(main_thread) {}

  void LoadContext() override { Record("LoadContext"); }
  void OpenSkinPackage() override { Record("OpenSkinPackage"); }
  void StartUiFramework() override { Record("StartUiFramework"); }
  void LoadChannelConfig() override { Record("LoadChannelConfig"); }
  void CreateMainWindow() override { Record("CreateMainWindow"); }
  void UiTick() override {
    if (GetCurrentThreadId() != main_thread_) wrong_thread_ticks++;
    if (++ui_ticks == 2) {
      worker_ticks_at_second_ui_tick = worker_ticks;
      PostQuitMessage(0);
    }
  }
  void InitVersionState() override { Record("InitVersionState"); }
  void WorkerTick() override {
    if (GetCurrentThreadId() == main_thread_) wrong_thread_ticks++;
    if (worker_stopped) ticks_after_shutdown++;
    worker_ticks++;
  }
  void ShutdownContext() override {
    Record("ShutdownContext");
    worker_stopped = true;
  }
  void ShutdownUiFramework() override { Record("ShutdownUiFramework"); }
  void SaveDownloadLog() override { Record("SaveDownloadLog"); }
  void DisableDownloadManager() override { Record("DisableDownloadManager"); }
  void HandOffSelfUpdate() override { Record("HandOffSelfUpdate"); }

  std::vector<std::string> steps() {
    std::lock_guard<std::mutex> lock(mutex_);
    return steps_;
  }

  std::atomic<int> ui_ticks{0};
  std::atomic<int> worker_ticks{0};
  int worker_ticks_at_second_ui_tick = 0;
  std::atomic<int> wrong_thread_ticks{0};
  std::atomic<bool> worker_stopped{false};
  std::atomic<int> ticks_after_shutdown{0};

 private:
  void Record(const std::string& step) {
    const std::string thread = GetCurrentThreadId() == main_thread_ ? "main" : "worker";
    std::lock_guard<std::mutex> lock(mutex_);
    steps_.push_back(step + " " + thread + " " +
                     std::to_string(qbase::ThreadRegistry::CurrentThreadId()));
  }

  DWORD main_thread_;
  std::mutex mutex_;
  std::vector<std::string> steps_;
};

TEST(MainThreadTest, RunsBothThreadsInOrderWithTheirTicksUntilTheUserInterfaceQuits) {
  RecordingLifecycle lifecycle(GetCurrentThreadId());
  {
    MainThread main_thread(&lifecycle);
    main_thread.RunOnCurrentThread(qbase::MessageLoop::Type::kUI);
  }
  EXPECT_EQ((std::vector<std::string>{
                "LoadContext main -1",        // Before thread 0 is registered.
                "InitVersionState worker 1",  // The worker's Init ends before the UI goes on.
                "OpenSkinPackage main 0",
                "StartUiFramework main 0",
                "LoadChannelConfig main 0",
                "CreateMainWindow main 0",
                "ShutdownUiFramework main 0",
                "DisableDownloadManager main 0",
                "ShutdownContext worker 1",  // The worker stops before thread 0 unregisters.
                "SaveDownloadLog main 0",    // No worker is left to change the record.
                "HandOffSelfUpdate main -1",
            }),
            lifecycle.steps());
  EXPECT_EQ(2, lifecycle.ui_ticks.load());
  // Two UI ticks take about a second: the 2 ms worker tick ran many times.
  EXPECT_GT(lifecycle.worker_ticks_at_second_ui_tick, 20);
  EXPECT_EQ(0, lifecycle.wrong_thread_ticks.load());
  EXPECT_EQ(0, lifecycle.ticks_after_shutdown.load());
  // Both identifiers are free again.
  EXPECT_FALSE(qbase::ThreadRegistry::PostTask(qbase::kMainThreadId, [] {}));
  EXPECT_FALSE(qbase::ThreadRegistry::PostTask(qbase::kMiscThreadId, [] {}));
  MSG quit;
  PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

}  // namespace
