#include "ui/box/scroll_bar.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/support/scratch_dir.h"
#include "tests/ui/core/dpi_scope.h"
#include "tests/ui/core/render_setup.h"
#include "tests/ui/resources/fake_timer_system.h"
#include "ui/resources/timer_manager.h"

namespace {

using test_support::PixelAt;
using test_support::Rgb;
using ui::ComputeScrollBarParts;
using ui::ScrollBar;
using ui::ScrollBarParts;

::testing::AssertionResult SameRect(const RECT& actual, const RECT& expected) {
  if (EqualRect(&actual, &expected)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "(" << actual.left << "," << actual.top << "," << actual.right << "," << actual.bottom
         << ") != (" << expected.left << "," << expected.top << "," << expected.right << ","
         << expected.bottom << ")";
}

TEST(ScrollBarPartsTest, VerticalPartsTable) {
  constexpr RECT kZero = {0, 0, 0, 0};
  const struct {
    const char* label;
    RECT bar;
    bool button1;
    bool button2;
    int64_t range;
    int64_t position;
    ScrollBarParts parts;
  } cases[] = {
      // 168 x 200 / 1000 = 33.
      {"range 800 at the top",
       {10, 20, 26, 220},
       true,
       true,
       800,
       0,
       {{10, 20, 26, 36}, {10, 204, 26, 220}, {10, 36, 26, 69}}},
      {"range 800 at the end",
       {10, 20, 26, 220},
       true,
       true,
       800,
       800,
       {{10, 20, 26, 36}, {10, 204, 26, 220}, {10, 171, 26, 204}}},
      {"range 800 half way",
       {10, 20, 26, 220},
       true,
       true,
       800,
       400,
       {{10, 20, 26, 36}, {10, 204, 26, 220}, {10, 103, 26, 136}}},
      // The computed length 3 is raised to the minimum.
      {"range 10000",
       {10, 20, 26, 220},
       true,
       true,
       10000,
       0,
       {{10, 20, 26, 36}, {10, 204, 26, 220}, {10, 36, 26, 66}}},
      // Held back at the rail's end when the minimum pushes it past.
      {"range 10000 at the end",
       {10, 20, 26, 220},
       true,
       true,
       10000,
       10000,
       {{10, 20, 26, 36}, {10, 204, 26, 220}, {10, 174, 26, 204}}},
      {"range 0 fills the rail",
       {10, 20, 26, 220},
       true,
       true,
       0,
       0,
       {{10, 20, 26, 36}, {10, 204, 26, 220}, {10, 36, 26, 204}}},
      {"no buttons",
       {0, 0, 16, 200},
       false,
       false,
       800,
       0,
       {{0, 0, 0, 0}, {0, 200, 0, 200}, {0, 0, 16, 40}}},
      // 20 high: no room for a thumb; each button gets half.
      {"too short", {0, 0, 16, 20}, true, true, 800, 0, {{0, 0, 16, 10}, {0, 10, 16, 20}, kZero}},
      {"too short, one button",
       {0, 0, 16, 20},
       false,
       true,
       800,
       0,
       {{0, 0, 0, 0}, {0, 10, 16, 20}, kZero}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const ScrollBarParts parts =
        ComputeScrollBarParts(c.bar, false, 16, c.button1, c.button2, c.range, c.position, 30);
    EXPECT_TRUE(SameRect(parts.button1, c.parts.button1));
    EXPECT_TRUE(SameRect(parts.button2, c.parts.button2));
    EXPECT_TRUE(SameRect(parts.thumb, c.parts.thumb));
  }
}

TEST(ScrollBarPartsTest, HorizontalBarIsTheVerticalOneTurned) {
  const ScrollBarParts parts =
      ComputeScrollBarParts({20, 10, 220, 26}, true, 16, true, true, 800, 800, 30);
  EXPECT_TRUE(SameRect(parts.button1, {20, 10, 36, 26}));
  EXPECT_TRUE(SameRect(parts.button2, {204, 10, 220, 26}));
  EXPECT_TRUE(SameRect(parts.thumb, {171, 10, 204, 26}));
  const ScrollBarParts hidden =
      ComputeScrollBarParts({20, 10, 220, 26}, true, 16, true, false, 800, 0, 30);
  EXPECT_TRUE(SameRect(hidden.button2, {220, 10, 220, 10}));
}

TEST(ScrollBarPartsTest, ThumbDragOffsetIsTheShareOfTheTrack) {
  const struct {
    int32_t distance;
    int32_t bar;
    int32_t thumb;
    int32_t buttons;
    int64_t range;
    int64_t offset;
  } cases[] = {
      {10, 200, 68, 32, 500, 50},  // a track of 100
      {-10, 200, 68, 32, 500, -50},
      {3, 200, 68, 32, 10, 0},    // truncated
      {10, 100, 68, 32, 500, 0},  // no track: nothing
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ui::ThumbDragOffset(c.distance, c.bar, c.thumb, c.buttons, c.range), c.offset)
        << c.distance << " over " << c.bar;
  }
}

// A vertical bar 200 high at the origin, standing alone, on a timer manager
// the test steps by hand.
class ScrollBarTest : public testing::Test {
 protected:
  ScrollBarTest() {
    auto system = std::make_unique<test_support::FakeTimerSystem>();
    system_ = system.get();
    timers_ = std::make_unique<ui::TimerManager>(std::move(system));
    bar_.SetTimerManager(timers_.get());
    bar_.SetPos({0, 0, 16, 200});
  }

  void Send(ui::EventType type, POINT point) {
    ui::EventArgs msg;
    msg.Type = type;
    msg.pSender = &bar_;
    msg.ptMouse = point;
    bar_.HandleEvent(&msg);
  }
  // Repeat ticks of 50 ms.
  void Ticks(int count) {
    for (int i = 0; i < count; ++i) {
      system_->AdvanceMilliseconds(ScrollBar::kRepeatIntervalMs);
      timers_->Poll();
    }
  }

  test_support::FakeTimerSystem* system_ = nullptr;
  std::unique_ptr<ui::TimerManager> timers_;
  ScrollBar bar_;
};

TEST_F(ScrollBarTest, HeldButtonStepsAtThePressThenAfterFiveTicksOnEveryTick) {
  bar_.SetScrollRange(1000);
  EXPECT_EQ(bar_.GetLineSize(), 8);
  Send(ui::kEventButtonDown, {8, 190});
  EXPECT_EQ(bar_.GetButton2State(), ui::kControlStatePushed);
  EXPECT_EQ(bar_.GetPosition(), 8);
  Ticks(5);
  EXPECT_EQ(bar_.GetPosition(), 8);
  Ticks(1);
  EXPECT_EQ(bar_.GetPosition(), 16);
  Ticks(2);
  EXPECT_EQ(bar_.GetPosition(), 32);
  Send(ui::kEventButtonUp, {8, 190});
  Ticks(10);
  EXPECT_EQ(bar_.GetPosition(), 32);
  EXPECT_EQ(bar_.GetButton2State(), ui::kControlStateNormal);

  // Button 1 steps back; at 0 it stays there.
  Send(ui::kEventButtonDown, {8, 5});
  EXPECT_EQ(bar_.GetPosition(), 24);
  Ticks(10);
  EXPECT_EQ(bar_.GetPosition(), 0);
  Send(ui::kEventButtonUp, {8, 5});
}

TEST_F(ScrollBarTest, ThumbDragMovesByTheDistanceShareOfTheRangeAtTheNextTick) {
  bar_.SetAttribute(L"thumbminlength", L"68");
  bar_.SetScrollRange(500);
  ASSERT_TRUE(SameRect(bar_.GetThumbRect(), {0, 16, 16, 84}));
  Send(ui::kEventButtonDown, {8, 50});
  EXPECT_EQ(bar_.GetThumbState(), ui::kControlStatePushed);
  Send(ui::kEventMouseMove, {8, 60});
  EXPECT_EQ(bar_.GetPosition(), 0);
  Ticks(1);
  EXPECT_EQ(bar_.GetPosition(), 50);
  Send(ui::kEventMouseMove, {8, 900});
  Ticks(1);
  EXPECT_EQ(bar_.GetPosition(), 500);
  Send(ui::kEventButtonUp, {100, 100});
  // Released outside the bar: the thumb is no longer hot.
  EXPECT_EQ(bar_.GetThumbState(), ui::kControlStateNormal);
  EXPECT_FALSE(bar_.IsMouseFocused());
}

TEST_F(ScrollBarTest, RailPressPagesByTheBarLength) {
  bar_.SetScrollRange(1000);
  bar_.SetScrollPos(500);
  const RECT thumb = bar_.GetThumbRect();
  Send(ui::kEventButtonDown, {8, thumb.top - 2});
  EXPECT_EQ(bar_.GetPosition(), 300);
  Send(ui::kEventButtonUp, {8, thumb.top - 2});
  Send(ui::kEventButtonDown, {8, 183});
  EXPECT_EQ(bar_.GetPosition(), 500);
  Send(ui::kEventButtonUp, {8, 183});
}

TEST_F(ScrollBarTest, ReleasedButtonIsNotLeftPushed) {
  // A button left pushed would make a held rail press repeat its line step.
  bar_.SetScrollRange(1000);
  bar_.SetScrollPos(500);
  Send(ui::kEventButtonDown, {8, 5});
  Send(ui::kEventButtonUp, {8, 5});
  EXPECT_EQ(bar_.GetButton1State(), ui::kControlStateNormal);
  EXPECT_EQ(bar_.GetPosition(), 492);
  Send(ui::kEventButtonDown, {8, 183});
  EXPECT_EQ(bar_.GetPosition(), 692);
  Ticks(6);
  // The cursor is wherever it is: the step pages or does nothing, and never
  // goes back by a line.
  EXPECT_NE(bar_.GetPosition(), 684);
  Send(ui::kEventButtonUp, {8, 183});
}

TEST_F(ScrollBarTest, RangeRulesVisibilityAndClampsThePosition) {
  bar_.SetScrollPos(80);
  bar_.SetScrollRange(50);
  EXPECT_EQ(bar_.GetPosition(), 50);
  bar_.SetScrollRange(-5);
  EXPECT_EQ(bar_.GetRange(), 0);
  EXPECT_EQ(bar_.GetPosition(), 0);
  EXPECT_FALSE(bar_.IsVisible());
  // An auto-hiding bar waits for its owner to show it.
  bar_.SetScrollRange(100);
  EXPECT_FALSE(bar_.IsVisible());
  bar_.SetScrollRange(0);
  bar_.SetAttribute(L"autohidescroll", L"false");
  bar_.SetScrollRange(100);
  EXPECT_TRUE(bar_.IsVisible());
  bar_.SetScrollPos(-3);
  EXPECT_EQ(bar_.GetPosition(), 0);
  bar_.SetAttribute(L"value", L"1000");
  EXPECT_EQ(bar_.GetPosition(), 100);
}

TEST_F(ScrollBarTest, TurningHorizontalMovesTheThicknessAndTheParts) {
  bar_.SetAttribute(L"hor", L"true");
  EXPECT_TRUE(bar_.IsHorizontal());
  EXPECT_EQ(bar_.GetFixedWidth(), 0);
  EXPECT_EQ(bar_.GetFixedHeight(), 16);
  bar_.SetPos({0, 0, 200, 16});
  EXPECT_TRUE(SameRect(bar_.GetButton2Rect(), {184, 0, 200, 16}));
  bar_.SetAttribute(L"showbutton2", L"false");
  EXPECT_TRUE(SameRect(bar_.GetButton2Rect(), {200, 0, 200, 0}));
  bar_.SetAttribute(L"hor", L"false");
  EXPECT_EQ(bar_.GetFixedWidth(), 16);
}

TEST_F(ScrollBarTest, SizesScaleAtOneHundredFiftyPercent) {
  test_support::ScopedDpiScale scale(true, 150);
  bar_.SetAttribute(L"linesize", L"10");
  bar_.SetAttribute(L"thumbminlength", L"20");
  EXPECT_EQ(bar_.GetLineSize(), 15);
  EXPECT_EQ(bar_.GetThumbMinLength(), 30);
}

TEST_F(ScrollBarTest, DisablingDisablesEveryPartAndIgnoresPresses) {
  bar_.SetScrollRange(1000);
  bar_.SetEnabled(false);
  EXPECT_EQ(bar_.GetButton1State(), ui::kControlStateDisabled);
  EXPECT_EQ(bar_.GetThumbState(), ui::kControlStateDisabled);
  Send(ui::kEventButtonDown, {8, 190});
  EXPECT_EQ(bar_.GetPosition(), 0);
  bar_.SetEnabled(true);
  EXPECT_EQ(bar_.GetButton2State(), ui::kControlStateNormal);
}

// Each part in its own colour, painted into a memory bitmap.
class ScrollBarPaintTest : public ScrollBarTest {
 protected:
  std::wstring Image(const std::wstring& name, DWORD argb) {
    const std::wstring path = scratch_.Child(name);
    test_support::WriteFileBytes(path,
                                 test_support::EncodePng(4, 4, test_support::Solid(4, 4, argb)));
    return L"file='" + path + L"'";
  }

  test_support::ScratchDir scratch_;
};

TEST_F(ScrollBarPaintTest, PartsAreDrawnWhereTheyLieAndByTheirState) {
  bar_.SetAttribute(L"bknormalimage", Image(L"bk.png", 0xFF808080));
  bar_.SetAttribute(L"button1normalimage", Image(L"b1.png", 0xFFFF0000));
  bar_.SetAttribute(L"button1hotimage", Image(L"b1hot.png", 0xFFFFFF00));
  bar_.SetAttribute(L"button2normalimage", Image(L"b2.png", 0xFF00FF00));
  bar_.SetAttribute(L"thumbnormalimage", Image(L"thumb.png", 0xFF0000FF));
  bar_.SetAttribute(L"railnormalimage", Image(L"rail.png", 0xFFFFFFFF));
  bar_.SetScrollRange(800);  // thumb 36 to 69 of a 200 bar shifted by 20
  bar_.SetPos({0, 20, 16, 220});
  auto surface = test_support::MakeSurface(16, 240);
  bar_.AlphaPaint(surface.get(), {0, 0, 16, 240});
  EXPECT_EQ(Rgb(PixelAt(*surface, 8, 28)), 0xFF0000u);   // button 1
  EXPECT_EQ(Rgb(PixelAt(*surface, 8, 212)), 0x00FF00u);  // button 2
  EXPECT_EQ(Rgb(PixelAt(*surface, 8, 38)), 0x0000FFu);   // thumb
  EXPECT_EQ(Rgb(PixelAt(*surface, 8, 52)), 0xFFFFFFu);   // grip, centred on the thumb
  EXPECT_EQ(Rgb(PixelAt(*surface, 8, 150)), 0x808080u);  // background
  EXPECT_EQ(Rgb(PixelAt(*surface, 8, 5)), 0u);           // outside the bar

  // A pushed button without a pushed image shows its hot one.
  Send(ui::kEventButtonDown, {8, 25});
  surface->Clear();
  bar_.AlphaPaint(surface.get(), {0, 0, 16, 240});
  EXPECT_EQ(Rgb(PixelAt(*surface, 8, 28)), 0xFFFF00u);
  Send(ui::kEventButtonUp, {8, 25});
}

}  // namespace
