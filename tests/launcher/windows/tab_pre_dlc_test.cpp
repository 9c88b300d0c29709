#include "launcher/windows/tab_pre_dlc.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/file_io.h"
#include "base/folder_util.h"
#include "launcher/core/context_download_delegate.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/state.h"
#include "launcher/core/state_factory.h"
#include "launcher/core/window_messages.h"
#include "launcher/download/download_manager.h"
#include "launcher/windows/main_form.h"
#include "launcher/windows/msg_box.h"
#include "launcher/windows/pre_dlc_form.h"
#include "launcher/windows/pre_dlc_popup_form.h"
#include "launcher/windows/window_dialog_presenter.h"
#include "tests/launcher/core/resting_state.h"
#include "tests/launcher/core/thread_test_support.h"
#include "tests/launcher/windows/windows_test_env.h"
#include "tests/support/real_mouse.h"
#include "tests/support/wait_for.h"
#include "ui/box/builder_cache.h"
#include "ui/box/tab_box.h"
#include "ui/control/button.h"
#include "ui/control/label.h"
#include "ui/control/progress.h"
#include "ui/resources/image.h"
#include "ui/resources/language_string_table.h"

namespace {

using MainComponents::TabPreDlc;
using MainComponents::TabPreDlcDownload;
using test_support::WaitFor;
using test_support::WindowsTestEnv;

constexpr int kTurkish = 10;

std::wstring Text(const wchar_t* key) {
  return ui::LanguageStringTable::GetInstance()->GetStringById(key);
}

// The pre-download while it transfers its files.
class TransferringPreDownload : public State {
 public:
  StateId GetId() const override { return StateId::PreDownload; }
  void Enter(State*) override {}
  void Update() override {}
  void Exit(State*) override {}
  bool IsDownloading() const override { return true; }
};

// A pre-download that, once started, tells the window that it downloads, as
// the engine's does when its transfers begin.
class AnnouncingPreDownload : public TransferringPreDownload {
 public:
  void Enter(State*) override {
    LauncherContext::GetInstance()->SendToMainWindow(WM_PREDOWNLOAD_STATUS, 2, 1);
  }
};

class PreDownloadFactory : public StateFactory {
 public:
  std::unique_ptr<State> CreatePrepareState(UpdateMode) override { return nullptr; }
  std::unique_ptr<State> CreatePreDownloadState() override {
    return std::make_unique<AnnouncingPreDownload>();
  }
};

class TabPreDlcTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(env_.skin_open());
    test_support::MoveMouseTo(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
    LauncherContext* context = context_;
    ASSERT_TRUE(env_.OnUi([this, context] {
      // The pages are built from their own layout files.
      ui::BuilderCache::Install();
      context->SetDialogPresenter(&presenter_);
      LauncherSettings settings = context->GetSettings();
      settings.closeToHide = false;
      settings.languageType = 0;
      context->SetSettings(settings);
      context->preDownloadAutoStart = false;
      context->preDownloadPaused = false;
      context->preDownloadVersion.clear();
      game_ = std::make_unique<test_support::RecordingWindow>(L"PreDlcTestGame");
      context->RegisterGameWindow(game_->handle());
      form_ = new MainForm();
      hwnd_ = form_->Create(nullptr, L"Launcher", 0x00CE0000, 0, true, RECT{0, 0, 0, 0});
      ASSERT_NE(hwnd_, nullptr);
      form_->CenterWindow();
      form_->ShowWindow(true, true);
    }));
    ASSERT_TRUE(WaitFor([this] { return IsWindowVisible(hwnd_) != FALSE; }));
  }
  void TearDown() override {
    LauncherContext* context = context_;
    test_support::RunOnThread(1, [] {
      DownloadManager& downloads = DownloadManager::GetInstance();
      if (downloads.paused()) downloads.ContinueDownloads();
      downloads.SetDelegate(nullptr);
    });
    env_.Reset();
    env_.OnUi([this, context] {
      context->SetStateFactory(nullptr);
      LauncherSettings settings = context->GetSettings();
      settings.languageType = 0;
      context->SetSettings(settings);
      game_.reset();
      // Prunes the recording window from the game's list.
      context->RegisterGameWindow(nullptr);
    });
  }

