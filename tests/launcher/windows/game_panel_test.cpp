// The game button and the install/progress panel of the real main window: the
// button decided from the engine and the game folder, the pages fed by the
// engine's messages, the click actions, and real passes of the demo content
// service started, paused and continued by real clicks. The worker is ticked
// as the launcher ticks it, with the download manager over the local servers.

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <json/json.h>

#include "base/folder_util.h"
#include "base/string_util.h"
#include "base/thread_registry.h"
#include "launcher/core/context_download_delegate.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/state.h"
#include "launcher/core/state_factory.h"
#include "launcher/core/window_messages.h"
#include "launcher/download/download_manager.h"
#include "launcher/update/context_update_world.h"
#include "launcher/update/update_state_factory.h"
#include "launcher/windows/main_form.h"
#include "launcher/windows/msg_box.h"
#include "launcher/windows/setup_path_form.h"
#include "launcher/windows/tab_asset.h"
#include "launcher/windows/window_dialog_presenter.h"
#include "tests/launcher/core/resting_state.h"
#include "tests/launcher/download/download_test_env.h"
#include "tests/launcher/update/pass_content.h"
#include "tests/launcher/update/pass_worker.h"
#include "tests/launcher/windows/windows_test_env.h"
#include "tests/support/real_mouse.h"
#include "tests/support/wait_for.h"
#include "ui/box/tab_box.h"
#include "ui/control/button.h"
#include "ui/control/label.h"
#include "ui/resources/language_string_table.h"

namespace {

using test_support::RestingState;
using test_support::WaitFor;
using test_support::WindowsTestEnv;

constexpr wchar_t kGameInstanceMutex[] = L"_Tova_Instance_";

// The first state of every pass the panel starts: counted, and made by the
// launcher's own factory only while a test wants the real pass.
class RecordingStateFactory : public StateFactory {
 public:
  std::unique_ptr<State> CreatePrepareState(UpdateMode mode) override {
    ++passes;
    startGame = LauncherContext::GetInstance()->startGameAfterPass;
    return realPasses ? real_.CreatePrepareState(mode) : nullptr;
  }
  std::unique_ptr<State> CreatePreDownloadState() override { return nullptr; }

  std::atomic<int> passes{0};
  std::atomic<bool> startGame{false};
  std::atomic<bool> realPasses{false};

