#include "launcher/windows/msg_box.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/thread_registry.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/window_messages.h"
#include "launcher/windows/window_dialog_presenter.h"
#include "tests/launcher/core/thread_test_support.h"
#include "tests/launcher/windows/owned_box_test.h"
#include "tests/launcher/windows/windows_test_env.h"
#include "tests/support/wait_for.h"
#include "tests/ui/core/host_window.h"
#include "ui/control/label.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/image.h"
#include "ui/resources/language_string_table.h"

namespace {

using test_support::WaitFor;

// What the box handed its callback, and what held when it ran.
struct Answers {
  std::atomic<int> count{0};
  std::atomic<int> value{-1};
  std::atomic<DWORD> thread{0};
  std::atomic<bool> ownerEnabled{false};
  std::atomic<bool> confirmReturned{false};
};

class MsgBoxTest : public test_support::OwnedBoxTest {
 protected:
  void SetUp() override {
    OwnedBoxTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(env_.OnUi([this] {
      main_window_ = std::make_unique<test_support::RecordingWindow>(L"MsgBoxTestMain");
      LauncherContext::GetInstance()->mainWindow = main_window_->handle();
    }));
  }
  void TearDown() override {
    env_.OnUi([this] {
      LauncherContext::GetInstance()->mainWindow = nullptr;
      main_window_.reset();
    });
    OwnedBoxTest::TearDown();
  }

  // Opens a box of literal captions (or keys) on the UI thread.
  bool Open(const std::wstring& no_caption, const std::wstring& yes_caption, bool keys,
            bool swap = false) {
    bool shown = false;
    env_.OnUi([&] {
      box_ = new MsgBox();
      box_->SetTitle(L"STRING_NOTICE", true);
      box_->SetContent(L"Plain content", false);
      box_->SetDetail(L"", false);
      if (keys) {
        box_->SetButtonTextIds(no_caption, yes_caption);
      } else {
        box_->SetButtonTexts(no_caption, yes_caption);
      }
      Answers* answers = &answers_;
      HWND owner = owner_->GetHWND();
      shown = box_->Show(
          owner_.get(),
          [answers, owner](DialogResult result) {
            answers->value = static_cast<int>(result);
            answers->thread = GetCurrentThreadId();
            answers->ownerEnabled = IsWindowEnabled(owner) != FALSE;
            ++answers->count;
          },
          swap);
      box_hwnd_ = shown ? box_->GetHWND() : nullptr;
    });
    return shown;
  }