  void Status(WPARAM page, LPARAM arg) { SendMessageW(hwnd_, WM_PREDOWNLOAD_STATUS, page, arg); }
  void SetState(std::unique_ptr<State> state) {
    LauncherContext* context = context_;
    State* raw = state.release();
    test_support::RunOnThread(1, [context, raw] { context->currentState.reset(raw); });
  }
  void SetPreDownloadState(std::unique_ptr<State> state) {
    LauncherContext* context = context_;
    State* raw = state.release();
    test_support::RunOnThread(1, [context, raw] { context->preDownloadState.reset(raw); });
  }
  void SetLanguageType(int type) {
    env_.OnUi([&] {
      LauncherSettings settings = context_->GetSettings();
      settings.languageType = type;
      context_->SetSettings(settings);
    });
  }

  ui::TabBox* Tabs() { return dynamic_cast<ui::TabBox*>(form_->FindControl(L"tab_predlc")); }
  int32_t Shown() {
    int32_t shown = -1;
    env_.OnUi([&] { shown = Tabs()->GetCurSel(); });
    return shown;
  }
  // UI thread only.
  TabPreDlcDownload* DownloadPage() {
    return dynamic_cast<TabPreDlcDownload*>(Tabs()->GetItemAt(2));
  }
  // A control of one page, UI thread only.
  template <typename T>
  T* InPage(int32_t page, const wchar_t* name) {
    auto* box = dynamic_cast<ui::Box*>(Tabs()->GetItemAt(page));
    const std::wstring wanted(name);
    return dynamic_cast<T*>(box->FindControl(
        [&wanted](ui::Control* control, void*) -> ui::Control* {
          return control->GetName() == wanted ? control : nullptr;
        },
        nullptr, 0, {0, 0}));
  }
  std::wstring LabelText(int32_t page, const wchar_t* name) {
    std::wstring text;
    env_.OnUi([&] {
      if (auto* label = InPage<ui::Label>(page, name)) text = label->GetText();
    });
    return text;
  }
  // The normal image of a page's button: it tells the button's class.
  std::wstring ButtonLook(int32_t page) {
    std::wstring look;
    env_.OnUi([&] {
      auto* button = InPage<ui::Button>(page, L"btn_download_ctrl");
      look = button->GetStateImages()[ui::kImageTypeBackground][ui::kControlStateNormal]
                 .attribute.descriptor;
    });
    return look;
  }
  bool ButtonEnabled(int32_t page) {
    bool enabled = false;
    env_.OnUi([&] { enabled = InPage<ui::Button>(page, L"btn_download_ctrl")->IsEnabled(); });
    return enabled;
  }