 private:
  UpdateStateFactory real_{ContextUpdateWorld::GetInstance()};
};

bool LittleSpace(const std::wstring&, uint64_t* total, uint64_t* free) {
  *total = 1ull << 40;
  *free = kRequiredDiskSpace - 1;
  return true;
}

std::wstring EnvironmentPath(const wchar_t* name) {
  wchar_t value[1024] = {};
  const DWORD length = GetEnvironmentVariableW(name, value, 1024);
  return length == 0 || length >= 1024 ? std::wstring() : std::wstring(value);
}

// What the attribution host was asked, as one text (the events travel in
// the query).
std::string AttributionLog() {
  std::string text;
  for (const Json::Value& request : download_test::FaultRequests("/~attribution/v1/adjust")) {
    text += request["query"].asString() + "\n";
  }
  return text;
}

class GamePanelTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    WindowsTestEnv::Get();
    DownloadManager::GetInstance().SetDelegate(&download_delegate_);
    LauncherContext::GetInstance()->SetStateFactory(&factory_);
    // The worker as the launcher runs it: the manager over the local servers,
    // states and transfers advanced from one tick every 2 ms.
    test_support::RunOnThread(qbase::kMiscThreadId, [] {
      lifecycle_.InitVersionState();
      qbase::ThreadRegistry::PostRepeatedTask(
          qbase::kMiscThreadId,
          tick_owner_.ToWeakCallback(qbase::Closure([] { lifecycle_.WorkerTick(); })),
          qbase::TimeDelta::FromMicroseconds(2000));
    });
  }

  void SetUp() override {
    ASSERT_TRUE(env_.skin_open());
    // A stand-in game left by an earlier run would hold the instance slot.
    pass_test::CloseStandInGame();
    download_test::ResetFaultHost();
    test_support::MoveMouseTo(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
    game_path_ = env_.dir().Child(qbase::Utf8ToWide(
                     testing::UnitTest::GetInstance()->current_test_info()->name())) +
                 L"\\Corvandel Game";
    factory_.realPasses = false;
    LauncherContext* context = context_;
    test_support::RunOnThread(qbase::kMiscThreadId, [context] {
      context->publicIp = "203.0.113.7";
      context->patchOption = 2;
      context->gameVersion.clear();
      context->targetGameVersion.clear();
    });
    ASSERT_TRUE(env_.OnUi([this, context] {
      context->SetDialogPresenter(&presenter_);
      context->SetDiskSpaceQuery(&pass_test::PlentyOfSpace);
      LauncherSettings settings = context->GetSettings();
      settings.gamePath = game_path_;
      settings.closeToHide = false;
      settings.autoUpdate = false;
      settings.languageType = 0;
      context->SetSettings(settings);
      context->errorShown = false;
      context->messageBoxShownOnce = false;
      form_ = new MainForm();
      hwnd_ = form_->Create(nullptr, L"Launcher", 0x00CE0000, 0, true, RECT{0, 0, 0, 0});
      ASSERT_NE(hwnd_, nullptr);
      form_->CenterWindow();
      form_->ShowWindow(true, true);
      game_button_ = dynamic_cast<ui::Button*>(form_->FindControl(L"btn_game"));
      tabs_ = dynamic_cast<ui::TabBox*>(form_->FindControl(L"tab_assets"));
    }));
    ASSERT_NE(game_button_, nullptr);
    ASSERT_NE(tabs_, nullptr);
    ASSERT_TRUE(WaitFor([this] { return IsWindowVisible(hwnd_) != FALSE; }));
  }

  void TearDown() override {
    test_support::RunOnThread(qbase::kMiscThreadId, [] {
      LauncherContext::GetInstance()->ChangeState(nullptr);
      DownloadManager& downloads = DownloadManager::GetInstance();
      downloads.CancelAll(DownloadMode::Game);
      if (downloads.paused()) downloads.ContinueDownloads();
    });
    // A pass that reached its end started the demo's game.
    pass_test::CloseStandInGame();
    env_.Reset();
  }

  void SetState(StateId id, UpdateMode mode = UpdateMode::Game) {
    LauncherContext* context = context_;
    test_support::RunOnThread(qbase::kMiscThreadId, [context, id, mode] {
      if (id == StateId::None) {
        context->currentState.reset();
      } else {
        context->currentState = std::make_unique<RestingState>(id, mode);
      }
    });
  }
  // The worker's pause, and its answer to the window handled.
  void SetPaused(bool paused) {
    test_support::RunOnThread(qbase::kMiscThreadId, [paused] {
      DownloadManager& downloads = DownloadManager::GetInstance();
      if (paused && !downloads.paused()) downloads.PauseDownloads();
      if (!paused && downloads.paused()) downloads.ContinueDownloads();
    });
    env_.OnUi(nullptr);
  }
  std::wstring GameFile(const wchar_t* name) const { return game_path_ + L"\\" + name; }
  void SetGameFile(const wchar_t* name, bool present) {
    if (present) {
      test_support::WriteFileBytes(GameFile(name), "x");
    } else {
      DeleteFileW(GameFile(name).c_str());
    }
  }

  std::wstring GameKey() {
    std::wstring key;
    env_.OnUi([&] { key = game_button_->GetTextId(); });
    return key;
  }
  bool GameEnabled() {
    bool enabled = false;
    env_.OnUi([&] { enabled = game_button_->IsEnabled(); });
    return enabled;
  }
  int Page() {
    int page = -1;
    env_.OnUi([&] { page = tabs_->GetCurSel(); });
    return page;
  }
  template <typename T>
  T* PageAt(int index) {
    T* page = nullptr;
    env_.OnUi([&] { page = dynamic_cast<T*>(tabs_->GetItemAt(index)); });
    return page;
  }
  std::wstring TextOf(ui::Label* label) {
    std::wstring text;
    env_.OnUi([&] { text = label ? label->GetText() : L"<none>"; });
    return text;
  }
  static std::wstring Language(const wchar_t* key) {
    return ui::LanguageStringTable::GetInstance()->GetStringById(key);
  }
  static std::wstring NormalImage(ui::Control* control) {
    return control->GetStateImages()[ui::kImageTypeBackground][ui::kControlStateNormal]
        .attribute.descriptor;
  }
  StateId CurrentStateId() {
    StateId id = StateId::None;
    LauncherContext* context = context_;
    test_support::RunOnThread(qbase::kMiscThreadId, [&id, context] {
      if (context->currentState) id = context->currentState->GetId();
    });
    return id;
  }

  void Foreground() {
    env_.OnUi([this] { SetForegroundWindow(hwnd_); });
    WaitFor([this] { return GetForegroundWindow() == hwnd_; });
  }
  // The screen once the window's newest paint is on it: painted now, and the
  // gap between the panel and the game button shows the body's gray.
  void SaveShot(const wchar_t* name) {
    POINT gap = {};
    env_.OnUi([&] {
      UpdateWindow(hwnd_);
      const RECT corner = form_->GetShadow().corner;
      gap = {corner.left + 1010, corner.top + 620};
      ClientToScreen(hwnd_, &gap);
    });
    EXPECT_TRUE(WaitFor([&] {
      HDC screen = GetDC(nullptr);
      const COLORREF color = GetPixel(screen, gap.x, gap.y);
      ReleaseDC(nullptr, screen);
      return color == RGB(0x50, 0x50, 0x50);
    }));
    EXPECT_TRUE(test_support::SaveScreenshot(test_support::ArtifactPath(name)));
  }
  // Moves the real mouse onto `control` until the window has seen it arrive
  // (the control turned hot).
  bool HoverUntilHot(ui::Control* control) {
    POINT point = {};
    env_.OnUi([&] {
      const RECT rect = control->GetPos();
      point = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
      ClientToScreen(hwnd_, &point);
    });
    int nudge = 0;
    return WaitFor([&] {
      // Now and then the mouse leaves the window and comes back, so a control
      // that missed its enter (it was disabled then) sees one.
      if (nudge % 20 == 19) {
        test_support::MoveMouseTo(GetSystemMetrics(SM_CXSCREEN) - 2,
                                  GetSystemMetrics(SM_CYSCREEN) - 2);
        Sleep(50);
      }
      test_support::MoveMouseTo(point.x + nudge % 2, point.y);
      ++nudge;
      Sleep(50);
      bool hot = false;
      env_.OnUi([&] { hot = control->GetState() == ui::kControlStateHot; });
      return hot;
    });
  }
  std::string Diagnose(ui::Control* control) {
    std::string text;
    env_.OnUi([&] {
      const RECT rect = control->GetPos();
      POINT point = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
      ui::Control* at = form_->FindControlAt(point);
      POINT screen = point;
      ClientToScreen(hwnd_, &screen);
      POINT cursor = {};
      GetCursorPos(&cursor);
      wchar_t cls[64] = {};
      GetClassNameW(WindowFromPoint(screen), cls, 64);
      text = "state " + std::to_string(control->GetState()) + " enabled " +
             std::to_string(control->IsEnabled()) + " at " +
             (at ? qbase::WideToUtf8(at->GetName()) : std::string("none")) + " window " +
             qbase::WideToUtf8(cls) + " cursor " + std::to_string(cursor.x) + "," +
             std::to_string(cursor.y) + " point " + std::to_string(screen.x) + "," +
             std::to_string(screen.y) + " fg " + std::to_string(GetForegroundWindow() == hwnd_) +
             " hover " +
             (form_->GetHoverControl() ? qbase::WideToUtf8(form_->GetHoverControl()->GetName())
                                       : std::string("none"));
    });
    return text;
  }
  // A press of the real mouse on `control`. The mouse comes from the
  // settings button, so the control sees it enter even when the last click
  // left the mouse on it; only once it is enabled, as a disabled control
  // ignores the mouse entering.
  void RealClick(ui::Control* control) {
    ASSERT_TRUE(WaitFor([&] {
      bool enabled = false;
      env_.OnUi([&] { enabled = control->IsEnabled(); });
      return enabled;
    })) << Diagnose(control);
    ASSERT_TRUE(HoverUntilHot(form_->FindControl(L"btn_settings")));
    ASSERT_TRUE(HoverUntilHot(control)) << Diagnose(control);
    test_support::MouseButton(MOUSEEVENTF_LEFTDOWN);
    test_support::MouseButton(MOUSEEVENTF_LEFTUP);
  }
  template <typename T>
  T* WaitForDialog(const wchar_t* class_name) {
    T* dialog = nullptr;
    WaitFor([&] {
      env_.OnUi([&] {
        ui::Window* window = test_support::FindFrameworkWindow(class_name);
        dialog = window && IsWindowVisible(window->GetHWND()) ? dynamic_cast<T*>(window) : nullptr;
      });
      return dialog != nullptr;
    });
    return dialog;
  }
  bool DialogGone(const wchar_t* class_name) {
    return WaitFor([&] {
      ui::Window* left = nullptr;
      env_.OnUi([&] { left = test_support::FindFrameworkWindow(class_name); });
      return left == nullptr;
    });
  }

  static pass_test::WorkerLifecycle lifecycle_;
  static qbase::WeakCallbackFlag tick_owner_;
  static ContextDownloadDelegate download_delegate_;
  static RecordingStateFactory factory_;

  WindowsTestEnv& env_ = WindowsTestEnv::Get();
  LauncherContext* context_ = LauncherContext::GetInstance();
  WindowDialogPresenter presenter_;
  std::wstring game_path_;
  MainForm* form_ = nullptr;  // deletes itself with its window
  HWND hwnd_ = nullptr;
  ui::Button* game_button_ = nullptr;
  ui::TabBox* tabs_ = nullptr;
};

