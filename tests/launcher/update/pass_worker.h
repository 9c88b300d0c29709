#pragma once

// What the end-to-end pass tests share: the worker's subsystems set up as the
// launcher sets them up, over the local servers, and a way to run code on a
// framework thread.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/thread_registry.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/launcher_lifecycle.h"
#include "launcher/core/misc_thread.h"
#include "launcher/download/download_manager.h"
#include "launcher/update/context_update_world.h"
#include "launcher/update/prepare_state.h"
#include "tests/launcher/core/resting_state.h"
#include "tests/launcher/download/download_test_env.h"
#include "tests/support/main_window_thread.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wait_for.h"

namespace pass_test {

class WorkerLifecycle : public LauncherLifecycle {
 public:
  struct Options {
    // A host where nothing listens comes before the directory service.
    bool deadGateFirst = false;
    // The start loads the installed versions; a test that sets the game
    // folder first loads them itself.
    bool loadVersions = true;
  };

  WorkerLifecycle() = default;
  explicit WorkerLifecycle(Options options) : options_(options) {}

  void LoadContext() override {}
  void OpenSkinPackage() override {}
  void StartUiFramework() override {}
  void LoadChannelConfig() override {}
  void CreateMainWindow() override {}
  void UiTick() override {}
  void InitVersionState() override {
    const download_test::Servers& servers = download_test::GetServers();
    DownloadManager& downloads = DownloadManager::GetInstance();
    DownloadServiceSettings services;
    if (options_.deadGateFirst) services.gateUrls.push_back(servers.deadUrl + "/");
    services.gateUrls.push_back(servers.faultUrl + "/~gate/");
    services.trackUrl = servers.faultUrl + "/~track/track/json_track";
    services.attributionUrl = servers.faultUrl + "/~attribution/v1/adjust";
    downloads.SetServiceSettings(services);
    downloads.Init();
    if (options_.loadVersions) LauncherContext::GetInstance()->InitVersionState();
  }
  void WorkerTick() override {
    LauncherContext* context = LauncherContext::GetInstance();
    if (context->currentState) context->currentState->Update();
    if (context->preDownloadState) context->preDownloadState->Update();
    DownloadManager::GetInstance().Poll();
  }
  void ShutdownContext() override {
    DownloadManager::GetInstance().Shutdown();
    LauncherContext::GetInstance()->Shutdown();
  }
  void ShutdownUiFramework() override {}
  void DisableDownloadManager() override {}
  void SaveDownloadLog() override {}
  void HandOffSelfUpdate() override {}

 private:
  Options options_;
};

// Runs `task` on the framework thread `thread` and waits for it.
inline void RunOn(int thread, const std::function<void()>& task) {
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(qbase::ThreadRegistry::PostTask(thread, [&task, done] {
    task();
    SetEvent(done);
  }));
  EXPECT_EQ(WaitForSingleObject(done, 120000), WAIT_OBJECT_0);
  CloseHandle(done);
}

inline bool PlentyOfSpace(const std::wstring&, uint64_t* total, uint64_t* free) {
  *total = *free = 1ull << 40;
  return true;
}

// Thread 0 with its stand-in main window, and the worker over `lifecycle`,
// started as the launcher starts them; the drives report plenty of room.
class PassThreads {
 public:
  void Start(const wchar_t* window_class, WNDPROC procedure, LauncherLifecycle* lifecycle) {
    ui_thread_ = std::make_unique<test_support::MainWindowThread>(window_class, procedure);
    ASSERT_TRUE(ui_thread_->Start(qbase::MessageLoop::Type::kUI));
    LauncherContext::GetInstance()->mainWindow = ui_thread_->window;
    LauncherContext::GetInstance()->SetDiskSpaceQuery(&PlentyOfSpace);
    worker_ = std::make_unique<MiscThread>(lifecycle);
    ASSERT_TRUE(worker_->Start(qbase::MessageLoop::Type::kDefault));
  }
  void Stop() {
    worker_.reset();
    LauncherContext::GetInstance()->mainWindow = nullptr;
    ui_thread_.reset();
  }

 private:
  std::unique_ptr<test_support::MainWindowThread> ui_thread_;
  std::unique_ptr<MiscThread> worker_;
};

using test_support::RestingState;

// Stops what runs and sets the context up for a pass over the game in
// `game_path`: the public address known, patches allowed.
inline void ResetContext(const std::wstring& game_path) {
  RunOn(qbase::kMiscThreadId, [&game_path] {
    LauncherContext* context = LauncherContext::GetInstance();
    context->ChangeState(nullptr);
    LauncherSettings settings = context->GetSettings();
    settings.gamePath = game_path;
    context->SetSettings(settings);
    context->publicIp = "203.0.113.7";
    context->patchOption = 2;
  });
}

// Loads the versions from the files, as the worker's start does, then starts
// a pass of `mode` in `world`; `start_game` as the main window's start button
// asks for the game at its end.
inline void StartPass(ContextUpdateWorld* world, UpdateMode mode, bool start_game = false) {
  RunOn(qbase::kMiscThreadId, [start_game] {
    LauncherContext* context = LauncherContext::GetInstance();
    context->InitVersionState();
    context->startGameAfterPass = start_game;
  });
  RunOn(qbase::kMiscThreadId,
        [world, mode] { world->ChangeState(std::make_unique<PrepareState>(mode, world)); });
}

// Closes the stand-in game's windows and waits until it has let go of the
// instance mutex, which it holds a moment longer than its windows. Given the
// log of a stand-in that was started, it also waits for that one's last line:
// it logs its start before it makes its windows, so a close that came between
// would find none and leave it running into the next test.
inline void CloseStandInGame(const std::wstring& started_log = std::wstring()) {
  auto ended = [&started_log] {
    std::string log;
    if (started_log.empty() || !test_support::TryReadFileBytes(started_log, &log)) return true;
    const size_t last = log.find_last_not_of("\r\n");
    if (last == std::string::npos) return true;
    const std::string line = log.substr(log.find_last_of('\n', last) + 1, std::string::npos);
    return line.compare(0, 4, "exit") == 0 || line.compare(0, 4, "busy") == 0 ||
           line.compare(0, 9, "no window") == 0;
  };
  test_support::WaitFor([&ended] {
    if (HWND game = FindWindowW(L"UnityWndClass", nullptr)) PostMessageW(game, WM_CLOSE, 0, 0);
    return ended() && FindWindowW(L"UnityWndClass", nullptr) == nullptr;
  });
  test_support::WaitFor([] { return !LauncherContext::GetInstance()->IsGameRunning(); });
}

}  // namespace pass_test