  // Every value the game was told of the pre-download, in order.
  std::vector<LPARAM> GameStates() {
    std::vector<LPARAM> states;
    for (const auto& received : game_->received()) {
      if (received.message == WM_GAME_PREDOWNLOAD_STATE) states.push_back(received.lparam);
    }
    return states;
  }
  // The game's answer to `query`: the newest message of `answer` once one
  // more has come.
  test_support::ReceivedMessage Ask(UINT query, UINT answer) {
    const auto count = [&] {
      size_t n = 0;
      for (const auto& received : game_->received()) n += received.message == answer ? 1 : 0;
      return n;
    };
    const size_t before = count();
    SendMessageW(hwnd_, query, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return count() > before; }));
    test_support::ReceivedMessage last = {};
    for (const auto& received : game_->received()) {
      if (received.message == answer) last = received;
    }
    return last;
  }
  LPARAM AskGameState() { return Ask(WM_GAME_QUERY_PREDOWNLOAD, WM_GAME_PREDOWNLOAD_STATE).lparam; }

  // The screen point of a control's middle, once the window has laid it out:
  // a page that has just been selected is placed at the next paint.
  POINT ScreenCentre(ui::Control* control) {
    POINT point = {};
    EXPECT_TRUE(WaitFor([&] {
      bool placed = false;
      env_.OnUi([&] {
        const RECT rect = control->GetPos();
        RECT window = {};
        GetClientRect(control->GetWindow()->GetHWND(), &window);
        RECT inside = {};
        placed = !control->IsArrangePending() && !IsRectEmpty(&rect) &&
                 IntersectRect(&inside, &rect, &window) && EqualRect(&inside, &rect);
        bool in_tabs = false;
        for (ui::Control* up = control; up != nullptr; up = up->GetParent()) {
          in_tabs = in_tabs || up == Tabs();
        }
        if (in_tabs) {
          const RECT tabs = Tabs()->GetPos();
          placed = placed && IntersectRect(&inside, &rect, &tabs) && EqualRect(&inside, &rect);
        }
        point = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        ClientToScreen(control->GetWindow()->GetHWND(), &point);
      });
      return placed;
    }));
    return point;
  }
  // A real click at the middle of `control`, once the window sees the mouse
  // on it. Given again only when nothing came of it for a long while, as a
  // busy UI thread may lose one; a toggle must not be clicked twice.
  template <typename Predicate>
  bool RealClick(ui::Control* control, Predicate done) {
    const POINT point = ScreenCentre(control);
    return WaitFor([&] {
      if (done()) return true;
      int nudge = 0;
      WaitFor([&] {
        nudge = 1 - nudge;
        test_support::MoveMouseTo(point.x + nudge, point.y);
        Sleep(50);
        bool hovered = false;
        env_.OnUi([&] { hovered = control->GetWindow()->GetHoverControl() == control; });
        return hovered;
      });
      test_support::MouseButton(MOUSEEVENTF_LEFTDOWN);
      test_support::MouseButton(MOUSEEVENTF_LEFTUP);
      for (int i = 0; i < 100 && !done(); ++i) Sleep(100);
      return done();
    });
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
  PreDlcPopupForm* Popup() {
    PreDlcPopupForm* popup = nullptr;
    env_.OnUi([&] { popup = DownloadPage()->popup(); });
    return popup;
  }
  HWND PopupWindow() {
    HWND window = nullptr;
    env_.OnUi([&] {
      if (PreDlcPopupForm* popup = DownloadPage()->popup()) window = popup->GetHWND();
    });
    return window;
  }
  void Screenshot(const wchar_t* name) {
    env_.OnUi(nullptr);
    // Lets the layered window's last paint reach the screen; only for people.
    Sleep(300);
    test_support::SaveScreenshot(test_support::ArtifactPath(name));
  }

  WindowsTestEnv& env_ = WindowsTestEnv::Get();
  LauncherContext* context_ = LauncherContext::GetInstance();
  WindowDialogPresenter presenter_;
  // Outlives the manager's use of it: TearDown takes it back.
  ContextDownloadDelegate delegate_;
  std::unique_ptr<test_support::RecordingWindow> game_;  // UI thread
  MainForm* form_ = nullptr;                             // deletes itself with its window
  HWND hwnd_ = nullptr;
};

// Every status row selects its page with its look, and the game is told the
// page's state: 0 to 4.
TEST_F(TabPreDlcTest, StatusRowsSelectThePagesAndTheGameHearsTheirState) {
  ASSERT_EQ(Shown(), 0);
  env_.OnUi([&] { EXPECT_EQ(Tabs()->GetCount(), 4); });
  EXPECT_EQ(AskGameState(), 0);
  Screenshot(L"predlc_page_none");

  enum class Pass { Idle, Busy, AskingForPatches };
  const struct {
    const char* name;
    Pass pass;
    WPARAM page;
    LPARAM arg;
    int32_t shown;
    const wchar_t* look;  // part of the button's image; null: no button
    const wchar_t* key;   // the language key of the title (download page) or the hint
    LPARAM game;
    const wchar_t* screenshot;
  } cases[] = {
      {"empty", Pass::Idle, 0, 0, 0, nullptr, nullptr, 0, nullptr},
      {"offer", Pass::Idle, 1, 0, 1, L"download", L"STRING_PREDLC_BEFORE", 1, L"predlc_page_offer"},
      {"checking", Pass::Idle, 2, 0, 2, L"pause", L"STRING_CHECK_ASSET", 3, nullptr},
      {"downloading", Pass::Idle, 2, 1, 2, L"pause", L"STRING_PREDLC_DOWNLOAD", 3,
       L"predlc_page_download"},
      {"downloading while patches are asked for", Pass::AskingForPatches, 2, 1, 2, L"pause",
       L"STRING_PREDLC_DOWNLOAD", 3, nullptr},
      {"downloading while a pass is busy", Pass::Busy, 2, 1, 2, L"continue", L"STRING_PREDLC_PAUSE",
       2, nullptr},
      {"reset keeps the page", Pass::Idle, static_cast<WPARAM>(-1), -1, 2, L"continue",
       L"STRING_PREDLC_PAUSE", 2, nullptr},
      {"finished", Pass::Idle, 3, 0, 3, nullptr, L"STRING_PREDLC_FINISH", 4, L"predlc_page_finish"},
      {"an unknown page keeps the page", Pass::Idle, 7, 0, 3, nullptr, L"STRING_PREDLC_FINISH", 4,
       nullptr},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.name);
    SetState(item.pass == Pass::Busy
                 ? std::make_unique<test_support::RestingState>(StateId::DownloadFiles)
             : item.pass == Pass::AskingForPatches
                 ? std::make_unique<test_support::RestingState>(StateId::RequestPatch)
                 : nullptr);
    Status(item.page, item.arg);
    EXPECT_EQ(Shown(), item.shown);
    if (item.look) {
      EXPECT_NE(ButtonLook(item.shown).find(item.look), std::wstring::npos);
    }
    if (item.shown == 2) {
      EXPECT_EQ(LabelText(2, L"text_title"), Text(item.key));
      EXPECT_TRUE(ButtonEnabled(2));
    } else if (item.key) {
      EXPECT_EQ(LabelText(item.shown, L"text_info"), Text(item.key));
    }
    EXPECT_EQ(AskGameState(), item.game);
    if (item.screenshot) Screenshot(item.screenshot);
  }
}

