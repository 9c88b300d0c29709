#include "launcher/windows/pre_dlc_form.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "base/folder_util.h"
#include "launcher/core/launcher_context.h"
#include "tests/launcher/windows/owned_box_test.h"
#include "tests/launcher/windows/windows_test_env.h"
#include "tests/support/real_mouse.h"
#include "tests/support/wait_for.h"
#include "tests/ui/core/host_window.h"
#include "ui/box/box.h"
#include "ui/control/label.h"
#include "ui/resources/language_string_table.h"

namespace {

using test_support::WaitFor;

constexpr int kArabic = 13;

// The drive the dialog asks about, and what it is told.
std::wstring g_asked_path;
uint64_t g_free_bytes = 0;

bool FakeDiskSpace(const std::wstring& path, uint64_t* total_bytes, uint64_t* free_bytes) {
  g_asked_path = path;
  *total_bytes = g_free_bytes * 2;
  *free_bytes = g_free_bytes;
  return true;
}

bool FailingDiskSpace(const std::wstring& path, uint64_t*, uint64_t*) {
  g_asked_path = path;
  return false;
}

class PreDlcFormTest : public test_support::OwnedBoxTest {
 protected:
  void TearDown() override {
    env_.OnUi([this] {
      LauncherContext* context = LauncherContext::GetInstance();
      context->SetDiskSpaceQuery(GetDiskSpaceW);
      LauncherSettings settings = context->GetSettings();
      settings.languageType = 0;
      context->SetSettings(settings);
    });
    OwnedBoxTest::TearDown();
  }

  void Open(int64_t size, DiskSpaceQuery query, int language_type = 0) {
    answers_ = 0;
    value_ = -1;
    ASSERT_TRUE(env_.OnUi([&] {
      LauncherContext* context = LauncherContext::GetInstance();
      context->preDownloadSize = size;
      context->SetDiskSpaceQuery(query);
      LauncherSettings settings = context->GetSettings();
      settings.languageType = language_type;
      context->SetSettings(settings);
      form_ = new PreDlcForm();
      HWND owner = owner_->GetHWND();
      ASSERT_TRUE(form_->Show(owner_.get(), [this, owner](int32_t answer) {
        value_ = answer;
        owner_enabled_ = IsWindowEnabled(owner) != FALSE;
        ++answers_;
      }));
      box_hwnd_ = form_->GetHWND();
    }));
  }
  std::wstring LabelText(const wchar_t* name) {
    std::wstring text;
    env_.OnUi([&] { text = dynamic_cast<ui::Label*>(form_->FindControl(name))->GetText(); });
    return text;
  }
  RECT Pos(const wchar_t* name) {
    RECT rect = {};
    env_.OnUi([&] { rect = form_->FindControl(name)->GetPos(); });
    return rect;
  }
  // The window's layout has run once the value label has its width.
  bool WaitLaidOut() {
    return WaitFor([&] {
      const RECT rect = Pos(L"text_size_value");
      return rect.right > rect.left;
    });
  }
  POINT ScreenCentre(const wchar_t* name) {
    const RECT rect = Pos(name);
    POINT point = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ClientToScreen(box_hwnd_, &point);
    return point;
  }
  void Foreground() {
    WaitFor([&] {
      env_.OnUi([&] { SetForegroundWindow(box_hwnd_); });
      return GetForegroundWindow() == box_hwnd_;
    });
  }

