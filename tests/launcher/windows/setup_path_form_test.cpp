#include "launcher/windows/setup_path_form.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/async_modal_runner_manager.h"
#include "base/file_io.h"
#include "base/folder_util.h"
#include "base/json_util.h"
#include "base/string_util.h"
#include "base/thread_registry.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/window_messages.h"
#include "launcher/windows/window_dialog_presenter.h"
#include "tests/launcher/core/thread_test_support.h"
#include "tests/launcher/windows/owned_box_test.h"
#include "tests/launcher/windows/shell_folder_picker.h"
#include "tests/launcher/windows/windows_test_env.h"
#include "tests/support/real_mouse.h"
#include "tests/support/wait_for.h"
#include "ui/control/label.h"
#include "ui/resources/language_string_table.h"

namespace {

using test_support::WaitFor;

constexpr uint64_t kGiB = 1ull << 30;
constexpr uint64_t kMiB = 1ull << 20;

// The drive query the dialog asks while a test sets it.
std::atomic<uint64_t> g_free_bytes{10 * kGiB};
std::atomic<bool> g_query_fails{false};

bool FakeDiskSpace(const std::wstring&, uint64_t* total_bytes, uint64_t* free_bytes) {
  if (g_query_fails) return false;
  *total_bytes = 100 * kGiB;
  *free_bytes = g_free_bytes;
  return true;
}

// Real key strokes: every key down in order, then up in reverse.
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

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(InstallTargetForFolderTest, AppendsTheGameFolderOnceWithOneSeparator) {
  const std::wstring long_folder = L"D:\\" + std::wstring(296, L'a');
  ASSERT_EQ(long_folder.size(), 299u);
  const struct {
    const char* name;
    std::wstring folder;
    std::wstring target;
  } cases[] = {
      {"drive root", L"D:\\", L"D:\\Corvandel Game"},
      {"drive without separator", L"D:", L"D:\\Corvandel Game"},
      {"folder", L"D:\\Games", L"D:\\Games\\Corvandel Game"},
      {"folder with separator", L"D:\\Games\\", L"D:\\Games\\Corvandel Game"},
      {"forward separator", L"D:/Games/", L"D:/Games\\Corvandel Game"},
      {"the game folder itself", L"C:\\Launcher\\Corvandel Game", L"C:\\Launcher\\Corvandel Game"},
      {"the game folder with separator", L"C:\\Launcher\\Corvandel Game\\",
       L"C:\\Launcher\\Corvandel Game"},
      {"the game folder in other case", L"E:\\corvandel game", L"E:\\corvandel game"},
      {"a name that only ends alike", L"E:\\My Corvandel Game",
       L"E:\\My Corvandel Game\\Corvandel Game"},
      {"network share", L"\\\\server\\share\\", L"\\\\server\\share\\Corvandel Game"},
      {"300 characters", long_folder + L"\\", long_folder + L"\\Corvandel Game"},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.name);
    EXPECT_EQ(InstallTargetForFolder(item.folder), item.target);
  }
}

// What the dialog handed its callback, and what held when it ran.
struct Answers {
  std::atomic<int> count{0};
  std::atomic<int> value{-1};
  std::atomic<DWORD> thread{0};
  std::atomic<bool> ownerEnabled{false};
};