// A pre-download that stopped half way offers to continue; the button keeps
// its size whatever its class says.
TEST_F(TabPreDlcTest, AnUnfinishedPreDownloadIsOfferedToContinue) {
  ASSERT_TRUE(MakeDirectoriesW(L"update\\predownload\\1_2_0"));
  ASSERT_TRUE(
      WriteStringToFileA("update\\predownload\\1_2_0\\tmp_predownload_version_map.txt", "{}"));
  env_.OnUi([&] {
    context_->preDownloadVersion = "1_2_0";
    InPage<ui::Button>(1, L"btn_download_ctrl")->SetFixedWidth(60, true, false);
  });
  Status(1, 0);
  EXPECT_NE(ButtonLook(1).find(L"continue"), std::wstring::npos);
  EXPECT_EQ(LabelText(1, L"text_info"), Text(L"STRING_PREDLC_CONTINUE"));
  env_.OnUi([&] {
    EXPECT_EQ(InPage<ui::Button>(1, L"btn_download_ctrl")->GetFixedWidth(), 60);
    context_->preDownloadVersion.clear();
  });
  Status(1, 0);
  EXPECT_NE(ButtonLook(1).find(L"download"), std::wstring::npos);
  DeleteDirectoryTreeA("update");
}

// Progress, speed and pause messages reach the download page only while the
// pre-download transfers; the game's queries get the page's figures.
TEST_F(TabPreDlcTest, TheTransferMessagesFeedTheDownloadPage) {
  Status(2, 1);
  const int64_t total = 5ll << 29;  // 2.5 GiB
  const int64_t done = 1ll << 30;

  // Not transferring: the messages belong to the install/progress panel.
  SendMessageW(hwnd_, WM_DOWNLOAD_PROGRESS, total, done);
  env_.OnUi([&] { EXPECT_EQ(DownloadPage()->total(), 0); });

  SetPreDownloadState(std::make_unique<TransferringPreDownload>());
  SendMessageW(hwnd_, WM_DOWNLOAD_PROGRESS, total, done);
  // Only the low 32 bits of the speed count: 2 KiB per second.
  SendMessageW(hwnd_, WM_DOWNLOAD_SPEED, 3725, static_cast<LPARAM>(0x100000800ll));
  env_.OnUi([&] {
    TabPreDlcDownload* page = DownloadPage();
    EXPECT_EQ(page->size_text(), L"( 1.00G/ 2.50G)");
    EXPECT_EQ(page->time_text(), L"01:02:05");
    EXPECT_EQ(page->speed_text(), L" 2.00KB/S");
    EXPECT_DOUBLE_EQ(InPage<ui::Progress>(2, L"progress")->GetValue(), 40.0);
  });
  EXPECT_EQ(LabelText(2, L"text_info"), L"40%");

  auto progress = Ask(WM_GAME_QUERY_PROGRESS, WM_GAME_PROGRESS);
  EXPECT_EQ(static_cast<int64_t>(progress.wparam), total);
  EXPECT_EQ(static_cast<int64_t>(progress.lparam), done);
  auto speed = Ask(WM_GAME_QUERY_SPEED, WM_GAME_SPEED);
  EXPECT_EQ(speed.wparam, 3725u);
  EXPECT_EQ(speed.lparam, 2048);
  // While the game's own update downloads, the game hears no speed.
  SetState(std::make_unique<test_support::RestingState>(StateId::DownloadFiles));
  speed = Ask(WM_GAME_QUERY_SPEED, WM_GAME_SPEED);
  EXPECT_EQ(speed.wparam, 0u);
  EXPECT_EQ(speed.lparam, 0);
  SetState(nullptr);

  // More done than in all: only the numbers are kept.
  SendMessageW(hwnd_, WM_DOWNLOAD_PROGRESS, 100, 200);
  env_.OnUi([&] {
    EXPECT_EQ(DownloadPage()->done(), 200);
    EXPECT_EQ(DownloadPage()->size_text(), L"( 1.00G/ 2.50G)");
  });
  EXPECT_EQ(LabelText(2, L"text_info"), L"40%");

  // Turkish puts the sign first, after a language change too.
  SendMessageW(hwnd_, WM_DOWNLOAD_PROGRESS, 100, 42);
  SetLanguageType(kTurkish);
  SendMessageW(hwnd_, WM_LANGUAGE_RELOADED, 0, 0);
  EXPECT_EQ(LabelText(2, L"text_info"), L"%42");
  SetLanguageType(0);
  SendMessageW(hwnd_, WM_DOWNLOAD_PROGRESS, 100, 42);
  EXPECT_EQ(LabelText(2, L"text_info"), L"42%");

  // The dots move on each tick and start again after three.
  const std::wstring title = Text(L"STRING_PREDLC_DOWNLOAD");
  for (const wchar_t* dots : {L".", L"..", L"...", L""}) {
    SendMessageW(hwnd_, WM_PREDOWNLOAD_TICK, 0, 0);
    EXPECT_EQ(LabelText(2, L"text_title"), title + dots);
  }

  // Paused: the start image, the pause title, the speed reset and the game
  // told 2; the ticks stand still. lParam 2 means running again.
  const size_t told = GameStates().size();
  SendMessageW(hwnd_, WM_DOWNLOAD_PAUSED, 0, 1);
  EXPECT_NE(ButtonLook(2).find(L"continue"), std::wstring::npos);
  EXPECT_EQ(LabelText(2, L"text_title"), Text(L"STRING_PREDLC_PAUSE"));
  env_.OnUi([&] {
    EXPECT_EQ(DownloadPage()->stage(), -1);
    EXPECT_EQ(DownloadPage()->speed_text(), L"0KB/S");
    EXPECT_EQ(DownloadPage()->time_text(), L"--:--:--");
  });
  SendMessageW(hwnd_, WM_PREDOWNLOAD_TICK, 0, 0);
  EXPECT_EQ(LabelText(2, L"text_title"), Text(L"STRING_PREDLC_PAUSE"));
  speed = Ask(WM_GAME_QUERY_SPEED, WM_GAME_SPEED);
  EXPECT_EQ(speed.lparam, 0);
  SendMessageW(hwnd_, WM_DOWNLOAD_PAUSED, 0, 2);
  EXPECT_NE(ButtonLook(2).find(L"pause"), std::wstring::npos);
  EXPECT_EQ(LabelText(2, L"text_title"), title);
  env_.OnUi([&] { EXPECT_EQ(DownloadPage()->stage(), 1); });
  ASSERT_TRUE(WaitFor([&] { return GameStates().size() >= told + 2; }));
  EXPECT_EQ(GameStates()[told], 2);
  EXPECT_EQ(GameStates()[told + 1], 3);
}

