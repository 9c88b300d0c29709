#include "launcher/windows/main_form.h"

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/file_io.h"
#include "base/string_util.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/state.h"
#include "launcher/core/window_messages.h"
#include "launcher/windows/balloon_request.h"
#include "launcher/windows/cef_dummy_control.h"
#include "launcher/windows/msg_box.h"
#include "launcher/windows/options_box.h"
#include "launcher/windows/window_dialog_presenter.h"
#include "tests/launcher/core/resting_state.h"
#include "tests/launcher/windows/windows_test_env.h"
#include "tests/support/real_mouse.h"
#include "tests/support/wait_for.h"
#include "ui/box/tab_box.h"
#include "ui/control/option.h"
#include "ui/resources/image.h"

namespace {

using test_support::IconExists;
using test_support::WaitFor;
using test_support::WindowsTestEnv;

std::atomic<int> g_flashes{0};

BOOL WINAPI CountFlash(PFLASHWINFO) {
  ++g_flashes;
  return TRUE;
}

BOOL WINAPI SilentSound(LPCWSTR, HMODULE, DWORD) { return TRUE; }

void PressKeys(const std::vector<WORD>& keys) {
  std::vector<INPUT> inputs;
  for (WORD key : keys) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    inputs.push_back(input);
  }
  for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = *it;
    input.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(input);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

std::wstring ScreenshotPath(const std::wstring& name) {
  wchar_t module[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring path(module);
  path.resize(path.find_last_of(L"\\/") + 1);
  CreateDirectoryW((path + L"screenshots").c_str(), nullptr);
  return path + L"screenshots\\" + name + L".bmp";
}

class MainFormTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(env_.skin_open());
    g_flashes = 0;
    // The real mouse rests away from the windows, so that only the test's
    // own input reaches them.
    test_support::MoveMouseTo(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
    LauncherContext* context = context_;
    ASSERT_TRUE(env_.OnUi([this, context] {
      context->SetDialogPresenter(&presenter_);
      LauncherSettings settings = context->GetSettings();
      settings.closeToHide = false;
      context->SetSettings(settings);
      context->firstRun = false;
      context->askCloseChoice = false;
      BalloonEffects effects;
      effects.flash = CountFlash;
      effects.playSound = SilentSound;
      // As the launcher's start-up makes it.
      form_ = new MainForm(effects);
      hwnd_ = form_->Create(nullptr, L"Launcher", 0x00CE0000, 0, true, RECT{0, 0, 0, 0});
      ASSERT_NE(hwnd_, nullptr);
      form_->CenterWindow();
      form_->ShowWindow(true, true);
    }));
    ASSERT_TRUE(WaitFor([this] { return IsWindowVisible(hwnd_) != FALSE; }));
  }
  void TearDown() override { env_.Reset(); }

  template <typename T>
  T* Find(const wchar_t* name) {
    T* found = nullptr;
    env_.OnUi([&] { found = dynamic_cast<T*>(form_->FindControl(name)); });
    return found;
  }
  // The screen point of a control's middle.
  POINT ScreenCentre(const wchar_t* name) {
    POINT point = {};
    env_.OnUi([&] {
      const RECT rect = form_->FindControl(name)->GetPos();
      point = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
      ClientToScreen(hwnd_, &point);
    });
    return point;
  }
  void Foreground() {
    env_.OnUi([this] { SetForegroundWindow(hwnd_); });
    WaitFor([this] { return GetForegroundWindow() == hwnd_; });
  }
  // The newest dialog of the class, once it is shown.
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
  // Escapes `dialog` until it is gone: a key that comes while the box is
  // still settling is given again.
  bool EscapeUntilGone(ui::Window* dialog, const wchar_t* class_name) {
    const HWND window = dialog->GetHWND();
    return WaitFor([&] {
      PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
      return DialogGone(class_name);
    });
  }
  bool DialogGone(const wchar_t* class_name) {
    ui::Window* left = nullptr;
    env_.OnUi([&] { left = test_support::FindFrameworkWindow(class_name); });
    return left == nullptr;
  }
  void ClickIn(ui::Window* window, const wchar_t* name) {
    env_.OnUi([&] { test_support::ClickControl(window->GetHWND(), window->FindControl(name)); });
  }
  void SetState(std::unique_ptr<State> state) {
    LauncherContext* context = context_;
    State* raw = state.release();
    test_support::RunOnThread(1, [context, raw] { context->currentState.reset(raw); });
  }

  WindowsTestEnv& env_ = WindowsTestEnv::Get();
  LauncherContext* context_ = LauncherContext::GetInstance();
  WindowDialogPresenter presenter_;
  MainForm* form_ = nullptr;  // deletes itself with its window
  HWND hwnd_ = nullptr;
};

TEST_F(MainFormTest, BuildsFromThePackageAndPaints) {
  EXPECT_EQ(context_->mainWindow, hwnd_);
  EXPECT_EQ(GetPropW(hwnd_, L"_QEL_LAUNCHER_TW"), hwnd_);
  EXPECT_NE(GetPropW(hwnd_, MainForm::kTrayProperty), nullptr);
  EXPECT_TRUE(IconExists(hwnd_));
  wchar_t class_name[32] = {};
  GetClassNameW(hwnd_, class_name, 32);
  EXPECT_STREQ(class_name, L"Launcher");

  RECT client = {};
  GetClientRect(hwnd_, &client);
  RECT corner = {};
  env_.OnUi([&] { corner = form_->GetShadow().corner; });
  EXPECT_EQ(client.right, 1340 + corner.left + corner.right);
  EXPECT_EQ(client.bottom, 750 + corner.top + corner.bottom);

  // Every web view is a placeholder of its layout size.
  auto* webview = Find<MainComponents::CefDummyControl>(L"webview");
  ASSERT_NE(webview, nullptr);
  env_.OnUi([&] {
    const RECT rect = webview->GetPos();
    EXPECT_EQ(rect.right - rect.left, 490);
    EXPECT_EQ(rect.bottom - rect.top, 305);
    auto* assets = dynamic_cast<ui::TabBox*>(form_->FindControl(L"tab_assets"));
    ASSERT_NE(assets, nullptr);
    EXPECT_EQ(assets->GetPos().right - assets->GetPos().left, 950);
    // The four pages of the install/progress panel.
    EXPECT_EQ(assets->GetCount(), 4);
    ui::Control* links = form_->FindControl(L"jump_links");
    ASSERT_NE(links, nullptr);
    EXPECT_EQ(links->GetPos().bottom - links->GetPos().top, 56);
    EXPECT_NE(dynamic_cast<ui::TabBox*>(form_->FindControl(L"tab_predlc")), nullptr);
    ui::Control* game = form_->FindControl(L"btn_game");
    ASSERT_NE(game, nullptr);
    EXPECT_EQ(game->GetPos().right - game->GetPos().left, 262);
    EXPECT_EQ(game->GetPos().bottom - game->GetPos().top, 94);
  });

  // The title row is black and the body dark gray, opaque.
  DWORD title = 0;
  DWORD body = 0;
  ASSERT_TRUE(WaitFor([&] {
    env_.OnUi([&] {
      title = test_support::WindowPixel(form_, corner.left + 700, corner.top + 15);
      body = test_support::WindowPixel(form_, corner.left + 700, corner.top + 620);
    });
    return title == 0xFF000000u && body == 0xFF505050u;
  })) << std::hex
      << title << " " << body;
  test_support::SaveScreenshot(ScreenshotPath(L"main_window"));
}

TEST_F(MainFormTest, ShowHideAndTheTrayDoubleClick) {
  SendMessageW(hwnd_, WM_HIDE_LAUNCHER, 0, 0);
  EXPECT_FALSE(IsWindowVisible(hwnd_));
  // Hidden is not closed: the window still answers.
  EXPECT_EQ(SendMessageW(hwnd_, WM_STATE_CHANGED, 0, 0), 0);
  SendMessageW(hwnd_, WM_TRAY_NOTIFY, 0, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(IsWindowVisible(hwnd_));

  ShowWindow(hwnd_, SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(hwnd_));
  SendMessageW(hwnd_, WM_SHOW_LAUNCHER, 0, 0);
  EXPECT_FALSE(IsIconic(hwnd_));

  // Numbers the window does not take are ignored.
  EXPECT_EQ(SendMessageW(hwnd_, WM_GAME_PREDOWNLOAD_STATE, 0, 1), 0);
  EXPECT_TRUE(IsWindow(hwnd_));
}

TEST_F(MainFormTest, BalloonsAndAShellRestartKeepTheIcon) {
  std::vector<unsigned char> record(BalloonRequest::kRecordBytes, 0);
  std::memcpy(record.data() + BalloonRequest::kTextOffset, L"Ready", 10);
  COPYDATASTRUCT data = {};
  data.cbData = static_cast<DWORD>(record.size());
  data.lpData = record.data();
  SendMessageW(hwnd_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
  EXPECT_EQ(g_flashes, 1);
  data.dwData = 1;
  SendMessageW(hwnd_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
  EXPECT_EQ(g_flashes, 1);

  NOTIFYICONDATAW icon = {};
  icon.cbSize = sizeof(icon);
  icon.hWnd = hwnd_;
  Shell_NotifyIconW(NIM_DELETE, &icon);
  ASSERT_FALSE(IconExists(hwnd_));
  SendMessageW(hwnd_, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_TRUE(IconExists(hwnd_));
}

TEST_F(MainFormTest, RealInputDragsMinimisesAndRestores) {
  Foreground();
  RECT before = {};
  GetWindowRect(hwnd_, &before);
  const POINT caption = ScreenCentre(L"text_version");
  test_support::MoveMouseTo(caption.x + 200, caption.y);
  Sleep(100);
  test_support::MouseButton(MOUSEEVENTF_LEFTDOWN);
  // The button stays down and the mouse keeps moving until the window
  // follows: a busy UI thread may start its move loop late, and the loop only
  // moves the window on moves it sees itself, so the mouse goes on wiggling
  // once it has arrived.
  int step = 0;
  int tick = 0;
  const bool moved = WaitFor([&] {
    if (step < 60) ++step;
    ++tick;
    test_support::MoveMouseTo(caption.x + 200 + step * 5 + tick % 2, caption.y + step * 4);
    RECT now = {};
    GetWindowRect(hwnd_, &now);
    return now.left > before.left + 20 && now.top > before.top + 16;
  });
  test_support::MouseButton(MOUSEEVENTF_LEFTUP);
  ASSERT_TRUE(moved);

  const POINT minimise = ScreenCentre(L"minbtn");
  ASSERT_TRUE(WaitFor([&] {
    if (IsIconic(hwnd_)) return true;
    // A click that a busy UI thread lost is given again.
    test_support::MoveMouseTo(minimise.x, minimise.y);
    Sleep(100);
    test_support::MouseButton(MOUSEEVENTF_LEFTDOWN);
    test_support::MouseButton(MOUSEEVENTF_LEFTUP);
    Sleep(500);
    return IsIconic(hwnd_) != FALSE;
  }));
  SendMessageW(hwnd_, WM_SHOW_LAUNCHER, 0, 0);
  EXPECT_FALSE(IsIconic(hwnd_));
  EXPECT_TRUE(IsWindowVisible(hwnd_));
}

// The first close of a first run asks once; Esc keeps the window, "tray"
// hides it and makes the next close hide at once.
TEST_F(MainFormTest, FirstRunQuestionWithAltF4) {
  context_->firstRun = true;
  context_->askCloseChoice = true;
  CreateDirectoryW(L"save", nullptr);
  Foreground();
  PressKeys({VK_MENU, VK_F4});
  auto* box = WaitForDialog<OptionsBox>(L"OptionsBox");
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(context_->askCloseChoice);
  // Given again while the box is still settling; one answer whatever comes.
  ASSERT_TRUE(EscapeUntilGone(box, L"OptionsBox"));
  env_.OnUi(nullptr);
  EXPECT_TRUE(IsWindowVisible(hwnd_));
  EXPECT_TRUE(IsWindowEnabled(hwnd_));

  // Asked again (a new run would): choose the tray.
  context_->askCloseChoice = true;
  SendMessageW(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
  box = WaitForDialog<OptionsBox>(L"OptionsBox");
  ASSERT_NE(box, nullptr);
  env_.OnUi([&] {
    auto* list = dynamic_cast<ui::Box*>(box->FindControl(L"option_vlist"));
    dynamic_cast<ui::OptionTemplate<ui::Control>*>(list->GetItemAt(0))->Selected(true, true);
  });
  ClickIn(box, L"btn_ok");
  ASSERT_TRUE(WaitFor([this] { return !IsWindowVisible(hwnd_); }));
  EXPECT_TRUE(context_->GetSettings().closeToHide);
  std::string saved;
  EXPECT_TRUE(ReadFileToStringA(".\\save\\EnvConfig.json", &saved));

  SendMessageW(hwnd_, WM_SHOW_LAUNCHER, 0, 0);
  ASSERT_TRUE(IsWindowVisible(hwnd_));
  SendMessageW(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(IsWindowVisible(hwnd_));
  EXPECT_TRUE(WaitFor([&] { return DialogGone(L"OptionsBox"); }));
}

// While the game downloads, closing asks first, with the declining button
// blue; declining keeps everything as it was.
TEST_F(MainFormTest, ClosingDuringADownloadAsksFirst) {
  SetState(std::make_unique<test_support::RestingState>(StateId::DownloadFiles));
  ClickIn(form_, L"btn_close");
  auto* box = WaitForDialog<MsgBox>(L"MsgBox");
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(context_->messageBoxOpen);
  env_.OnUi([&] {
    auto image = [&](const wchar_t* name) {
      auto* button = box->FindControl(name);
      return button->GetStateImages()[ui::kImageTypeBackground][ui::kControlStateNormal]
          .attribute.descriptor;
    };
    EXPECT_NE(image(L"btn_no").find(L"blue"), std::wstring::npos);
    EXPECT_NE(image(L"btn_yes").find(L"gray"), std::wstring::npos);
  });
  test_support::SaveScreenshot(ScreenshotPath(L"close_confirmation"));
  // Declined with its blue button, once the box is laid out.
  ASSERT_TRUE(WaitFor([&] {
    bool placed = false;
    env_.OnUi([&] {
      const RECT rect = box->FindControl(L"btn_no")->GetPos();
      placed = rect.right > rect.left && rect.bottom > rect.top;
    });
    return placed;
  }));
  ClickIn(box, L"btn_no");
  ASSERT_TRUE(WaitFor([&] { return DialogGone(L"MsgBox"); }));
  env_.OnUi(nullptr);
  EXPECT_TRUE(IsWindowVisible(hwnd_));
  EXPECT_TRUE(IsWindowEnabled(hwnd_));
  EXPECT_FALSE(context_->messageBoxOpen);
  EXPECT_NE(context_->currentState, nullptr);

  // With close-to-tray on the same close hides at once.
  LauncherSettings settings = context_->GetSettings();
  settings.closeToHide = true;
  env_.OnUi([&] { context_->SetSettings(settings); });
  ClickIn(form_, L"btn_close");
  EXPECT_FALSE(IsWindowVisible(hwnd_));
}

// The stand-in game registers its two windows with the launcher and gets its
// answers.
TEST_F(MainFormTest, TheGameRegistersOnceAndIsAnswered) {
  const std::wstring game_exe = env_.dir().Child(L"TOVA.exe");
  ASSERT_TRUE(
      CopyFileW(test_support::HostPathInWine(FAKE_GAME_EXE).c_str(), game_exe.c_str(), FALSE));
  const std::wstring log = env_.dir().Child(L"fake_game.log");
  DeleteFileW(log.c_str());
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  std::wstring command = L"\"" + game_exe + L"\"";
  ASSERT_TRUE(CreateProcessW(game_exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &process));
  ASSERT_TRUE(WaitFor([this] { return context_->GetGameWindows().size() == 2; }));
  const HWND game = context_->GetGameWindows()[0];
  SendMessageW(hwnd_, WM_GAME_REGISTER, 0, reinterpret_cast<LPARAM>(game));
  EXPECT_EQ(context_->GetGameWindows().size(), 2u);

  for (UINT query : {WM_GAME_PING, WM_GAME_QUERY_PREDOWNLOAD, WM_GAME_QUERY_PROGRESS,
                     WM_GAME_QUERY_SPEED, 2600u}) {
    PostMessageW(hwnd_, query, 0, 0);
  }
  const auto logged = [&log](const std::string& line) {
    std::string text;
    ReadFileToStringA(qbase::WideToUtf8(log), &text);
    return text.find(line) != std::string::npos;
  };
  // Each answer reaches both windows; none is a real value without a
  // pre-download page.
  EXPECT_TRUE(WaitFor([&] { return logged("msg 2532 0 0\nmsg 2532 0 0"); }));
  EXPECT_TRUE(WaitFor([&] { return logged("msg 2527 0 0\nmsg 2527 0 0"); }));
  EXPECT_TRUE(WaitFor([&] { return logged("msg 2529 0 0\nmsg 2529 0 0"); }));
  EXPECT_TRUE(WaitFor([&] { return logged("msg 2531 0 0\nmsg 2531 0 0"); }));
  env_.SyncWorker();

  // The game ends, and its process with it: one left running would hold the
  // game's instance mutex, and the next game started here would give way.
  for (const HWND window : context_->GetGameWindows()) PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return logged("exit\n"); }));
  if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "the game's process outlived its end";
    TerminateProcess(process.hProcess, 1);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // A dead window is pruned by the next registration.
  SendMessageW(hwnd_, WM_GAME_REGISTER, 0, 0);
  EXPECT_TRUE(context_->GetGameWindows().empty());
}

}  // namespace
