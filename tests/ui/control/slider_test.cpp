#include "ui/control/slider.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/ui/control/control_input.h"
#include "tests/ui/core/dpi_scope.h"
#include "tests/ui/core/render_setup.h"
#include "ui/box/box.h"

namespace {

using test_support::EventCounter;
using test_support::InputHost;
using test_support::PumpUntil;

// A slider 110 wide with a 10 x 10 thumb and range 0 to 100, at x = 20.
class SliderTest : public testing::Test {
 protected:
  SliderTest() : host_({700, 700}, {200, 40}) {
    auto* root = new ui::HBox;
    auto* spacer = new ui::Control;
    spacer->SetFixedWidth(20, false, false);
    root->Add(spacer);
    slider_->SetFixedWidth(110, false, false);
    slider_->SetFixedHeight(20, false);
    root->Add(slider_);
    counter_.Watch(slider_);
    host_.Attach(root);
  }

  double ReleaseAt(int x) {
    ui::EventArgs up;
    up.Type = ui::kEventButtonUp;
    up.ptMouse = {x, 10};
    slider_->HandleEvent(&up);
    return slider_->GetValue();
  }

  InputHost host_;
  ui::Slider* slider_ = new ui::Slider;  // owned by the tree
  EventCounter counter_;
};

TEST_F(SliderTest, ReleasePointSetsTheValue) {
  ASSERT_EQ(slider_->GetPos().left, 20);
  struct Case {
    int x;
    double value;
  };
  const Case cases[] = {{20, 0}, {25, 0}, {75, 50}, {125, 100}, {200, 100}, {30, 5}};
  for (const Case& c : cases) EXPECT_EQ(ReleaseAt(c.x), c.value) << c.x;
  EXPECT_EQ(counter_.Count(slider_, ui::kEventValueChange), 6);
}

TEST_F(SliderTest, WheelAtTheMinimumReportsAValueBelowIt) {
  slider_->SetAttribute(L"step", L"3");
  double reported = 1;
  slider_->AddEventHandler(ui::kEventValueChange, [&](ui::EventArgs*) {
    reported = slider_->GetValue();
    return true;
  });
  ui::EventArgs wheel;
  wheel.Type = ui::kEventScrollWheel;
  wheel.wParam = static_cast<uint64_t>(static_cast<int64_t>(-WHEEL_DELTA));
  slider_->HandleEvent(&wheel);
  EXPECT_EQ(reported, -3);
  // The painted thumb stays at the minimum.
  InvalidateRect(host_.hwnd(), nullptr, FALSE);
  UpdateWindow(host_.hwnd());
  EXPECT_EQ(slider_->GetValue(), 0);
  EXPECT_EQ(slider_->GetThumbRect().left, 20);
}

TEST_F(SliderTest, EmptyRangeBeforeTheFirstPaintNeitherCrashesNorDividesByZero) {
  slider_->SetMinValue(50);
  slider_->SetMaxValue(50);
  slider_->SetValue(50);
  const RECT thumb = slider_->GetThumbRect();
  EXPECT_EQ(thumb.left, 20);
  ui::EventArgs down;
  down.Type = ui::kEventButtonDown;
  down.ptMouse = {25, 10};
  slider_->HandleEvent(&down);
  EXPECT_TRUE(slider_->IsMouseFocused());
  EXPECT_EQ(ReleaseAt(75), 50.5);
}

TEST_F(SliderTest, RealDragMovesTheThumbAndReportsOnlyOnRelease) {
  host_.MoveMouse(25, 10);  // on the thumb at value 0
  PumpUntil([] { return false; }, 100);
  InputHost::MouseButton(MOUSEEVENTF_LEFTDOWN);
  ASSERT_TRUE(PumpUntil([&] { return slider_->IsMouseFocused(); }));
  host_.MoveMouse(75, 10);
  ASSERT_TRUE(PumpUntil([&] { return slider_->GetValue() == 50; }));
  EXPECT_EQ(counter_.Count(slider_, ui::kEventValueChange), 0);
  InputHost::MouseButton(MOUSEEVENTF_LEFTUP);
  ASSERT_TRUE(PumpUntil([&] { return counter_.Count(slider_, ui::kEventValueChange) == 1; }));
  EXPECT_FALSE(slider_->IsMouseFocused());
  EXPECT_EQ(slider_->GetValue(), 50);

  host_.MoveMouse(75, 10);
  InputHost::MouseButton(MOUSEEVENTF_WHEEL, WHEEL_DELTA);
  ASSERT_TRUE(PumpUntil([&] { return counter_.Count(slider_, ui::kEventValueChange) == 2; }));
  EXPECT_EQ(slider_->GetValue(), 51);
}

TEST_F(SliderTest, SizesScaleAtOneHundredFiftyPercent) {
  test_support::ScopedDpiScale scale(true, 150);
  slider_->SetAttribute(L"thumbsize", L"10,20");
  EXPECT_EQ(slider_->GetThumbSize().cx, 15);
  EXPECT_EQ(slider_->GetThumbSize().cy, 30);
  slider_->SetAttribute(L"progressbarpadding", L"2,4");
  EXPECT_EQ(slider_->GetProgressBarPadding().left, 3);
  EXPECT_EQ(slider_->GetProgressBarPadding().top, 6);
  EXPECT_EQ(slider_->GetProgressBarPadding().right, 0);
}

}  // namespace
