#include "launcher/windows/options_box.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "launcher/core/launcher_context.h"
#include "tests/launcher/windows/owned_box_test.h"
#include "tests/launcher/windows/windows_test_env.h"
#include "tests/support/wait_for.h"
#include "tests/ui/core/host_window.h"
#include "ui/box/box.h"
#include "ui/control/label.h"
#include "ui/control/option.h"
#include "ui/resources/language_string_table.h"

namespace {

using test_support::WaitFor;

class OptionsBoxTest : public test_support::OwnedBoxTest {
 protected:
  // The close-behaviour question, as the main window asks it.
  void Open() {
    answers_ = 0;
    ASSERT_TRUE(env_.OnUi([this] {
      box_ = new OptionsBox();
      box_->SetContent(L"STRING_SHUT_OPTION_NOTICE", true);
      box_->SetGroupName(L"shutdown_options");
      box_->SetOptions({L"STRING_SHUT_OPTION_TRAYICON", L"STRING_SHUT_OPTION_EXIT"}, true);
      box_->SetSelectedIndex(0);
      box_->SetOkCaption(L"STRING_CONFIRM", true);
      HWND owner = owner_->GetHWND();
      ASSERT_TRUE(box_->Show(owner_.get(), [this, owner](int32_t index) {
        value_ = index;
        thread_ = GetCurrentThreadId();
        owner_enabled_ = IsWindowEnabled(owner) != FALSE;
        ++answers_;
      }));
      box_hwnd_ = box_->GetHWND();
    }));
  }
  ui::Control* Option(int index) {
    auto* list = dynamic_cast<ui::Box*>(box_->FindControl(L"option_vlist"));
    return list ? list->GetItemAt(index) : nullptr;
  }
  void ClickControl(ui::Control* control) { test_support::ClickControl(box_hwnd_, control); }

  OptionsBox* box_ = nullptr;  // deletes itself with its window
  std::atomic<int> answers_{0};
  std::atomic<int> value_{-1};
  std::atomic<DWORD> thread_{0};
  std::atomic<bool> owner_enabled_{false};
};

TEST_F(OptionsBoxTest, BuildsOneRadioGroupFromItsKeys) {
  Open();
  env_.OnUi([this] {
    ui::LanguageStringTable* strings = ui::LanguageStringTable::GetInstance();
    auto* content = dynamic_cast<ui::LabelTemplate<ui::Control>*>(box_->FindControl(L"content"));
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(content->GetText(), strings->GetStringById(L"STRING_SHUT_OPTION_NOTICE"));
    auto* first = dynamic_cast<ui::OptionTemplate<ui::Control>*>(Option(0));
    auto* second = dynamic_cast<ui::OptionTemplate<ui::Control>*>(Option(1));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(Option(2), nullptr);
    EXPECT_EQ(first->GetText(), strings->GetStringById(L"STRING_SHUT_OPTION_TRAYICON"));
    EXPECT_EQ(second->GetText(), strings->GetStringById(L"STRING_SHUT_OPTION_EXIT"));
    EXPECT_FALSE(first->GetText().empty());
    EXPECT_EQ(first->GetGroup(), L"shutdown_options");
    EXPECT_TRUE(first->IsSelected());
    EXPECT_FALSE(second->IsSelected());
    ASSERT_NE(box_->GetFocus(), nullptr);
    EXPECT_EQ(box_->GetFocus()->GetName(), L"btn_ok");
    EXPECT_FALSE(IsWindowEnabled(owner_->GetHWND()));

    // One of the group at a time.
    ClickControl(second);
    EXPECT_TRUE(second->IsSelected());
    EXPECT_FALSE(first->IsSelected());
    EXPECT_EQ(box_->GetSelectedIndex(), 1);
    ClickControl(first);
    EXPECT_FALSE(second->IsSelected());
    EXPECT_EQ(box_->GetSelectedIndex(), 0);
  });
  PostMessageW(box_hwnd_, WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(WaitClosed());
}

TEST_F(OptionsBoxTest, ConfirmsTheSelectedIndexAndEscAnswersNothing) {
  enum class Act { Ok, SystemClose, Enter, Space, Escape };
  const struct {
    const char* name;
    bool selectSecond;
    Act act;
    int expected;  // -1: no answer
  } cases[] = {
      {"ok at once", false, Act::Ok, 0},
      {"ok after the second", true, Act::Ok, 1},
      {"alt+f4 after the second", true, Act::SystemClose, 1},
      {"alt+f4 at once", false, Act::SystemClose, 0},
      {"enter on ok", true, Act::Enter, 1},
      {"space on ok", false, Act::Space, 0},
      {"escape after the second", true, Act::Escape, -1},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.name);
    Open();
    env_.OnUi([&] {
      if (item.selectSecond) ClickControl(Option(1));
      // Keys go to the focused button.
      box_->FindControl(L"btn_ok")->SetFocus();
      switch (item.act) {
        case Act::Ok:
          ClickControl(box_->FindControl(L"btn_ok"));
          break;
        case Act::SystemClose:
          PostMessageW(box_hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
          break;
        case Act::Enter:
          PostMessageW(box_hwnd_, WM_KEYDOWN, VK_RETURN, 0);
          break;
        case Act::Space:
          PostMessageW(box_hwnd_, WM_KEYDOWN, VK_SPACE, 0);
          break;
        case Act::Escape:
          PostMessageW(box_hwnd_, WM_KEYDOWN, VK_ESCAPE, 0);
          break;
      }
      // A second answer during the fade is not given.
      PostMessageW(box_hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    ASSERT_TRUE(WaitClosed());
    env_.OnUi(nullptr);
    EXPECT_TRUE(IsWindowEnabled(owner_->GetHWND()));
    if (item.expected < 0) {
      EXPECT_EQ(answers_, 0);
      continue;
    }
    EXPECT_EQ(answers_, 1);
    EXPECT_EQ(value_, item.expected);
    EXPECT_EQ(thread_, ui_thread_);
    EXPECT_TRUE(owner_enabled_);
  }
}

}  // namespace
