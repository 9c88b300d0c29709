// A launcher self-update end to end: a launcher pass of the real states
// downloads a new "launcher.exe", browser files and a font from the local
// servers, the ready state offers the restart, the box is accepted, and the
// helper copy of the built launcher, started in "replace" mode, puts the files
// in place, starts the new launcher and deletes itself. The new launcher is
// the stand-in game's program, which records in "fake_game.log" that it ran.

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/thread_registry.h"
#include "launcher/core/dialog_presenter.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/resource_fonts.h"
#include "tests/launcher/download/download_test_env.h"
#include "tests/launcher/update/pass_content.h"
#include "tests/launcher/update/pass_worker.h"
#include "tests/launcher/update/stop_recording_world.h"
#include "tests/support/scoped_current_folder.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wait_for.h"
#include "ui/resources/global_manager.h"

namespace {

using download_test::GetServers;
using pass_test::Files;
using pass_test::MapText;
using pass_test::Md5;
using pass_test::RunOn;
using pass_test::StopRecordingWorld;
using test_support::FileExists;
using test_support::ReadFileBytes;
using test_support::TryReadFileBytes;
using test_support::WaitFor;

// A font name of this test's own, so the carried fonts are not overwritten.
constexpr char kFontName[] = "TovaPassTest.ttf";
constexpr wchar_t kFontNameW[] = L"TovaPassTest.ttf";

// ui::Window lives above the update engine and only the presenter looks
// inside one: an address stands in for the main window's.
char g_window_token;
ui::Window* const kMainUiWindow = reinterpret_cast<ui::Window*>(&g_window_token);

// Accepts every box once the UI thread is free again, as a click would.
class AcceptingPresenter : public DialogPresenter {
 public:
  HWND GetWindowHandle(ui::Window* window) override {
    return window == kMainUiWindow ? LauncherContext::GetInstance()->mainWindow : nullptr;
  }
  void ShowMessageBox(ui::Window* /*owner*/, const MessageBoxContent& content) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      shown_.push_back(content.content.text);
    }
    DialogCallback callback = content.callback;
    qbase::ThreadRegistry::PostTask(qbase::kMainThreadId, [callback] {
      LauncherContext::GetInstance()->messageBoxOpen = false;
      if (callback) callback(DialogResult::Ok);
    });
  }
  void ShowOptionsBox(ui::Window* /*owner*/, const OptionsBoxRequest& /*request*/) override {}

  std::vector<std::wstring> shown() {
    std::lock_guard<std::mutex> lock(mutex_);
    return shown_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::wstring> shown_;
};

std::mutex g_closed_mutex;
int g_closed = 0;

// Records the close the self-update asks for; the stand-in window stays.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CLOSE) {
    std::lock_guard<std::mutex> lock(g_closed_mutex);
    ++g_closed;
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

class SelfUpdatePassTest : public testing::Test {
 protected:
  SelfUpdatePassTest() {
    download_test::ResetFaultHost();
    threads_.Start(L"SelfUpdatePassTestMainWindow", MainWindowProc, &lifecycle_);
    ui::GlobalManager::windowList = {kMainUiWindow};
    RunOn(qbase::kMiscThreadId, [this] {
      LauncherContext* context = LauncherContext::GetInstance();
      context->SetDialogPresenter(&presenter);
      context->publicIp = "203.0.113.7";
      context->patchOption = 2;
      context->forceUpdateLauncher = false;
      context->restartPromptArmed = false;
      context->startGameAfterPass = false;
    });
    pass_test::SetGateReply("/~gate/get/urls",
                            pass_test::LauncherReply(GetServers().contentUrl + "/" + cdn + "/"));
  }
  ~SelfUpdatePassTest() override {
    RunOn(qbase::kMiscThreadId, [] {
      LauncherContext* context = LauncherContext::GetInstance();
      context->ChangeState(nullptr);
      context->SetDialogPresenter(nullptr);
    });
    threads_.Stop();
    ui::GlobalManager::windowList.clear();
    // The new launcher is the stand-in game: it ends when its window closes.
    pass_test::CloseStandInGame(scratch.Child(L"fake_game.log"));
    DeleteFileW(InstalledFont().c_str());
  }

  static std::wstring InstalledFont() { return GetSystemFontFolder() + L"\\" + kFontNameW; }
  void Serve(const std::string& name, const std::string& bytes) {
    pass_test::ServeContent(cdn + "/" + name, bytes);
  }
  std::vector<std::string> LauncherLog() {
    std::string log;
    if (!TryReadFileBytes(scratch.Child(L"fake_game.log"), &log)) return {};
    return pass_test::Lines(log);
  }

