#include "ui/control/button.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/ui/control/control_input.h"
#include "tests/ui/core/render_setup.h"
#include "ui/box/box.h"

namespace {

using test_support::EventCounter;
using test_support::InputHost;
using test_support::PumpUntil;

class ButtonTest : public testing::Test {
 protected:
  ButtonTest() : host_({700, 820}, {300, 60}) {
    auto* root = new ui::HBox;
    for (ui::Button* button : {first_, second_}) {
      button->SetFixedWidth(150, false, false);
      button->SetFixedHeight(60, false);
      root->Add(button);
      counter_.Watch(button);
    }
    host_.Attach(root);
  }

  InputHost host_;
  ui::Button* first_ = new ui::Button;  // owned by the tree
  ui::Button* second_ = new ui::Button;
  EventCounter counter_;
};

TEST_F(ButtonTest, ClicksByMouseSpaceAndEnterOncePerPress) {
  EXPECT_EQ(first_->GetClass(), L"Button");
  EXPECT_EQ(first_->GetTextStyle(), static_cast<UINT>(0x8125));
  EXPECT_EQ(first_->GetTextPadding().bottom, 5);

  host_.Click(200, 30);
  ASSERT_TRUE(PumpUntil([&] { return counter_.Count(second_, ui::kEventClick) == 1; }));
  EXPECT_EQ(counter_.Count(first_, ui::kEventClick), 0);
  EXPECT_EQ(host_.window().GetFocus(), second_);

  host_.Key(VK_SPACE);
  ASSERT_TRUE(PumpUntil([&] { return counter_.Count(second_, ui::kEventClick) == 2; }));
  host_.Key(VK_RETURN);
  ASSERT_TRUE(PumpUntil([&] { return counter_.Count(second_, ui::kEventClick) == 3; }));
  host_.Key('A');
  test_support::PumpUntil([] { return false; }, 200);
  EXPECT_EQ(counter_.Count(second_, ui::kEventClick), 3);

  // Keyboard off: the keys no longer click, and the button is no tab stop.
  second_->SetKeyboardEnabled(false);
  EXPECT_FALSE(second_->IsAllowTabStop());
  host_.Key(VK_SPACE);
  test_support::PumpUntil([] { return false; }, 200);
  EXPECT_EQ(counter_.Count(second_, ui::kEventClick), 3);
}

TEST_F(ButtonTest, ContextMenuRequestSendsMenuOnlyWithMenusOn) {
  int menus = 0;
  first_->AddEventHandler(ui::kEventMenu, [&](ui::EventArgs* args) {
    ++menus;
    EXPECT_EQ(args->wParam, 7u);
    return true;
  });
  first_->SendEvent(ui::kEventInternalMenu, 7, 0);
  EXPECT_EQ(menus, 0);
  first_->SetContextMenuUsed(true);
  first_->SendEvent(ui::kEventInternalMenu, 7, 0);
  EXPECT_EQ(menus, 1);
}

}  // namespace