class SetupPathFormTest : public test_support::OwnedBoxTest {
 protected:
  void SetUp() override {
    OwnedBoxTest::SetUp();
    if (HasFatalFailure()) return;
    // The real mouse rests away from the windows, so that only the test's
    // own input reaches them.
    test_support::MoveMouseTo(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
    g_free_bytes = 10 * kGiB;
    g_query_fails = false;
    game_path_ = env_.dir().path() + L"\\Launcher\\Corvandel Game";
    // Where the launcher keeps its settings file, beside the current folder.
    ASSERT_TRUE(MakeDirectoriesW(env_.dir().path() + L"\\save"));
    ASSERT_TRUE(env_.OnUi([this] {
      main_window_ = std::make_unique<test_support::RecordingWindow>(L"SetupPathTestMain");
      LauncherContext* context = LauncherContext::GetInstance();
      context->mainWindow = main_window_->handle();
      context->SetDialogPresenter(&presenter_);
      context->SetDiskSpaceQuery(FakeDiskSpace);
      saved_settings_ = context->GetSettings();
      LauncherSettings settings = saved_settings_;
      settings.gamePath = game_path_;
      context->SetSettings(settings);
      context->SaveEnvConfig();
    }));
  }
  void TearDown() override {
    env_.OnUi([this] {
      LauncherContext* context = LauncherContext::GetInstance();
      context->SetDiskSpaceQuery(GetDiskSpaceW);
      context->SetSettings(saved_settings_);
      context->SaveEnvConfig();
      context->mainWindow = nullptr;
      main_window_.reset();
    });
    OwnedBoxTest::TearDown();
  }

  bool Open() {
    bool shown = false;
    answers_.count = 0;
    answers_.value = -1;
    env_.OnUi([&] {
      form_ = new SetupPathForm();
      Answers* answers = &answers_;
      HWND owner = owner_->GetHWND();
      shown = form_->ShowOwned(owner_.get(), [answers, owner](int32_t value) {
        answers->value = value;
        answers->thread = GetCurrentThreadId();
        answers->ownerEnabled = IsWindowEnabled(owner) != FALSE;
        ++answers->count;
      });
      box_hwnd_ = shown ? form_->GetHWND() : nullptr;
    });
    return shown;
  }
  // Escapes the dialog until it is gone.
  bool CloseDialog() {
    return WaitFor([this] {
      PostMessageW(box_hwnd_, WM_KEYDOWN, VK_ESCAPE, 0);
      return !IsWindow(box_hwnd_);
    });
  }

  ui::LabelTemplate<ui::Control>* Label(const wchar_t* name) {
    return dynamic_cast<ui::LabelTemplate<ui::Control>*>(form_->FindControl(name));
  }
  std::wstring Text(const wchar_t* name) {
    std::wstring text;
    env_.OnUi([&] { text = Label(name)->GetText(); });
    return text;
  }
  std::wstring NormalColor(const wchar_t* name) {
    std::wstring color;
    env_.OnUi([&] { color = Label(name)->GetStateTextColor(ui::kControlStateNormal); });
    return color;
  }
  std::wstring GamePath() {
    std::wstring path;
    env_.OnUi([&] { path = LauncherContext::GetInstance()->GetSettings().gamePath; });
    return path;
  }
  // The game path as "EnvConfig.json" holds it.
  std::string SavedGamePath() {
    std::string bytes;
    Json::Value root;
    std::string error;
    if (!ReadFileToStringA("save\\EnvConfig.json", &bytes) || !ParseJson(bytes, &root, &error)) {
      return "(unreadable)";
    }
    return root["gamePath"].asString();
  }
  int StateChangedCount() {
    int count = 0;
    env_.OnUi([&] {
      for (const auto& received : main_window_->received()) {
        count += received.message == WM_STATE_CHANGED ? 1 : 0;
      }
    });
    return count;
  }
  POINT ScreenCentre(const wchar_t* name) {
    POINT point = {};
    env_.OnUi([&] {
      const RECT rect = form_->FindControl(name)->GetPos();
      point = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
      ClientToScreen(box_hwnd_, &point);
    });
    return point;
  }
  // Gives the real input to the dialog, then acts until `done` holds: an act
  // that a busy UI thread lost is made again (the dialog answers once only).
  template <typename Act, typename Done>
  bool ActUntil(Act act, Done done) {
    env_.OnUi([this] { SetForegroundWindow(box_hwnd_); });
    WaitFor([this] { return GetForegroundWindow() == box_hwnd_; });
    return WaitFor([&] {
      if (done()) return true;
      act();
      // A second or so for this act before it is made again.
      for (int i = 0; i < 15 && !done(); ++i) Sleep(100);
      return done();
    });
  }
  // The dialog has taken an answer (it is closing or gone).
  bool Answering() {
    bool answering = false;
    env_.OnUi([&] { answering = !IsWindow(box_hwnd_) || form_->IsClosing(); });
    return answering;
  }
  void RealClick(const wchar_t* name) {
    const POINT point = ScreenCentre(name);
    test_support::MoveMouseTo(point.x, point.y);
    Sleep(50);
    test_support::MouseButton(MOUSEEVENTF_LEFTDOWN);
    test_support::MouseButton(MOUSEEVENTF_LEFTUP);
  }
  std::unique_ptr<test_support::RecordingWindow> main_window_;
  WindowDialogPresenter presenter_;
  LauncherSettings saved_settings_;
  std::wstring game_path_;
  SetupPathForm* form_ = nullptr;  // deletes itself with its window
  Answers answers_;
};

// Opening shows the folder "btn_ok" installs into, the game path as saved,
// and nothing is saved; the free space takes its size text and colour.
TEST_F(SetupPathFormTest, OpeningShowsTheSavedPathAndTheDriveSpace) {
  const struct {
    uint64_t free;
    const wchar_t* size;
    const wchar_t* color;
  } cases[] = {
      {3 * kGiB + kGiB / 2, L" 3.50G", L"red"}, {500 * kMiB, L"500.00M", L"red"},
      {10 * kGiB, L"10.00G", L"graya2"},        {kRequiredDiskSpace, L" 4.00G", L"graya2"},
      {700 * 1024, L"700.00KB", L"red"},
  };
  bool screenshot_taken = false;
  for (const auto& item : cases) {
    SCOPED_TRACE(testing::PrintToString(item.free));
    g_free_bytes = item.free;
    const int state_changes = StateChangedCount();
    ASSERT_TRUE(Open());
    EXPECT_FALSE(IsWindowEnabled(owner_->GetHWND()));
    EXPECT_EQ(Text(L"text_set_path"), game_path_);
    const std::wstring need = Text(L"lable_need_space");
    const std::wstring free = Text(L"lable_free_space");
    // The language's words, then the size; no directive left in the text.
    EXPECT_TRUE(EndsWith(need, L": " + std::wstring(L" 4.00G"))) << need;
    EXPECT_TRUE(EndsWith(free, std::wstring(L": ") + item.size)) << free;
    EXPECT_EQ(free.find(L'%'), std::wstring::npos);
    EXPECT_EQ(NormalColor(L"lable_free_space"), item.color);
    EXPECT_EQ(NormalColor(L"lable_need_space"), L"graya2");
    if (!screenshot_taken) {
      // Wait for the opening fade so the picture shows the whole dialog.
      Sleep(1000);
      EXPECT_TRUE(test_support::SaveScreenshot(test_support::ArtifactPath(L"setup_path_form")));
      screenshot_taken = true;
    }
    ASSERT_TRUE(CloseDialog());
    EXPECT_EQ(GamePath(), game_path_);
    EXPECT_EQ(StateChangedCount(), state_changes);
  }
}

TEST_F(SetupPathFormTest, TheFreeSpaceOfARealDrive) {
  env_.OnUi([] { LauncherContext::GetInstance()->SetDiskSpaceQuery(GetDiskSpaceW); });
  ULARGE_INTEGER before = {};
  ASSERT_TRUE(
      GetDiskFreeSpaceExW(env_.dir().path().substr(0, 3).c_str(), &before, nullptr, nullptr));
  ASSERT_TRUE(Open());
  ULARGE_INTEGER after = {};
  ASSERT_TRUE(
      GetDiskFreeSpaceExW(env_.dir().path().substr(0, 3).c_str(), &after, nullptr, nullptr));
  const std::wstring free = Text(L"lable_free_space");
  ASSERT_TRUE(CloseDialog());

  const size_t colon = free.rfind(L": ");
  ASSERT_NE(colon, std::wstring::npos) << free;
  wchar_t* unit = nullptr;
  const double value = wcstod(free.c_str() + colon + 2, &unit);
  const std::wstring unit_text = unit;
  const double scale = unit_text == L"G" ? kGiB : unit_text == L"M" ? kMiB : 1024.0;
  ASSERT_TRUE(unit_text == L"G" || unit_text == L"M" || unit_text == L"KB") << free;
  // Other programs write meanwhile: the shown figure lies between the two
  // readings, give or take the last digit shown.
  const double shown = value * scale;
  const double low = static_cast<double>(std::min(before.QuadPart, after.QuadPart));
  const double high = static_cast<double>(std::max(before.QuadPart, after.QuadPart));
  EXPECT_GE(shown, low - 0.01 * scale);
  EXPECT_LE(shown, high + 0.01 * scale);
}

// Each answer in a fresh dialog, by real keys and clicks: once, on the UI
// thread, after the owner is enabled again.
TEST_F(SetupPathFormTest, EveryAnswerArrivesOnceByRealInput) {
  enum class Act { Enter, ClickOk, Escape, ClickClose, AltF4 };
  const struct {
    const char* name;
    Act act;
    int expected;
  } cases[] = {
      {"enter", Act::Enter, 1},          {"btn_ok", Act::ClickOk, 1}, {"escape", Act::Escape, 0},
      {"btn_close", Act::ClickClose, 0}, {"alt+f4", Act::AltF4, 0},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.name);
    ASSERT_TRUE(Open());
    const bool answered = ActUntil(
        [&] {
          switch (item.act) {
            case Act::Enter:
              PressKeys({VK_RETURN});
              break;
            case Act::Escape:
              PressKeys({VK_ESCAPE});
              break;
            case Act::AltF4:
              PressKeys({VK_MENU, VK_F4});
              break;
            case Act::ClickOk:
              RealClick(L"btn_ok");
              break;
            case Act::ClickClose:
              RealClick(L"btn_close");
              break;
          }
        },
        [this] { return Answering(); });
    ASSERT_TRUE(answered);
    ASSERT_TRUE(WaitFor([this] { return answers_.count > 0; }));
    ASSERT_TRUE(WaitClosed());
    env_.OnUi(nullptr);
    EXPECT_EQ(answers_.count, 1);
    EXPECT_EQ(answers_.value, item.expected);
    EXPECT_EQ(answers_.thread, ui_thread_);
    EXPECT_TRUE(answers_.ownerEnabled);
    test_support::MoveMouseTo(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
  }
}

// Clicks and keys that come during the closing fade answer nothing.
TEST_F(SetupPathFormTest, OnlyTheFirstAnswerCounts) {
  ASSERT_TRUE(Open());
  env_.OnUi([this] {
    test_support::ClickControl(box_hwnd_, form_->FindControl(L"btn_ok"));
    test_support::ClickControl(box_hwnd_, form_->FindControl(L"btn_close"));
    test_support::ClickControl(box_hwnd_, form_->FindControl(L"btn_change"));
  });
  PostMessageW(box_hwnd_, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageW(box_hwnd_, WM_KEYDOWN, VK_RETURN, 0);
  PostMessageW(box_hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(WaitClosed());
  env_.OnUi(nullptr);
  EXPECT_EQ(answers_.count, 1);
  EXPECT_EQ(answers_.value, 1);
  // "btn_change" after the answer opened no picker.
  EXPECT_EQ(qoz_comp::AsyncModalRunnerManager::GetInstance()->RunnerCount(), 0u);
}

// The picker driven for real: a picked folder is saved at once with the game
// folder appended, the main window told and the label changed; cancelling
// changes nothing. The UI thread goes on while the picker is open.
TEST_F(SetupPathFormTest, ThePickerSavesAPickedFolder) {
  const std::wstring picked = env_.dir().path() + L"\\Picked Games";
  ASSERT_TRUE(MakeDirectoriesW(picked));
  const struct {
    const char* name;
    std::wstring select;  // empty: cancel
    std::wstring target;
  } cases[] = {
      {"folder", picked, picked + L"\\Corvandel Game"},
      {"drive root", L"C:\\", L"C:\\Corvandel Game"},
      {"cancel", L"", L""},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.name);
    g_free_bytes = 3 * kGiB + kGiB / 2;
    ASSERT_TRUE(Open());
    g_free_bytes = 10 * kGiB;
    const std::wstring path_before = GamePath();
    const std::string saved_before = SavedGamePath();
    const std::wstring label_before = Text(L"text_set_path");
    const int state_changes = StateChangedCount();

    HWND picker = nullptr;
    ASSERT_TRUE(
        ActUntil([&] { RealClick(L"btn_change"); },
                 [&] { return (picker = test_support::FindFolderPicker(box_hwnd_)) != nullptr; }));
    EXPECT_NE(GetWindowThreadProcessId(picker, nullptr), ui_thread_);
    // The UI thread runs its tasks meanwhile.
    std::atomic<bool> ran{false};
    qbase::ThreadRegistry::PostTask(qbase::kMainThreadId, [&ran] { ran = true; });
    EXPECT_TRUE(WaitFor([&] { return ran.load(); }));
    EXPECT_TRUE(IsWindow(picker));

    if (item.select.empty()) {
      PostMessageW(picker, WM_COMMAND, IDCANCEL, 0);
    } else {
      ASSERT_TRUE(test_support::SelectInPicker(picker, item.select));
      PostMessageW(picker, WM_COMMAND, IDOK, 0);
    }
    // The answer is posted before the runner's removal.
    ASSERT_TRUE(WaitFor(
        [] { return qoz_comp::AsyncModalRunnerManager::GetInstance()->RunnerCount() == 0; }));
    env_.OnUi(nullptr);
    EXPECT_FALSE(IsWindow(picker));
    if (item.select.empty()) {
      EXPECT_EQ(Text(L"text_set_path"), label_before);
      EXPECT_EQ(GamePath(), path_before);
      EXPECT_EQ(SavedGamePath(), saved_before);
      EXPECT_EQ(StateChangedCount(), state_changes);
      EXPECT_EQ(NormalColor(L"lable_free_space"), L"red");
    } else {
      EXPECT_EQ(Text(L"text_set_path"), item.target);
      EXPECT_EQ(GamePath(), item.target);
      EXPECT_EQ(SavedGamePath(), qbase::WideToUtf8(item.target));
      EXPECT_EQ(StateChangedCount(), state_changes + 1);
      EXPECT_TRUE(EndsWith(Text(L"lable_free_space"), L"10.00G"));
      EXPECT_EQ(NormalColor(L"lable_free_space"), L"graya2");
    }
    // A picked folder stays the game path when the dialog is cancelled.
    ASSERT_TRUE(CloseDialog());
    ASSERT_TRUE(WaitFor([this] { return answers_.count == 1; }));
    EXPECT_EQ(answers_.value, 0);
    if (!item.select.empty()) {
      EXPECT_EQ(GamePath(), item.target);
    }
  }
}

TEST_F(SetupPathFormTest, ALongFolderIsShownAndSavedWhole) {
  const std::wstring folder = L"D:\\" + std::wstring(297, L'x');
  ASSERT_EQ(folder.size(), 300u);
  ASSERT_TRUE(Open());
  env_.OnUi([&] { form_->SetPath(folder, true); });
  const std::wstring target = folder + L"\\Corvandel Game";
  EXPECT_EQ(Text(L"text_set_path"), target);
  EXPECT_EQ(GamePath(), target);
  EXPECT_EQ(SavedGamePath(), qbase::WideToUtf8(target));
  ASSERT_TRUE(CloseDialog());
}

// A drive that cannot be asked: the error box, owned by the dialog so that
// closing it gives the input back to the dialog; a picked folder on such a
// drive changes nothing.
TEST_F(SetupPathFormTest, AnUnreadableDriveShowsTheErrorBoxAndChangesNothing) {
  g_query_fails = true;
  ASSERT_TRUE(Open());
  EXPECT_EQ(Text(L"text_set_path"), game_path_);
  EXPECT_TRUE(Text(L"lable_free_space").empty());

  auto find_box = [this] {
    ui::Window* box = nullptr;
    env_.OnUi([&] { box = test_support::FindFrameworkWindow(L"MsgBox"); });
    return box;
  };
  ui::Window* box = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (box = find_box()) != nullptr; }));
  HWND box_window = box->GetHWND();
  EXPECT_EQ(GetWindow(box_window, GW_OWNER), box_hwnd_);
  EXPECT_FALSE(IsWindowEnabled(box_hwnd_));
  env_.OnUi([&] {
    auto* content = dynamic_cast<ui::LabelTemplate<ui::Control>*>(box->FindControl(L"content"));
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(content->GetText(), ui::LanguageStringTable::GetInstance()->GetStringById(
                                      L"STRING_ERROR_INVALID_DISKSPACE"));
  });
  PostMessageW(box_window, WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(box_window); }));
  EXPECT_TRUE(IsWindowEnabled(box_hwnd_));
  EXPECT_FALSE(IsWindowEnabled(owner_->GetHWND()));

  const int state_changes = StateChangedCount();
  const std::string saved_before = SavedGamePath();
  env_.OnUi([&] { form_->SetPath(env_.dir().path() + L"\\Elsewhere", true); });
  EXPECT_EQ(Text(L"text_set_path"), game_path_);
  EXPECT_EQ(GamePath(), game_path_);
  EXPECT_EQ(SavedGamePath(), saved_before);
  EXPECT_EQ(StateChangedCount(), state_changes);
  ASSERT_TRUE(WaitFor([&] { return (box = find_box()) != nullptr; }));
  box_window = box->GetHWND();
  PostMessageW(box_window, WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(box_window); }));
  ASSERT_TRUE(CloseDialog());
  EXPECT_EQ(answers_.value, 0);
}

}  // namespace