  pass_test::WorkerLifecycle lifecycle_;
  pass_test::PassThreads threads_;
  test_support::ScratchDir scratch;
  test_support::ScopedCurrentFolder folder{scratch.path()};
  std::string cdn = "self" + std::to_string(GetCurrentProcessId());
  AcceptingPresenter presenter;
  StopRecordingWorld world;
};

TEST_F(SelfUpdatePassTest, TheHelperInstallsTheNewLauncherItsFilesAndFontThenGoes) {
  // Installed: the built launcher, which becomes the helper.
  std::string old_launcher;
  ASSERT_TRUE(TryReadFileBytes(test_support::HostPathInWine(LAUNCHER_EXE), &old_launcher));
  test_support::WriteFileBytes(scratch.Child(L"launcher.exe"), old_launcher);
  test_support::WriteFileBytes(scratch.Child(L"cef\\qoz_libcef.dll"), "old dll");
  test_support::WriteFileBytes(
      scratch.Child(L"launcher_version_map.txt"),
      MapText("1.0.0", {{"launcher.exe", old_launcher}, {"cef/qoz_libcef.dll", "old dll"}}));

  Files remote;
  ASSERT_TRUE(
      TryReadFileBytes(test_support::HostPathInWine(FAKE_GAME_EXE), &remote["launcher.exe"]));
  remote["cef/qoz_libcef.dll"] = "new dll";
  remote["cef/locales/deep/zh-TW.pak"] = download_test::SeededBytes(5000, 3);
  remote[kFontName] = download_test::SeededBytes(3000, 4);
  remote["LICENSE.txt"] = "license";
  for (const auto& [name, bytes] : remote) Serve(name, bytes);
  const std::string remote_map = MapText("1.1.0", remote);
  Serve("launcher_version_map.txt", remote_map);
  Serve("patchs/1_0_0/patch_list.txt", "{}");

  pass_test::StartPass(&world, UpdateMode::Launcher);
  StopRecordingWorld::Stop stop;
  ASSERT_TRUE(world.AwaitStop(&stop));
  ASSERT_EQ(stop.id, StateId::EnterGame) << stop.error;
  EXPECT_EQ(ReadFileBytes(scratch.Child(L"launcher_version_map.txt")), remote_map);
  // Files the running launcher does not hold are in place at once.
  EXPECT_EQ(ReadFileBytes(scratch.Child(L"LICENSE.txt")), "license");

  // The offer was accepted: the main window closes, and all three pending
  // installs went to the one helper.
  ASSERT_TRUE(WaitFor([this] { return !presenter.shown().empty(); }));
  EXPECT_EQ(presenter.shown(), std::vector<std::wstring>{L"STRING_UPDATE_LAUNCHER"});
  ASSERT_TRUE(WaitFor([] {
    std::lock_guard<std::mutex> lock(g_closed_mutex);
    return g_closed == 1;
  }));
  RunOn(qbase::kMainThreadId, [] {
    LauncherContext* context = LauncherContext::GetInstance();
    EXPECT_FALSE(context->launcherExeUpdated);
    EXPECT_FALSE(context->cefFilesUpdated);
    EXPECT_FALSE(context->fontsUpdated);
  });

  // The helper replaces the executable, starts it, and deletes itself.
  std::string bytes;
  EXPECT_TRUE(WaitFor([&] {
    return TryReadFileBytes(scratch.Child(L"launcher.exe"), &bytes) &&
           bytes == remote["launcher.exe"];
  }));
  EXPECT_TRUE(WaitFor([this] { return !LauncherLog().empty(); }));
  EXPECT_EQ(LauncherLog().at(0), "start .\\launcher.exe");
  EXPECT_TRUE(WaitFor([this] { return !FileExists(scratch.Child(L"launcher_temp.exe")); }));

  // By then the browser files and the font are installed and their lists gone.
  EXPECT_EQ(ReadFileBytes(scratch.Child(L"cef\\qoz_libcef.dll")), "new dll");
  EXPECT_EQ(Md5(ReadFileBytes(scratch.Child(L"cef\\locales\\deep\\zh-TW.pak"))),
            Md5(remote["cef/locales/deep/zh-TW.pak"]));
  EXPECT_FALSE(FileExists(scratch.Child(L"update\\cef\\qoz_libcef.dll")));
  EXPECT_FALSE(FileExists(scratch.Child(L"update\\cef_update.txt")));
  EXPECT_EQ(Md5(ReadFileBytes(InstalledFont())), Md5(remote[kFontName]));
  EXPECT_EQ(Md5(ReadFileBytes(scratch.Child(kFontNameW))), Md5(remote[kFontName]));
  EXPECT_FALSE(FileExists(scratch.Child(std::wstring(L"update\\") + kFontNameW)));
  EXPECT_FALSE(FileExists(scratch.Child(L"update\\font_update.txt")));
}

}  // namespace
