#include "ui/control/option.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "tests/ui/control/control_input.h"
#include "tests/ui/core/render_setup.h"
#include "ui/box/box.h"

namespace {

using test_support::EventCounter;
using test_support::InputHost;
using test_support::PumpUntil;

// Four options of 50 pixels side by side, all in group "g".
class OptionTest : public testing::Test {
 protected:
  OptionTest() : host_({700, 760}, {200, 40}) {
    root_ = new ui::HBox;
    for (int i = 0; i < 4; ++i) {
      auto* option = new ui::Option;
      option->SetFixedWidth(50, false, false);
      option->SetFixedHeight(40, false);
      option->SetGroup(L"g");  // before the window: joins when attached
      root_->Add(option);
      counter_.Watch(option);
      options_.push_back(option);
    }
    host_.Attach(root_);
  }

  InputHost host_;
  ui::Box* root_ = nullptr;
  std::vector<ui::Option*> options_;  // owned by the tree
  EventCounter counter_;
};

TEST_F(OptionTest, SelectingOneSweepsTheGroupAlsoWhenClickedAgain) {
  const std::vector<ui::Control*>* group = host_.window().GetOptionGroup(L"g");
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->size(), 4u);

  for (int round = 1; round <= 2; ++round) {
    host_.Click(75, 20);
    ASSERT_TRUE(PumpUntil([&] { return counter_.Count(options_[1], ui::kEventSelect) == round; }));
    EXPECT_EQ(counter_.Count(options_[1], ui::kEventClick), round);
    EXPECT_EQ(counter_.Total(ui::kEventUnSelect), 3 * round);
    EXPECT_EQ(counter_.Count(options_[1], ui::kEventUnSelect), 0);
  }
  host_.Key(VK_SPACE);
  ASSERT_TRUE(PumpUntil([&] { return counter_.Count(options_[1], ui::kEventSelect) == 3; }));

  counter_.Clear();
  host_.Click(175, 20);
  ASSERT_TRUE(PumpUntil([&] { return counter_.Count(options_[3], ui::kEventSelect) == 1; }));
  EXPECT_FALSE(options_[1]->IsSelected());
  EXPECT_TRUE(options_[3]->IsSelected());
  EXPECT_EQ(counter_.Total(ui::kEventUnSelect), 3);
}

TEST_F(OptionTest, DeselectingSendsUnselectEvenWithoutTrigger) {
  options_[0]->Selected(false, false);
  EXPECT_EQ(counter_.Count(options_[0], ui::kEventUnSelect), 1);
  // Selecting without trigger sends no select, but the swept members still
  // announce their unselect.
  options_[2]->Selected(true, false);
  EXPECT_EQ(counter_.Total(ui::kEventSelect), 0);
  EXPECT_EQ(counter_.Total(ui::kEventUnSelect), 1 + 3);
}

TEST_F(OptionTest, GroupChangesMoveMembershipAndASelectedNewcomerDeselectsOthers) {
  options_[0]->Selected(true, true);
  options_[3]->SetGroup(L"");
  EXPECT_EQ(host_.window().GetOptionGroup(L"g")->size(), 3u);
  options_[3]->SetGroup(L"other");
  options_[3]->Selected(true, true);
  EXPECT_TRUE(options_[0]->IsSelected());
  // Entering "g" selected deselects the member selected there.
  options_[3]->SetGroup(L"g");
  EXPECT_FALSE(options_[0]->IsSelected());
  EXPECT_TRUE(options_[3]->IsSelected());
  EXPECT_EQ(host_.window().GetOptionGroup(L"other"), nullptr);
  // A destroyed option leaves its group.
  root_->SetDelayedDestroy(false);
  root_->Remove(options_[3]);
  EXPECT_EQ(host_.window().GetOptionGroup(L"g")->size(), 3u);

  auto* box = new ui::OptionBox;
  EXPECT_EQ(box->GetClass(), L"OptionBox");
  EXPECT_EQ(box->GetFixedWidth(), ui::kSizeStretch);
  box->SetAttribute(L"group", L"g");
  root_->Add(box);
  EXPECT_EQ(host_.window().GetOptionGroup(L"g")->size(), 4u);
}

}  // namespace