// The offer with real input: the button opens the dialog, Enter confirms and
// the started pre-download shows its download page.
TEST_F(TabPreDlcTest, TheOfferConfirmedStartsThePreDownload) {
  PreDownloadFactory factory;
  context_->SetStateFactory(&factory);
  env_.OnUi([&] { context_->preDownloadSize = 3ll << 30; });
  Status(1, 0);
  ui::Control* button = nullptr;
  env_.OnUi([&] { button = InPage<ui::Button>(1, L"btn_download_ctrl"); });
  PreDlcForm* dialog = nullptr;
  ASSERT_TRUE(RealClick(button, [&] {
    env_.OnUi([&] {
      ui::Window* window = test_support::FindFrameworkWindow(L"PreDlcForm");
      dialog = window ? dynamic_cast<PreDlcForm*>(window) : nullptr;
    });
    return dialog != nullptr;
  }));
  ASSERT_NE(WaitForDialog<PreDlcForm>(L"PreDlcForm"), nullptr);
  EXPECT_FALSE(IsWindowEnabled(hwnd_));
  Screenshot(L"predlc_dialog");

  const HWND dialog_window = dialog->GetHWND();
  ASSERT_TRUE(WaitFor([&] {
    if (!IsWindow(dialog_window)) return true;
    env_.OnUi([&] { SetForegroundWindow(dialog_window); });
    if (GetForegroundWindow() != dialog_window) return false;
    INPUT keys[2] = {};
    keys[0].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = VK_RETURN;
    keys[1] = keys[0];
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
    Sleep(300);
    return !IsWindow(dialog_window);
  }));
  ASSERT_TRUE(WaitFor([&] { return Shown() == 2; }));
  EXPECT_TRUE(IsWindowEnabled(hwnd_));
  EXPECT_TRUE(context_->preDownloadAutoStart);
  EXPECT_NE(context_->preDownloadState, nullptr);
  EXPECT_EQ(LabelText(2, L"text_title"), Text(L"STRING_PREDLC_DOWNLOAD"));
  // The offer's button stays disabled until the offer is shown again.
  EXPECT_FALSE(ButtonEnabled(1));
}

