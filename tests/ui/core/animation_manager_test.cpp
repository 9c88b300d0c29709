#include "ui/core/animation_manager.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/ui/core/test_window.h"
#include "ui/core/control.h"

namespace {

using test_support::PumpUntil;
using test_support::TestWindow;
using ui::AnimationPlayer;
using ui::Control;

// Animations run on the UI thread's real timers; the tests wait for end
// states, never for durations.
class AnimationManagerTest : public testing::Test {
 protected:
  AnimationManagerTest() {
    root_ = new Control;
    host_.window().AttachRootControl(root_);
  }

  std::unique_ptr<Control> MakeChild() {
    auto control = std::make_unique<Control>();
    control->SetWindow(&host_.window(), root_, false);
    control->SetPos({0, 0, 40, 20});
    return control;
  }

  TestWindow host_;
  Control* root_ = nullptr;  // owned by the window
};

TEST_F(AnimationManagerTest, AlphaFadeShowsAndHidesThroughItsPlayer) {
  auto control = MakeChild();
  control->SetAttribute(L"fadealpha", L"true");
  EXPECT_EQ(control->GetAlpha(), 0);
  EXPECT_TRUE(control->IsVisible());

  control->SetFadeVisible(true);
  EXPECT_TRUE(PumpUntil([&] { return control->GetAlpha() == 255; }));
  EXPECT_TRUE(control->IsVisible());

  control->SetFadeVisible(false);
  AnimationPlayer* player = control->GetAnimationManager().GetAnimationPlayer(ui::kAnimationAlpha);
  ASSERT_NE(player, nullptr);
  EXPECT_TRUE(control->IsVisible());  // visible while the alpha runs down
  EXPECT_TRUE(PumpUntil([&] { return !player->playing; }));
  EXPECT_EQ(control->GetAlpha(), 0);
  EXPECT_FALSE(control->IsVisible());

  // Removing the player makes the control opaque again.
  control->SetAttribute(L"fadealpha", L"false");
  EXPECT_EQ(control->GetAlpha(), 255);
}

TEST_F(AnimationManagerTest, WithoutPlayersFadeVisibilityIsImmediate) {
  auto control = MakeChild();
  control->SetFadeVisible(false);
  EXPECT_FALSE(control->IsVisible());
  control->SetFadeVisible(true);
  EXPECT_TRUE(control->IsVisible());
}

TEST_F(AnimationManagerTest, SlidesStartOneEstimateAwayOr100) {
  const struct {
    const wchar_t* attribute;
    ui::AnimationType type;
    int32_t width;
    int32_t start;
  } cases[] = {
      {L"fadeinoutxfromleft", ui::kAnimationInoutXFromLeft, 40, 40},
      {L"fadeinoutxfromright", ui::kAnimationInoutXFromRight, 40, -40},
      {L"fadeinoutxfromright", ui::kAnimationInoutXFromRight, 0, -100},
      {L"fadeinoutyfromtop", ui::kAnimationInoutYFromTop, 40, 100},
      {L"fadeinoutyfrombottom", ui::kAnimationInoutYFromBottom, 40, -100},
  };
  for (const auto& item : cases) {
    auto control = MakeChild();
    control->SetFixedWidth(item.width, false, false);
    control->SetFixedHeight(0, false);
    control->SetAttribute(item.attribute, L"true");
    AnimationPlayer* player = control->GetAnimationManager().GetAnimationPlayer(item.type);
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(player->startValue, item.start)
        << testing::PrintToString(std::wstring(item.attribute));
    EXPECT_EQ(player->endValue, 0);
  }
}

TEST_F(AnimationManagerTest, SlideInEndsInPlaceAndSlideOutHides) {
  auto control = MakeChild();
  control->SetFixedWidth(0, false, false);
  control->SetAttribute(L"fadeinoutxfromright", L"true");
  control->SetFadeVisible(true);
  const auto* player =
      control->GetAnimationManager().GetAnimationPlayer(ui::kAnimationInoutXFromRight);
  EXPECT_TRUE(PumpUntil([&] { return !player->playing; }));
  EXPECT_EQ(control->GetRenderOffset().x, 0);

  control->SetFadeVisible(false);
  EXPECT_TRUE(PumpUntil([&] { return !control->IsVisible(); }));
  EXPECT_EQ(control->GetRenderOffset().x, -100);
}

TEST_F(AnimationManagerTest, WidthGrowsToTheEstimateAndStaysWhenThePlayerGoes) {
  auto control = MakeChild();
  control->SetFixedWidth(80, false, false);
  control->SetAttribute(L"fadewidth", L"true");
  control->SetFadeVisible(false);
  EXPECT_TRUE(PumpUntil([&] { return !control->IsVisible(); }));
  EXPECT_EQ(control->GetFixedWidth(), 0);
  control->SetFadeVisible(true);
  EXPECT_TRUE(control->IsVisible());
  EXPECT_TRUE(PumpUntil([&] { return control->GetFixedWidth() == 80; }));
  control->SetAttribute(L"fadewidth", L"false");
  EXPECT_EQ(control->GetAnimationManager().GetAnimationPlayer(ui::kAnimationWidth), nullptr);
  EXPECT_EQ(control->GetFixedWidth(), 80);
}

TEST_F(AnimationManagerTest, HotFadeFollowsTheMouse) {
  auto control = MakeChild();
  control->SetAttribute(L"hotcolor", L"blue");
  control->SendEvent(ui::kEventMouseEnter);
  EXPECT_TRUE(PumpUntil([&] { return control->GetHotAlpha() == 255; }));
  control->SendEvent(ui::kEventMouseLeave);
  EXPECT_TRUE(PumpUntil([&] { return control->GetHotAlpha() == 0; }));
}

// A control destroyed mid-animation leaves no step behind that touches it.
TEST_F(AnimationManagerTest, DestroyedControlStopsItsSteps) {
  auto control = MakeChild();
  control->SetAttribute(L"fadealpha", L"true");
  control->SetFadeVisible(true);
  control.reset();
  auto witness = MakeChild();
  witness->SetAttribute(L"fadealpha", L"true");
  witness->SetFadeVisible(true);
  EXPECT_TRUE(PumpUntil([&] { return witness->GetAlpha() == 255; }));
}

}  // namespace