pass_test::WorkerLifecycle GamePanelTest::lifecycle_{
    pass_test::WorkerLifecycle::Options{false, false}};
qbase::WeakCallbackFlag GamePanelTest::tick_owner_;
ContextDownloadDelegate GamePanelTest::download_delegate_;
RecordingStateFactory GamePanelTest::factory_;

// What the game folder, the engine and the flags hold for one decision.
enum World : unsigned {
  kPaused = 1 << 0,
  kExecutable = 1 << 1,
  kInterrupted = 1 << 2,
  kUpdate = 1 << 3,
  kAutoUpdate = 1 << 4,
  kErrorShown = 1 << 5,
  kBoxOpen = 1 << 6,
  kBoxShownOnce = 1 << 7,
  kGameRunning = 1 << 8,
};

TEST_F(GamePanelTest, TheButtonFollowsTheEngineAndTheGameFolder) {
  constexpr const wchar_t* kUnchanged = nullptr;
  const struct {
    const char* name;
    StateId state;
    UpdateMode mode;
    unsigned world;
    const wchar_t* key;
    bool enabled;
    int page;
    bool startsPass;
  } cases[] = {
      {"launcher pass checking", StateId::Prepare, UpdateMode::Launcher, 0, kUnchanged, false, 3,
       false},
      {"launcher pass downloading", StateId::DownloadFiles, UpdateMode::Launcher, kExecutable,
       kUnchanged, false, 2, false},
      {"game pass paused", StateId::DownloadFiles, UpdateMode::Game, kPaused | kExecutable,
       L"STRING_DLC_PAUSED", false, 2, false},
      {"game pass checking", StateId::CheckVersion, UpdateMode::Game, 0, L"STRING_START_GAME",
       false, 3, false},
      {"game pass applying", StateId::ApplyUpdate, UpdateMode::Game, kExecutable,
       L"STRING_START_GAME", false, 2, false},
      {"no game", StateId::None, UpdateMode::Game, kAutoUpdate, L"STRING_GET_GAME", true, 1, false},
      {"no game after a failed pass", StateId::Exception, UpdateMode::Game, 0, L"STRING_GET_GAME",
       true, 1, false},
      // Continued at once even with automatic updates off.
      {"interrupted update", StateId::EnterGame, UpdateMode::Game, kInterrupted,
       L"STRING_DOWNLOAD_CONTINUE", true, 0, true},
      {"interrupted after a box", StateId::None, UpdateMode::Game,
       kInterrupted | kExecutable | kBoxShownOnce | kAutoUpdate, L"STRING_DOWNLOAD_CONTINUE", true,
       0, false},
      {"interrupted after an error", StateId::None, UpdateMode::Game, kInterrupted | kErrorShown,
       L"STRING_DOWNLOAD_CONTINUE", true, 0, false},
      {"interrupted while the game runs", StateId::None, UpdateMode::Game,
       kInterrupted | kGameRunning, L"STRING_DOWNLOAD_CONTINUE", true, 0, false},
      {"update", StateId::None, UpdateMode::Game, kExecutable | kUpdate | kAutoUpdate,
       L"STRING_UPDATE_GAME", true, 0, true},
      // Only an open box holds the update back.
      {"update after a closed box", StateId::EnterGame, UpdateMode::Game,
       kExecutable | kUpdate | kAutoUpdate | kBoxShownOnce, L"STRING_UPDATE_GAME", true, 0, true},
      {"update with automatic updates off", StateId::None, UpdateMode::Game, kExecutable | kUpdate,
       L"STRING_UPDATE_GAME", true, 0, false},
      {"update while a box is open", StateId::None, UpdateMode::Game,
       kExecutable | kUpdate | kAutoUpdate | kBoxOpen, L"STRING_UPDATE_GAME", true, 0, false},
      {"update after an error", StateId::Exception, UpdateMode::Game,
       kExecutable | kUpdate | kAutoUpdate | kErrorShown, L"STRING_UPDATE_GAME", true, 0, false},
      {"update while the game runs", StateId::None, UpdateMode::Game,
       kExecutable | kUpdate | kAutoUpdate | kGameRunning, L"STRING_UPDATE_GAME", true, 0, false},
      {"ready", StateId::EnterGame, UpdateMode::Game, kExecutable | kAutoUpdate,
       L"STRING_START_GAME", true, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetState(c.state, c.mode);
    SetPaused((c.world & kPaused) != 0);
    SetGameFile(L"TOVA.exe", (c.world & kExecutable) != 0);
    SetGameFile(L"tmp_version_map.txt", (c.world & kInterrupted) != 0);
    LauncherContext* context = context_;
    const bool update = (c.world & kUpdate) != 0;
    test_support::RunOnThread(qbase::kMiscThreadId, [context, update] {
      context->gameVersion = "3_2_7";
      context->targetGameVersion = update ? "3_2_8" : "3_2_7";
    });
    HANDLE game =
        (c.world & kGameRunning) ? CreateMutexW(nullptr, FALSE, kGameInstanceMutex) : nullptr;
    env_.OnUi([&] {
      LauncherSettings settings = context->GetSettings();
      settings.autoUpdate = (c.world & kAutoUpdate) != 0;
      context->SetSettings(settings);
      // After the state, whose making clears it.
      context->errorShown = (c.world & kErrorShown) != 0;
      context->messageBoxOpen = (c.world & kBoxOpen) != 0;
      context->messageBoxShownOnce = (c.world & kBoxShownOnce) != 0;
    });
    const std::wstring before = GameKey();
    const int passes = factory_.passes;

    SendMessageW(hwnd_, WM_STATE_CHANGED, 0, 0);
    env_.SyncWorker();
    if (game) CloseHandle(game);

    EXPECT_EQ(GameKey(), c.key ? std::wstring(c.key) : before);
    EXPECT_EQ(GameEnabled(), c.enabled);
    EXPECT_EQ(Page(), c.page);
    EXPECT_EQ(factory_.passes - passes, c.startsPass ? 1 : 0);
    // An automatic pass starts the game when it ends.
    if (c.startsPass) {
      EXPECT_TRUE(factory_.startGame);
    }
  }
  // The automatic passes sent their reports.
  EXPECT_TRUE(WaitFor([] {
    const std::string log = AttributionLog();
    return log.find("click_launch_continue_download_game") != std::string::npos &&
           log.find("click_launch_update_game") != std::string::npos;
  })) << AttributionLog();
  env_.OnUi([this] { context_->messageBoxOpen = false; });
}

TEST_F(GamePanelTest, ThePagesShowTheEngineMessages) {
  // The setup page: the game folder.
  SendMessageW(hwnd_, WM_STATE_CHANGED, 0, 0);
  ASSERT_EQ(Page(), 1);
  EXPECT_EQ(TextOf(dynamic_cast<ui::Label*>(form_->FindControl(L"text_set_path"))), game_path_);
  SaveShot(L"game_panel_setup");

  // The check page: the count of items and the percent.
  SetState(StateId::Prepare);
  SendMessageW(hwnd_, WM_STATE_CHANGED, 0, 0);
  ASSERT_EQ(Page(), 3);
  auto* check = PageAt<MainComponents::TabAssetCheck>(3);
  ASSERT_NE(check, nullptr);
  SendMessageW(hwnd_, WM_CHECK_PROGRESS, 3 + 5 * 65536, 40);
  EXPECT_EQ(TextOf(check->count_label()), L"(3/5)");
  env_.OnUi([&] { EXPECT_EQ(check->progress()->GetValue(), 40); });
  SaveShot(L"game_panel_check");
  SendMessageW(hwnd_, WM_CHECK_PROGRESS, 0, 90);
  EXPECT_EQ(TextOf(check->count_label()), L"");
  env_.OnUi([&] { EXPECT_EQ(check->progress()->GetValue(), 90); });

  // The download page waits for its first numbers.
  SetState(StateId::DownloadFiles);
  SendMessageW(hwnd_, WM_STATE_CHANGED, 0, 0);
  ASSERT_EQ(Page(), 2);
  auto* download = PageAt<MainComponents::TabAssetDownload>(2);
  ASSERT_NE(download, nullptr);
  EXPECT_EQ(TextOf(download->time_label()), Language(L"STRING_RESOURCE_WAITING"));

  SendMessageW(hwnd_, WM_DOWNLOAD_PROGRESS, 8 << 20, 1 << 20);
  EXPECT_EQ(TextOf(download->info_label()), L"Downloading game resources: 12.50% ( 1.00M/ 8.00M)");
  // More done than in all is a late message: nothing changes.
  SendMessageW(hwnd_, WM_DOWNLOAD_PROGRESS, 1000, 1001);
  EXPECT_EQ(TextOf(download->info_label()), L"Downloading game resources: 12.50% ( 1.00M/ 8.00M)");
  env_.OnUi([&] { EXPECT_FLOAT_EQ(download->progress()->GetValue(), 12.5); });
  SendMessageW(hwnd_, WM_DOWNLOAD_PROGRESS, 0, 0);
  env_.OnUi([&] { EXPECT_EQ(download->progress()->GetValue(), 100); });

  const struct {
    WPARAM seconds;
    LPARAM speed;
    const wchar_t* time;
    const wchar_t* speed_text;
  } speeds[] = {
      {3725, 1 << 20, L"Time remaining: 01:02:05", L"Download speed:  1.00M/S"},
      {59, 512000, L"Time remaining: 00:00:59", L"Download speed: 500.00KB/S"},
      // Only the low 32 bits are the seconds.
      {0x100000000ull + 61, 3ll << 30, L"Time remaining: 00:01:01", L"Download speed:  3.00G/S"},
  };
  for (const auto& s : speeds) {
    SendMessageW(hwnd_, WM_DOWNLOAD_SPEED, s.seconds, s.speed);
    EXPECT_EQ(TextOf(download->time_label()), s.time);
    EXPECT_EQ(TextOf(download->speed_label()), s.speed_text);
  }
  SendMessageW(hwnd_, WM_DOWNLOAD_PROGRESS, 3ll << 30, 3ll << 29);
  SaveShot(L"game_panel_download");

  // Turkish puts the sign first; a launcher pass names the launcher.
  env_.OnUi([this] {
    LauncherSettings settings = context_->GetSettings();
    settings.languageType = 10;
    context_->SetSettings(settings);
  });
  SendMessageW(hwnd_, WM_DOWNLOAD_PROGRESS, 8 << 20, 2 << 20);
  EXPECT_EQ(TextOf(download->info_label()), L"Downloading game resources: %25.00 ( 2.00M/ 8.00M)");
  env_.OnUi([this] {
    LauncherSettings settings = context_->GetSettings();
    settings.languageType = 0;
    context_->SetSettings(settings);
  });
  SetState(StateId::DownloadFiles, UpdateMode::Launcher);
  SendMessageW(hwnd_, WM_DOWNLOAD_PROGRESS, 8 << 20, 2 << 20);
  EXPECT_EQ(TextOf(download->info_label()), L"Update Launcher: 25.00% ( 2.00M/ 8.00M)");

  // Files being applied hide the pause button and show their percent.
  SendMessageW(hwnd_, WM_CHECK_PROGRESS, 0, 70);
  env_.OnUi([&] { EXPECT_EQ(download->progress()->GetValue(), 70); });
  EXPECT_TRUE(WaitFor([&] {
    bool visible = true;
    env_.OnUi([&] { visible = download->control_button()->IsVisible(); });
    return !visible;
  }));

  // Idle: the empty page.
  SetGameFile(L"TOVA.exe", true);
  SetState(StateId::None);
  SendMessageW(hwnd_, WM_STATE_CHANGED, 0, 0);
  EXPECT_EQ(Page(), 0);
  EXPECT_EQ(GameKey(), L"STRING_START_GAME");
  SaveShot(L"game_panel_ready");
}

// The pause answers toggle the download page's button and the game button;
// the game button comes back to a real key whatever order they come in.
TEST_F(GamePanelTest, PauseAnswersRestoreTheGameButton) {
  SetGameFile(L"TOVA.exe", true);
  SetState(StateId::DownloadFiles);
  SendMessageW(hwnd_, WM_STATE_CHANGED, 0, 0);
  ASSERT_EQ(Page(), 2);
  auto* download = PageAt<MainComponents::TabAssetDownload>(2);
  ASSERT_NE(download, nullptr);
  ui::Button* pause = download->control_button();
  ASSERT_EQ(GameKey(), L"STRING_START_GAME");

  const struct {
    LPARAM paused;
    const wchar_t* key;
    const wchar_t* look;
  } answers[] = {
      // Running again with no pause before: the button is decided afresh.
      {0, L"STRING_START_GAME", L"btn_pause"},
      {1, L"STRING_DLC_PAUSED", L"btn_continue"},
      // A second pause keeps the key of the first to come back to.
      {1, L"STRING_DLC_PAUSED", L"btn_continue"},
      // Any value but 1 is running again.
      {2, L"STRING_START_GAME", L"btn_pause"},
      {0, L"STRING_START_GAME", L"btn_pause"},
  };
  for (const auto& a : answers) {
    SCOPED_TRACE(a.paused);
    env_.OnUi([&] { pause->SetEnabled(false); });
    SendMessageW(hwnd_, WM_DOWNLOAD_PAUSED, 0, a.paused);
    EXPECT_EQ(GameKey(), a.key);
    env_.OnUi([&] {
      EXPECT_TRUE(pause->IsEnabled());
      EXPECT_NE(NormalImage(pause).find(a.look), std::wstring::npos) << NormalImage(pause);
      // The look's class does not resize the layout's button.
      EXPECT_EQ(pause->GetFixedWidth(), 40);
      EXPECT_EQ(pause->GetFixedHeight(), 40);
    });
    if (a.paused == 1) {
      EXPECT_EQ(TextOf(download->speed_label()), L"Download speed: 0.00KB/S");
    }
  }
}

TEST_F(GamePanelTest, ClicksWithoutRoomOrWithTheGameRunningOnlyTellThePlayer) {
  SendMessageW(hwnd_, WM_STATE_CHANGED, 0, 0);
  ASSERT_EQ(GameKey(), L"STRING_GET_GAME");
  const int passes = factory_.passes;

  // Less than 4 GiB: only the disk box, no folder, no pass.
  env_.OnUi([this] { context_->SetDiskSpaceQuery(&LittleSpace); });
  env_.OnUi([this] { test_support::ClickControl(hwnd_, game_button_); });
  auto* box = WaitForDialog<MsgBox>(L"MsgBox");
  ASSERT_NE(box, nullptr);
  env_.OnUi([&] {
    auto* content = dynamic_cast<ui::Label*>(box->FindControl(L"content"));
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(content->GetText(), L"Not enough disk space.  4.00G needed.");
  });
  env_.OnUi([&] { box->Confirm(); });
  ASSERT_TRUE(DialogGone(L"MsgBox"));
  env_.SyncWorker();
  EXPECT_FALSE(test_support::IsDirectory(game_path_));
  EXPECT_EQ(factory_.passes, passes);

  // The game runs and takes the one instance slot: the box, no pass.
  env_.OnUi([this] { context_->SetDiskSpaceQuery(&pass_test::PlentyOfSpace); });
  SetGameFile(L"TOVA.exe", true);
  SendMessageW(hwnd_, WM_STATE_CHANGED, 0, 0);
  ASSERT_EQ(GameKey(), L"STRING_START_GAME");
  HANDLE game = CreateMutexW(nullptr, FALSE, kGameInstanceMutex);
  env_.OnUi([this] { test_support::ClickControl(hwnd_, game_button_); });
  box = WaitForDialog<MsgBox>(L"MsgBox");
  CloseHandle(game);
  ASSERT_NE(box, nullptr);
  env_.OnUi([&] {
    auto* content = dynamic_cast<ui::Label*>(box->FindControl(L"content"));
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(content->GetText(), Language(L"STRING_ERROR_EXCEED_MAX_GAME_INSTANCE"));
  });
  env_.OnUi([&] { box->Confirm(); });
  ASSERT_TRUE(DialogGone(L"MsgBox"));
  env_.SyncWorker();
  EXPECT_EQ(factory_.passes, passes);

  // The game ended: the same click plays.
  env_.OnUi([this] { test_support::ClickControl(hwnd_, game_button_); });
  env_.SyncWorker();
  EXPECT_EQ(factory_.passes, passes + 1);
  EXPECT_TRUE(factory_.startGame);
  EXPECT_TRUE(WaitFor([] {
    return AttributionLog().find("click_launch_play_game") != std::string::npos;
  })) << AttributionLog();
  EXPECT_EQ(AttributionLog().find("click_launch_download_game"), std::string::npos);
}

// The install path dialog's install starts a pass that leaves the game
// unstarted; its cancel starts nothing.
TEST_F(GamePanelTest, TheSetupPageInstallsWithoutStartingTheGame) {
  SendMessageW(hwnd_, WM_STATE_CHANGED, 0, 0);
  ASSERT_EQ(Page(), 1);
  ui::Control* set_path = form_->FindControl(L"btn_set_path");
  ASSERT_NE(set_path, nullptr);
  const int passes = factory_.passes;

  env_.OnUi([&] { test_support::ClickControl(hwnd_, set_path); });
  auto* dialog = WaitForDialog<SetupPathForm>(L"SetupPathForm");
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(IsWindowEnabled(hwnd_));
  env_.OnUi([&] { dialog->Cancel(); });
  ASSERT_TRUE(DialogGone(L"SetupPathForm"));
  env_.OnUi(nullptr);
  env_.SyncWorker();
  EXPECT_EQ(factory_.passes, passes);
  EXPECT_TRUE(IsWindowEnabled(hwnd_));

  env_.OnUi([&] { test_support::ClickControl(hwnd_, set_path); });
  dialog = WaitForDialog<SetupPathForm>(L"SetupPathForm");
  ASSERT_NE(dialog, nullptr);
  // One answer, however often it is given during the fade.
  env_.OnUi([&] {
    dialog->Confirm();
    dialog->Confirm();
  });
  ASSERT_TRUE(DialogGone(L"SetupPathForm"));
  env_.OnUi(nullptr);
  env_.SyncWorker();
  EXPECT_EQ(factory_.passes, passes + 1);
  EXPECT_FALSE(factory_.startGame);
  EXPECT_TRUE(test_support::IsDirectory(context_->GetSettings().gamePath));
  EXPECT_TRUE(WaitFor([] {
    return AttributionLog().find("click_launch_download_game") != std::string::npos;
  })) << AttributionLog();
}

// A machine without the game: the button offers the game, a real click
// installs the demo's game through a real pass, and the download page's
// button pauses and continues the real transfers.
TEST_F(GamePanelTest, AFreshMachineInstallsThroughTheButtonAndPausesTheDownload) {
  const std::wstring demo = EnvironmentPath(L"LAUNCHER_DEMO_CONTENT");
  ASSERT_FALSE(demo.empty()) << "LAUNCHER_DEMO_CONTENT names no folder";
  const std::string cdn = "panel" + std::to_string(GetCurrentProcessId());
  const std::string demo_game = qbase::WideToUtf8(demo) + "\\content\\game";
  std::vector<std::string> files;
  ASSERT_GT(ListFilesRecursive(demo_game, &files, {"patchs"}), 200);
  for (const std::string& file : files) {
    std::string name = file.substr(demo_game.size() + 1);
    for (char& c : name) {
      if (c == '\\') c = '/';
    }
    pass_test::ServeContent(cdn + "/game/" + name,
                            test_support::ReadFileBytes(qbase::Utf8ToWide(file)));
  }
  // The largest file arrives slowly, so the pass stays downloading.
  const std::string host = "/~slow/" + cdn + "/game/";
  Json::Value throttle;
  throttle["path"] = host + "TOVA_Data/StreamingAssets/Video/intro.usm";
  throttle["action"] = "throttle";
  throttle["rate"] = 16384;
  download_test::SetFaultRule(throttle);
  pass_test::SetGateReply("/~gate/get/urls",
                          pass_test::GameReply(download_test::GetServers().faultUrl + host));
  factory_.realPasses = true;

  SendMessageW(hwnd_, WM_STATE_CHANGED, 0, 0);
  ASSERT_EQ(GameKey(), L"STRING_GET_GAME");
  ASSERT_EQ(Page(), 1);
  Foreground();
  const int passes = factory_.passes;
  RealClick(game_button_);

  // The game pass runs and will start the game; the button waits for it.
  ASSERT_TRUE(WaitFor([&] { return factory_.passes == passes + 1; }));
  EXPECT_TRUE(factory_.startGame);
  EXPECT_TRUE(test_support::IsDirectory(game_path_));
  ASSERT_TRUE(WaitFor([this] { return CurrentStateId() == StateId::DownloadFiles; }));
  ASSERT_TRUE(WaitFor([this] { return Page() == 2; }));
  EXPECT_EQ(GameKey(), L"STRING_START_GAME");
  EXPECT_FALSE(GameEnabled());
  auto* download = PageAt<MainComponents::TabAssetDownload>(2);
  ASSERT_NE(download, nullptr);
  ASSERT_TRUE(WaitFor([&] {
    return TextOf(download->info_label()).rfind(L"Downloading game resources: ", 0) == 0;
  })) << qbase::WideToUtf8(TextOf(download->info_label()));

  // The worker is held while the pause is clicked: the button waits, off,
  // for its answer, and a second click cannot ask again.
  ui::Button* pause = download->control_button();
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  qbase::ThreadRegistry::PostTask(qbase::kMiscThreadId,
                                  [release] { WaitForSingleObject(release, 120000); });
  RealClick(pause);
  EXPECT_TRUE(WaitFor([&] {
    bool enabled = true;
    env_.OnUi([&] { enabled = pause->IsEnabled(); });
    return !enabled;
  }));
  test_support::MouseButton(MOUSEEVENTF_LEFTDOWN);
  test_support::MouseButton(MOUSEEVENTF_LEFTUP);
  env_.OnUi(nullptr);
  SetEvent(release);
  CloseHandle(release);

  const auto look_is = [&](const wchar_t* look) {
    bool matches = false;
    env_.OnUi([&] {
      matches = pause->IsEnabled() && NormalImage(pause).find(look) != std::wstring::npos;
    });
    return matches;
  };
  ASSERT_TRUE(WaitFor([&] { return look_is(L"btn_continue"); }));
  EXPECT_TRUE(DownloadManager::GetInstance().paused());
  EXPECT_EQ(GameKey(), L"STRING_DLC_PAUSED");
  EXPECT_EQ(TextOf(download->speed_label()), L"Download speed: 0.00KB/S");
  SaveShot(L"game_panel_paused");

  RealClick(pause);
  ASSERT_TRUE(WaitFor([&] { return look_is(L"btn_pause"); }));
  EXPECT_FALSE(DownloadManager::GetInstance().paused());
  EXPECT_EQ(GameKey(), L"STRING_START_GAME");
  EXPECT_EQ(CurrentStateId(), StateId::DownloadFiles);
  EXPECT_TRUE(WaitFor([] {
    return AttributionLog().find("click_launch_download_game") != std::string::npos;
  })) << AttributionLog();
}

}  // namespace