// While the game updates, the pre-download buttons only tell so.
TEST_F(TabPreDlcTest, ClicksDuringAPassShowTheBusyNotice) {
  SetState(std::make_unique<test_support::RestingState>(StateId::ApplyUpdate));
  for (int32_t page : {1, 2}) {
    SCOPED_TRACE(page);
    Status(page, 1);
    ui::Control* button = nullptr;
    env_.OnUi([&] { button = InPage<ui::Button>(page, L"btn_download_ctrl"); });
    MsgBox* box = nullptr;
    // The box is asked for within the click; a second click would ask again.
    ASSERT_TRUE(RealClick(button, [&] { return context_->messageBoxOpen; }));
    box = WaitForDialog<MsgBox>(L"MsgBox");
    ASSERT_NE(box, nullptr);
    env_.OnUi([&] {
      auto* content = dynamic_cast<ui::Label*>(box->FindControl(L"content"));
      EXPECT_EQ(content->GetText(), Text(L"STRING_ERROR_DLC_OCCUPIED"));
    });
    EXPECT_EQ(test_support::FindFrameworkWindow(L"PreDlcForm"), nullptr);
    const HWND box_window = box->GetHWND();
    ASSERT_TRUE(WaitFor([&] {
      PostMessageW(box_window, WM_KEYDOWN, VK_ESCAPE, 0);
      return !IsWindow(box_window);
    }));
    EXPECT_EQ(context_->preDownloadState, nullptr);
    EXPECT_FALSE(context_->preDownloadAutoStart);
  }
}

// The pause button with real input: the start image as soon as the download
// manager has paused, the game told 2, then 3 when it continues, and 4 when
// the pre-download has finished.
TEST_F(TabPreDlcTest, PauseContinueAndFinishWithTheRealButton) {
  test_support::RunOnThread(1, [&] { DownloadManager::GetInstance().SetDelegate(&delegate_); });
  SetPreDownloadState(std::make_unique<TransferringPreDownload>());
  Status(2, 1);
  ui::Control* button = nullptr;
  env_.OnUi([&] { button = InPage<ui::Button>(2, L"btn_download_ctrl"); });

  // The button is disabled within the click until the answer comes: a second
  // click would ask again.
  size_t told = GameStates().size();
  ASSERT_TRUE(RealClick(button, [&] { return GameStates().size() > told || !ButtonEnabled(2); }));
  ASSERT_TRUE(WaitFor([&] { return GameStates().size() > told; }));
  EXPECT_EQ(GameStates()[told], 2);
  EXPECT_TRUE(DownloadManager::GetInstance().paused());
  EXPECT_TRUE(context_->preDownloadPaused);
  EXPECT_NE(ButtonLook(2).find(L"continue"), std::wstring::npos);
  EXPECT_TRUE(ButtonEnabled(2));
  EXPECT_EQ(AskGameState(), 2);

  told = GameStates().size();
  ASSERT_TRUE(RealClick(button, [&] { return GameStates().size() > told || !ButtonEnabled(2); }));
  ASSERT_TRUE(WaitFor([&] { return GameStates().size() > told; }));
  EXPECT_EQ(GameStates()[told], 3);
  EXPECT_FALSE(DownloadManager::GetInstance().paused());
  EXPECT_FALSE(context_->preDownloadPaused);
  EXPECT_NE(ButtonLook(2).find(L"pause"), std::wstring::npos);

  SetPreDownloadState(nullptr);
  Status(3, 0);
  EXPECT_EQ(AskGameState(), 4);
}

