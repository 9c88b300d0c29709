#include "ui/control/check_box.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/ui/control/control_input.h"
#include "tests/ui/core/render_setup.h"
#include "ui/box/box.h"
#include "ui/resources/global_manager.h"

namespace {

using test_support::EventCounter;
using test_support::InputHost;
using test_support::PumpUntil;

class CheckBoxTest : public testing::Test {
 protected:
  CheckBoxTest() : host_({700, 900}, {200, 50}) {
    ui::GlobalManager::AddTextColor(L"red", L"#FFFF0000");
    ui::GlobalManager::AddTextColor(L"blue", L"#FF0000FF");
    auto* root = new ui::HBox;
    check_->SetFixedWidth(200, false, false);
    check_->SetFixedHeight(50, false);
    root->Add(check_);
    counter_.Watch(check_);
    host_.Attach(root);
  }

  InputHost host_;
  ui::CheckBox* check_ = new ui::CheckBox;  // owned by the tree
  EventCounter counter_;
};

TEST_F(CheckBoxTest, MouseAndKeysToggleWithSelectEventsAndNoClick) {
  EXPECT_EQ(check_->GetClass(), L"CheckBox");
  host_.Click(50, 25);
  ASSERT_TRUE(PumpUntil([&] { return counter_.Count(check_, ui::kEventSelect) == 1; }));
  EXPECT_TRUE(check_->IsSelected());
  host_.Key(VK_SPACE);
  ASSERT_TRUE(PumpUntil([&] { return counter_.Count(check_, ui::kEventUnSelect) == 1; }));
  EXPECT_FALSE(check_->IsSelected());
  host_.Key(VK_RETURN);
  ASSERT_TRUE(PumpUntil([&] { return counter_.Count(check_, ui::kEventSelect) == 2; }));
  EXPECT_EQ(counter_.Total(ui::kEventClick), 0);
}

TEST_F(CheckBoxTest, SelectingWithoutTriggerOrToTheSameValueSendsNothing) {
  check_->Selected(true, false);
  EXPECT_TRUE(check_->IsSelected());
  EXPECT_EQ(counter_.Total(ui::kEventSelect), 0);
  ValidateRect(host_.hwnd(), nullptr);
  check_->Selected(true, true);
  RECT update = {};
  EXPECT_FALSE(GetUpdateRect(host_.hwnd(), &update, FALSE));
  EXPECT_EQ(counter_.Total(ui::kEventSelect), 0);
  check_->SetAttribute(L"selected", L"false");
  EXPECT_EQ(counter_.Count(check_, ui::kEventUnSelect), 1);
}

TEST_F(CheckBoxTest, SelectedColoursReplaceTheStateColoursWhileSelected) {
  check_->SetAttribute(L"normalcolor", L"red");
  check_->SetAttribute(L"selectednormalcolor", L"blue");
  const auto paint_centre = [&] {
    InvalidateRect(host_.hwnd(), nullptr, FALSE);
    UpdateWindow(host_.hwnd());
    return test_support::Rgb(test_support::PixelAt(*host_.window().GetRenderContext(), 100, 25));
  };
  EXPECT_EQ(paint_centre(), 0xFF0000u);
  check_->Selected(true, false);
  EXPECT_EQ(paint_centre(), 0x0000FFu);
}

}  // namespace