  PreDlcForm* form_ = nullptr;  // deletes itself with its window
  std::atomic<int> answers_{0};
  std::atomic<int> value_{-1};
  std::atomic<bool> owner_enabled_{false};
};

TEST_F(PreDlcFormTest, ShowsTheSizeAndTheFreeSpace) {
  const struct {
    const char* name;
    int64_t size;
    uint64_t free;
    DiskSpaceQuery query;
    const wchar_t* size_text;
    const wchar_t* space_text;
  } cases[] = {
      {"gigabytes", 5ll << 29, 700ull << 20, FakeDiskSpace, L" 2.50G", L"700.00M"},
      {"kilobytes", 500ll << 10, 3ull << 30, FakeDiskSpace, L"500.00KB", L" 3.00G"},
      {"a drive that cannot be asked", 700ll << 20, 0, FailingDiskSpace, L"700.00M", L""},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.name);
    g_free_bytes = item.free;
    g_asked_path.clear();
    Open(item.size, item.query);
    EXPECT_FALSE(IsWindowEnabled(owner_->GetHWND()));
    EXPECT_EQ(LabelText(L"text_size_value"), item.size_text);
    EXPECT_EQ(LabelText(L"text_space_value"), item.space_text);
    // The drive of the launcher's pre-download folder.
    EXPECT_NE(g_asked_path.find(L"update\\predownload"), std::wstring::npos) << g_asked_path;
    EXPECT_EQ(LabelText(L"text_size_title"),
              ui::LanguageStringTable::GetInstance()->GetStringById(L"STRING_PREDLC_WND_SIZE"));
    if (item.query == FakeDiskSpace && item.size == (5ll << 29)) {
      ASSERT_TRUE(WaitLaidOut());
      Sleep(300);
      test_support::SaveScreenshot(test_support::ArtifactPath(L"predlc_dialog_alone"));
    }
    PostMessageW(box_hwnd_, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(WaitClosed());
    ASSERT_TRUE(WaitFor([this] { return answers_ == 1; }));
  }
}

// Arabic reads from the right: the rows stand at the right and each value
// left of its title.
TEST_F(PreDlcFormTest, ArabicPutsTheValuesLeftOfTheirTitles) {
  g_free_bytes = 1ull << 30;
  for (int language : {0, kArabic}) {
    SCOPED_TRACE(language);
    Open(1ll << 30, FakeDiskSpace, language);
    ASSERT_TRUE(WaitLaidOut());
    const RECT sizes = Pos(L"sizes");
    for (const auto& row : {std::make_pair(L"text_size_title", L"text_size_value"),
                            std::make_pair(L"text_space_title", L"text_space_value")}) {
      const RECT title = Pos(row.first);
      const RECT value = Pos(row.second);
      EXPECT_GT(title.right, title.left);
      if (language == kArabic) {
        EXPECT_LE(value.right, title.left);
        // Right-aligned: the title ends at the rows' right padding.
        EXPECT_GT(title.right, (sizes.left + sizes.right) / 2);
      } else {
        EXPECT_LE(title.right, value.left);
        EXPECT_LT(title.left, (sizes.left + sizes.right) / 2);
      }
    }
    PostMessageW(box_hwnd_, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(WaitClosed());
  }
}

// Each way of answering with real input, each in a fresh dialog: one answer,
// after the owner is enabled again.
TEST_F(PreDlcFormTest, EveryAnswerArrivesOnce) {
  enum class Act { ClickConfirm, ClickCancel, ClickClose, Enter, Escape, SystemClose };
  const struct {
    const char* name;
    Act act;
    int expected;
  } cases[] = {
      {"confirm button", Act::ClickConfirm, 1},
      {"cancel button", Act::ClickCancel, 0},
      {"close button", Act::ClickClose, 0},
      {"enter", Act::Enter, 1},
      {"escape", Act::Escape, 0},
      {"system close", Act::SystemClose, 0},
  };
  g_free_bytes = 1ull << 30;
  for (const auto& item : cases) {
    SCOPED_TRACE(item.name);
    Open(1ll << 30, FakeDiskSpace);
    ASSERT_TRUE(WaitLaidOut());
    const wchar_t* button = item.act == Act::ClickConfirm  ? L"btn_confirm"
                            : item.act == Act::ClickCancel ? L"btn_cancel"
                                                           : L"btn_close";
    const WORD key = item.act == Act::Enter ? VK_RETURN : VK_ESCAPE;
    // Given again while unanswered: a busy UI thread may lose input.
    ASSERT_TRUE(WaitFor([&] {
      if (answers_ > 0 || !IsWindow(box_hwnd_)) return true;
      switch (item.act) {
        case Act::ClickConfirm:
        case Act::ClickCancel:
        case Act::ClickClose: {
          const POINT point = ScreenCentre(button);
          test_support::MoveMouseTo(point.x, point.y);
          Sleep(100);
          test_support::MouseButton(MOUSEEVENTF_LEFTDOWN);
          test_support::MouseButton(MOUSEEVENTF_LEFTUP);
          break;
        }
        case Act::Enter:
        case Act::Escape: {
          Foreground();
          INPUT keys[2] = {};
          keys[0].type = INPUT_KEYBOARD;
          keys[0].ki.wVk = key;
          keys[1] = keys[0];
          keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
          SendInput(2, keys, sizeof(INPUT));
          break;
        }
        case Act::SystemClose:
          Foreground();
          {
            INPUT keys[4] = {};
            for (INPUT& input : keys) input.type = INPUT_KEYBOARD;
            keys[0].ki.wVk = VK_MENU;
            keys[1].ki.wVk = VK_F4;
            keys[2].ki.wVk = VK_F4;
            keys[2].ki.dwFlags = KEYEVENTF_KEYUP;
            keys[3].ki.wVk = VK_MENU;
            keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
            SendInput(4, keys, sizeof(INPUT));
          }
          break;
      }
      Sleep(400);
      return answers_ > 0 || !IsWindow(box_hwnd_);
    }));
    ASSERT_TRUE(WaitFor([this] { return answers_ > 0; }));
    ASSERT_TRUE(WaitClosed());
    env_.OnUi(nullptr);
    EXPECT_EQ(answers_, 1);
    EXPECT_EQ(value_, item.expected);
    EXPECT_TRUE(owner_enabled_);
    // Input given again while this dialog was answering must not reach the
    // next one: the UI thread takes all of it first.
    ASSERT_TRUE(WaitFor([this] {
      bool pending = true;
      env_.OnUi([&pending] { pending = HIWORD(GetQueueStatus(QS_INPUT)) != 0; });
      return !pending;
    }));
  }
  test_support::MoveMouseTo(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
}

// Whatever comes during the closing fade answers nothing more.
TEST_F(PreDlcFormTest, OnlyTheFirstAnswerCounts) {
  Open(1ll << 30, FakeDiskSpace);
  ASSERT_TRUE(WaitLaidOut());
  env_.OnUi([&] { test_support::ClickControl(box_hwnd_, form_->FindControl(L"btn_confirm")); });
  env_.OnUi([&] { test_support::ClickControl(box_hwnd_, form_->FindControl(L"btn_cancel")); });
  PostMessageW(box_hwnd_, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageW(box_hwnd_, WM_KEYDOWN, VK_RETURN, 0);
  PostMessageW(box_hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(WaitClosed());
  env_.OnUi(nullptr);
  EXPECT_EQ(answers_, 1);
  EXPECT_EQ(value_, 1);
}

}  // namespace