// Resting on the hint opens the pop-up with the page's figures; leaving the
// hint or the window closes it.
TEST_F(TabPreDlcTest, HoveringTheHintShowsThePopup) {
  SetPreDownloadState(std::make_unique<TransferringPreDownload>());
  Status(2, 1);
  SendMessageW(hwnd_, WM_DOWNLOAD_PROGRESS, 3ll << 30, 1ll << 29);
  ui::Control* hint = nullptr;
  ui::Control* webview = nullptr;
  env_.OnUi([&] {
    hint = InPage<ui::Box>(2, L"box_hint");
    webview = form_->FindControl(L"webview");
  });
  const POINT on_hint = ScreenCentre(hint);
  const POINT elsewhere = ScreenCentre(webview);

  const auto hover_hint = [&] {
    return WaitFor([&] {
      test_support::MoveMouseTo(on_hint.x + 3, on_hint.y);
      test_support::MoveMouseTo(on_hint.x, on_hint.y);
      Sleep(200);
      return IsWindowVisible(PopupWindow()) != FALSE;
    });
  };
  ASSERT_TRUE(hover_hint());
  env_.OnUi([&] {
    auto* popup = DownloadPage()->popup();
    auto label = [&](const wchar_t* name) {
      return dynamic_cast<ui::Label*>(popup->FindControl(name))->GetText();
    };
    EXPECT_EQ(label(L"text_dlc_size"), L"(512.00M/ 3.00G)");
    EXPECT_EQ(label(L"text_dlc_time"), L"--:--:--");
    EXPECT_EQ(label(L"text_dlc_speed"), L"0KB/S");
  });
  // The figures follow while it is open.
  SendMessageW(hwnd_, WM_DOWNLOAD_SPEED, 61, 3 << 20);
  SendMessageW(hwnd_, WM_DOWNLOAD_PROGRESS, 3ll << 30, 3ll << 29);
  env_.OnUi([&] {
    auto* popup = DownloadPage()->popup();
    auto label = [&](const wchar_t* name) {
      return dynamic_cast<ui::Label*>(popup->FindControl(name))->GetText();
    };
    EXPECT_EQ(label(L"text_dlc_time"), L"00:01:01");
    EXPECT_EQ(label(L"text_dlc_speed"), L" 3.00M/S");
    EXPECT_EQ(label(L"text_dlc_size"), L"( 1.50G/ 3.00G)");
  });
  // Its background lets what is below show through.
  DWORD pixel = 0;
  ASSERT_TRUE(WaitFor([&] {
    env_.OnUi([&] { pixel = test_support::WindowPixel(DownloadPage()->popup(), 6, 200); });
    return (pixel >> 24) != 0;
  }));
  EXPECT_EQ(pixel >> 24, 0xCCu) << std::hex << pixel;
  Screenshot(L"predlc_popup");

  // Moving to another part of the window closes it at once.
  test_support::MoveMouseTo(elsewhere.x, elsewhere.y);
  ASSERT_TRUE(WaitFor([&] { return Popup() == nullptr; }));

  // Leaving the window closes it once the system reports the leave, which
  // Wine does a hover time late.
  ASSERT_TRUE(hover_hint());
  HWND popup_window = PopupWindow();
  test_support::MoveMouseTo(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
  ASSERT_TRUE(WaitFor([&] { return Popup() == nullptr && !IsWindow(popup_window); }));
}

// The pop-up may go without the page closing it: the page must not touch it
// afterwards, and a later hover opens a new one.
TEST_F(TabPreDlcTest, APopupClosedByItselfIsForgotten) {
  SetPreDownloadState(std::make_unique<TransferringPreDownload>());
  Status(2, 1);
  ui::Control* hint = nullptr;
  ui::Control* webview = nullptr;
  env_.OnUi([&] {
    hint = InPage<ui::Box>(2, L"box_hint");
    webview = form_->FindControl(L"webview");
  });
  const POINT on_hint = ScreenCentre(hint);
  const POINT elsewhere = ScreenCentre(webview);
  const auto hover_hint = [&] {
    return WaitFor([&] {
      test_support::MoveMouseTo(on_hint.x + 3, on_hint.y);
      test_support::MoveMouseTo(on_hint.x, on_hint.y);
      Sleep(200);
      return IsWindowVisible(PopupWindow()) != FALSE;
    });
  };
  ASSERT_TRUE(hover_hint());
  const HWND first = PopupWindow();
  // Alt+F4 while the pop-up has the focus.
  PostMessageW(first, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(first); }));
  EXPECT_EQ(Popup(), nullptr);
  // Every path that would update or close the pop-up runs on.
  SendMessageW(hwnd_, WM_DOWNLOAD_SPEED, 5, 1024);
  SendMessageW(hwnd_, WM_DOWNLOAD_PROGRESS, 10, 5);
  SendMessageW(hwnd_, WM_DOWNLOAD_PAUSED, 0, 1);
  SendMessageW(hwnd_, WM_DOWNLOAD_PAUSED, 0, 0);
  Status(static_cast<WPARAM>(-1), -1);
  Status(2, 1);

  // Away and back: a new pop-up, closed by the tick once another page shows.
  test_support::MoveMouseTo(elsewhere.x, elsewhere.y);
  ASSERT_TRUE(WaitFor([&] {
    bool on_hint = true;
    env_.OnUi([&] { on_hint = form_->GetHoverControl() == hint; });
    return !on_hint;
  }));
  ASSERT_TRUE(hover_hint());
  const HWND second = PopupWindow();
  EXPECT_NE(second, first);
  Status(3, 0);
  EXPECT_TRUE(IsWindow(second));
  SendMessageW(hwnd_, WM_PREDOWNLOAD_TICK, 0, 0);
  EXPECT_EQ(Popup(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(second); }));
}