  // A click as the mouse makes it, at the middle of the named control.
  void Click(const wchar_t* name) {
    env_.OnUi([this, name] {
      ui::Control* control = box_->FindControl(name);
      ASSERT_NE(control, nullptr);
      test_support::ClickControl(box_hwnd_, control);
    });
  }
  void Key(WPARAM key) { PostMessageW(box_hwnd_, WM_KEYDOWN, key, 0); }
  std::wstring FocusName() {
    std::wstring name;
    env_.OnUi([&] {
      if (ui::Control* focus = box_->GetFocus()) name = focus->GetName();
    });
    return name;
  }
  bool Visible(const wchar_t* name) {
    bool visible = false;
    env_.OnUi([&] { visible = box_->FindControl(name)->IsVisible(); });
    return visible;
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

  std::unique_ptr<test_support::RecordingWindow> main_window_;
  MsgBox* box_ = nullptr;  // deletes itself with its window
  Answers answers_;
};

TEST_F(MsgBoxTest, CaptionsVisibilityAndFocusFollowTheCaptions) {
  const struct {
    const char* name;
    std::wstring no;
    std::wstring yes;
    bool keys;
    const wchar_t* focus;  // null: no button can take it
  } cases[] = {
      {"both literal", L"Later", L"Now", false, L"btn_yes"},
      {"both keys", L"STRING_CANCEL", L"STRING_CONFIRM", true, L"btn_yes"},
      {"only yes", L"", L"Now", false, L"btn_yes"},
      {"only no", L"Later", L"", false, L"btn_no"},
      {"none", L"", L"", false, nullptr},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.name);
    answers_.count = 0;
    ASSERT_TRUE(Open(item.no, item.yes, item.keys));
    EXPECT_FALSE(IsWindowEnabled(owner_->GetHWND()));
    EXPECT_TRUE(WaitFor([&] { return Visible(L"btn_yes") == !item.yes.empty(); }));
    EXPECT_TRUE(WaitFor([&] { return Visible(L"btn_no") == !item.no.empty(); }));
    if (item.focus) {
      EXPECT_EQ(FocusName(), item.focus);
    }
    env_.OnUi([&] {
      auto* yes = dynamic_cast<ui::LabelTemplate<ui::Control>*>(box_->FindControl(L"btn_yes"));
      auto* no = dynamic_cast<ui::LabelTemplate<ui::Control>*>(box_->FindControl(L"btn_no"));
      ui::LanguageStringTable* strings = ui::LanguageStringTable::GetInstance();
      // Keys are shown in the language's words, literals as they stand.
      EXPECT_EQ(yes->GetText(), item.keys ? strings->GetStringById(item.yes) : item.yes);
      EXPECT_EQ(no->GetText(), item.keys ? strings->GetStringById(item.no) : item.no);
      if (item.keys) {
        EXPECT_FALSE(yes->GetText().empty());
      }
      auto* title = dynamic_cast<ui::LabelTemplate<ui::Control>*>(box_->FindControl(L"title"));
      EXPECT_EQ(title->GetText(), strings->GetStringById(L"STRING_NOTICE"));
      EXPECT_FALSE(title->GetText().empty());
    });
    Key(VK_ESCAPE);
    ASSERT_TRUE(WaitClosed());
    ASSERT_TRUE(WaitFor([this] { return answers_.count == 1; }));
    EXPECT_EQ(answers_.value, 0);
  }
}

// Every way of answering, each in a fresh box: the answer arrives once, on
// the UI thread, after the owner is enabled again.
TEST_F(MsgBoxTest, EveryAnswerArrivesOnceOnTheUiThreadAfterTheOwnerIsBack) {
  enum class Act { ClickYes, ClickNo, Escape, SystemClose, Enter, Space };
  const struct {
    const char* name;
    std::wstring no;
    std::wstring yes;
    Act act;
    int expected;
  } cases[] = {
      {"yes button", L"Later", L"Now", Act::ClickYes, 1},
      {"no button", L"Later", L"Now", Act::ClickNo, 0},
      {"escape while yes has the focus", L"Later", L"Now", Act::Escape, 0},
      {"alt+f4", L"Later", L"Now", Act::SystemClose, 0},
      {"enter on yes", L"Later", L"Now", Act::Enter, 1},
      {"space on yes", L"Later", L"Now", Act::Space, 1},
      {"enter with only no", L"Later", L"", Act::Enter, 0},
      {"escape with no buttons", L"", L"", Act::Escape, 0},
      {"alt+f4 with only yes", L"", L"Now", Act::SystemClose, 0},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.name);
    answers_.count = 0;
    answers_.value = -1;
    LauncherContext::GetInstance()->messageBoxOpen = true;
    const int state_changes = StateChangedCount();
    ASSERT_TRUE(Open(item.no, item.yes, false));
    switch (item.act) {
      case Act::ClickYes:
        Click(L"btn_yes");
        break;
      case Act::ClickNo:
        Click(L"btn_no");
        break;
      case Act::Escape:
        Key(VK_ESCAPE);
        break;
      case Act::SystemClose:
        PostMessageW(box_hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
      case Act::Enter:
        Key(VK_RETURN);
        break;
      case Act::Space:
        Key(VK_SPACE);
        break;
    }
    ASSERT_TRUE(WaitFor([this] { return answers_.count > 0; }));
    ASSERT_TRUE(WaitClosed());
    env_.OnUi(nullptr);
    EXPECT_EQ(answers_.count, 1);
    EXPECT_EQ(answers_.value, item.expected);
    EXPECT_EQ(answers_.thread, ui_thread_);
    EXPECT_TRUE(answers_.ownerEnabled);
    EXPECT_FALSE(LauncherContext::GetInstance()->messageBoxOpen);
    EXPECT_TRUE(WaitFor([&] { return StateChangedCount() == state_changes + 1; }));
  }
}

// Clicks, Enter and Esc that come during the closing fade answer nothing.
TEST_F(MsgBoxTest, OnlyTheFirstAnswerCounts) {
  ASSERT_TRUE(Open(L"Later", L"Now", false));
  Click(L"btn_yes");
  Click(L"btn_no");
  Key(VK_ESCAPE);
  Key(VK_RETURN);
  PostMessageW(box_hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(WaitClosed());
  env_.OnUi(nullptr);
  EXPECT_EQ(answers_.count, 1);
  EXPECT_EQ(answers_.value, 1);
  EXPECT_EQ(StateChangedCount(), 1);
}

TEST_F(MsgBoxTest, SwappedLooksKeepTheAnswers) {
  std::vector<std::wstring> plain;
  ASSERT_TRUE(Open(L"Later", L"Now", false));
  env_.OnUi([&] {
    for (const wchar_t* name : {L"btn_yes", L"btn_no"}) {
      auto* button = dynamic_cast<ui::LabelTemplate<ui::Control>*>(box_->FindControl(name));
      plain.push_back(button->GetStateImages()[ui::kImageTypeBackground][ui::kControlStateNormal]
                          .attribute.descriptor);
      plain.push_back(button->GetStateImages()[ui::kImageTypeBackground][ui::kControlStateHot]
                          .attribute.descriptor);
      plain.push_back(button->GetStateTextColor(ui::kControlStateNormal));
    }
  });
  Key(VK_ESCAPE);
  ASSERT_TRUE(WaitClosed());
  // The blue look is the confirming button's, the gray one the other's.
  EXPECT_NE(plain[0].find(L"blue"), std::wstring::npos);
  EXPECT_NE(plain[3].find(L"gray"), std::wstring::npos);
  EXPECT_NE(plain[2], plain[5]);

  answers_.count = 0;
  ASSERT_TRUE(Open(L"Later", L"Now", false, true));
  env_.OnUi([&] {
    auto* yes = dynamic_cast<ui::LabelTemplate<ui::Control>*>(box_->FindControl(L"btn_yes"));
    auto* no = dynamic_cast<ui::LabelTemplate<ui::Control>*>(box_->FindControl(L"btn_no"));
    auto image = [](ui::LabelTemplate<ui::Control>* button, ui::ControlStateType state) {
      return button->GetStateImages()[ui::kImageTypeBackground][state].attribute.descriptor;
    };
    EXPECT_EQ(image(yes, ui::kControlStateNormal), plain[3]);
    EXPECT_EQ(image(yes, ui::kControlStateHot), plain[4]);
    EXPECT_EQ(image(no, ui::kControlStateNormal), plain[0]);
    EXPECT_EQ(image(no, ui::kControlStateHot), plain[1]);
    EXPECT_EQ(yes->GetStateTextColor(ui::kControlStateNormal), plain[5]);
    EXPECT_EQ(no->GetStateTextColor(ui::kControlStateNormal), plain[2]);
  });
  Click(L"btn_yes");
  ASSERT_TRUE(WaitFor([this] { return answers_.count == 1; }));
  EXPECT_EQ(answers_.value, 1);
  ASSERT_TRUE(WaitClosed());
}

// A box that cannot be shown must not leave the open flag set: it would stop
// automatic updates for the rest of the run.
TEST_F(MsgBoxTest, ABoxThatCannotShowClearsTheOpenFlag) {
  LauncherContext* context = LauncherContext::GetInstance();
  WindowDialogPresenter presenter;
  context->SetDialogPresenter(&presenter);

  // No owner: the main window is not a framework window.
  int before = StateChangedCount();
  std::atomic<int> calls{0};
  context->ShowMessageBox(
      nullptr, L"STRING_NOTICE", L"STRING_NOTICE", L"", L"STRING_CONFIRM",
      [&calls](DialogResult) { ++calls; }, false);
  EXPECT_TRUE(WaitFor([&] { return !context->messageBoxOpen; }));
  EXPECT_TRUE(WaitFor([&] { return StateChangedCount() == before + 1; }));

  // The window cannot be made: its layout is missing, and the framework's
  // own notice of that is answered.
  before = StateChangedCount();
  context->messageBoxOpen = true;
  std::atomic<bool> done{false};
  qbase::ThreadRegistry::PostTask(qbase::kMainThreadId, [&] {
    ui::GlobalManager::SetResourcePath(env_.dir().path());
    MessageBoxContent content;
    content.secondCaption = L"Now";
    content.callback = [&calls](DialogResult) { ++calls; };
    presenter.ShowMessageBox(owner_.get(), content);
    ui::GlobalManager::SetResourcePath(L"resources\\themes\\default");
    done = true;
  });
  ASSERT_TRUE(WaitFor([&] {
    if (done) return true;
    EnumThreadWindows(
        ui_thread_,
        [](HWND window, LPARAM) -> BOOL {
          wchar_t name[16] = {};
          GetClassNameW(window, name, 16);
          if (std::wstring(name) == L"#32770") PostMessageW(window, WM_COMMAND, IDOK, 0);
          return TRUE;
        },
        0);
    return false;
  }));
  EXPECT_FALSE(context->messageBoxOpen);
  EXPECT_TRUE(IsWindowEnabled(owner_->GetHWND()));
  EXPECT_TRUE(WaitFor([&] { return StateChangedCount() == before + 1; }));
  env_.OnUi(nullptr);
  EXPECT_EQ(calls, 0);
  context->SetDialogPresenter(nullptr);
}

}  // namespace