// The main window going first takes the pop-up with it, and the page does
// not touch the pop-up that is gone.
TEST_F(TabPreDlcTest, ClosingTheMainWindowClosesThePopup) {
  SetPreDownloadState(std::make_unique<TransferringPreDownload>());
  Status(2, 1);
  ui::Control* hint = nullptr;
  env_.OnUi([&] { hint = InPage<ui::Box>(2, L"box_hint"); });
  const POINT on_hint = ScreenCentre(hint);
  ASSERT_TRUE(WaitFor([&] {
    test_support::MoveMouseTo(on_hint.x + 3, on_hint.y);
    test_support::MoveMouseTo(on_hint.x, on_hint.y);
    Sleep(200);
    return IsWindowVisible(PopupWindow()) != FALSE;
  }));
  const HWND popup = PopupWindow();
  test_support::MoveMouseTo(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
  // Its owner destroys it first; the page goes after it with the window's
  // tree and must find it gone.
  env_.OnUi([&] { DestroyWindow(hwnd_); });
  EXPECT_FALSE(IsWindow(popup));
  EXPECT_FALSE(IsWindow(hwnd_));
  env_.OnUi([] { EXPECT_EQ(test_support::FindFrameworkWindow(L"PreDlcPopupForm"), nullptr); });
}

TEST(PreDownloadTextTest, TextsOfTheDownloadPage) {
  EXPECT_EQ(FormatPercentText(42, 0), L"42%");
  EXPECT_EQ(FormatPercentText(42, kTurkish), L"%42");
  EXPECT_EQ(FormatPercentText(100, 13), L"100%");
  EXPECT_EQ(FormatProgressSizeText(1ll << 20, 5ll << 29), L"( 1.00M/ 2.50G)");
  EXPECT_EQ(FormatProgressSizeText(-5, 0), L"( 0.00KB/ 0.00KB)");
  EXPECT_EQ(FormatSpeedText(500 << 10), L"500.00KB/S");
  // A speed past 2 GiB a second is read unsigned, as the page keeps it.
  EXPECT_EQ(FormatSpeedText(static_cast<int32_t>(0xC0000000u)), L" 3.00G/S");
}

}  // namespace
