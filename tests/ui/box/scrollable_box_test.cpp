#include "ui/box/scrollable_box.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "tests/support/real_mouse.h"
#include "tests/ui/core/dpi_scope.h"
#include "tests/ui/core/host_window.h"
#include "tests/ui/core/render_setup.h"
#include "tests/ui/core/test_window.h"
#include "tests/ui/resources/fake_timer_system.h"
#include "ui/box/vertical_layout.h"
#include "ui/core/input_functions.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/timer_manager.h"

namespace {

using test_support::PixelAt;
using test_support::PumpUntil;
using test_support::Rgb;
using ui::ScrollableBox;

// A child of fixed height that counts how often its images were loaded and
// dropped.
class Block : public ui::Control {
 public:
  explicit Block(int height, const wchar_t* color = L"") {
    SetFixedHeight(height, false);
    if (*color) SetAttribute(L"bkcolor", color);
  }
  void LoadImageCache() override { ++loads; }
  void UnloadImageCache() override { ++unloads; }
  int loads = 0;
  int unloads = 0;
};

// Touch functions that hand out the record the test put in.
class FakeTouch : public ui::InputFunctions {
 public:
  bool RegisterTouchWindow(HWND) override { return true; }
  bool UnregisterTouchWindow(HWND) override { return true; }
  bool GetTouchInputInfo(HTOUCHINPUT, UINT, TOUCHINPUT* inputs) override {
    inputs[0] = touch;
    return true;
  }
  bool CloseTouchInputHandle(HTOUCHINPUT) override { return true; }
  bool GetPointerType(UINT32, POINTER_INPUT_TYPE*) override { return false; }
  bool GetPointerTouchInfo(UINT32, POINTER_TOUCH_INFO*) override { return false; }
  bool GetPointerPenInfo(UINT32, POINTER_PEN_INFO*) override { return false; }
  TOUCHINPUT touch = {};
};

// Where the window stands: topmost and away from the corner where the other
// test programs' windows appear, as they share the display.
constexpr POINT kOrigin = {640, 420};

// A vertical scrollable box filling a 200 x 200 topmost window, with a
// vertical bar, on a timer manager the test steps by hand.
class ScrollableBoxTest : public testing::Test {
 protected:
  ScrollableBoxTest() {
    ui::GlobalManager::AddTextColor(L"red", L"#FFFF0000");
    ui::GlobalManager::AddTextColor(L"green", L"#FF00FF00");
    auto system = std::make_unique<test_support::FakeTimerSystem>();
    system_ = system.get();
    timers_ = std::make_unique<ui::TimerManager>(std::move(system));
    box_->SetTimerManager(timers_.get());
    box_->SetAttribute(L"vscrollbar", L"true");
    box_->AddEventHandler(ui::kEventScrollChange, [this](ui::EventArgs*) {
      ++scroll_events_;
      return true;
    });
    host_.GetShadow().attached = false;
    host_.Create(nullptr, L"", WS_POPUP, WS_EX_TOPMOST, false,
                 {kOrigin.x, kOrigin.y, kOrigin.x + 200, kOrigin.y + 200});
    host_.ShowWindow(true, false);
  }
  ~ScrollableBoxTest() override {
    ui::InputFunctions::Set(nullptr);
    host_.Destroy();
  }

  // Adds blocks of the heights and lays the window out.
  std::vector<Block*> Fill(const std::vector<int>& heights) {
    std::vector<Block*> blocks;
    for (int height : heights) {
      blocks.push_back(new Block(height));
      box_->Add(blocks.back());
    }
    Show();
    return blocks;
  }
  void Show() {
    if (!host_.GetRoot()) host_.AttachRootControl(box_);
    InvalidateRect(hwnd(), nullptr, FALSE);
    UpdateWindow(hwnd());
  }
  HWND hwnd() const { return host_.GetHWND(); }
  int ScrollY() const { return box_->GetScrollPos().cy; }
  // Steps the fake timers in frames of 16 ms until the animations rest.
  void Settle() {
    for (int frame = 0; frame < 400; ++frame) {
      system_->AdvanceMilliseconds(16);
      timers_->Poll();
    }
  }
  void Key(WPARAM key) {
    ui::EventArgs msg;
    msg.Type = ui::kEventKeyDown;
    msg.pSender = box_;
    msg.chKey = static_cast<wchar_t>(key);
    msg.wParam = key;
    box_->HandleEvent(&msg);
  }

  test_support::FakeTimerSystem* system_ = nullptr;
  std::unique_ptr<ui::TimerManager> timers_;
  test_support::HostWindow host_;
  ScrollableBox* box_ = new ScrollableBox(std::make_unique<ui::VLayout>());  // owned by the window
  int scroll_events_ = 0;
};

TEST_F(ScrollableBoxTest, OverflowBecomesTheRangeAndGoesWithIt) {
  const std::vector<Block*> blocks = Fill({100, 100, 100, 100, 100});
  ui::ScrollBar* bar = box_->GetVerticalScrollBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(box_->GetScrollRange().cy, 300);
  const RECT placed = bar->GetPos();
  EXPECT_EQ(placed.left, 184);
  EXPECT_EQ(placed.right, 200);
  EXPECT_EQ(placed.bottom, 200);
  EXPECT_EQ(box_->GetChildOffsets(), (std::vector<int32_t>{0, 100, 200, 300, 400}));

  box_->SetScrollPos({0, 250});
  EXPECT_EQ(ScrollY(), 250);
  // Content of 150 fits: range and position fall to 0 and the bar hides.
  box_->Remove(blocks[4]);
  box_->Remove(blocks[3]);
  box_->Remove(blocks[2]);
  blocks[1]->SetFixedHeight(50, false);
  Show();
  EXPECT_EQ(box_->GetScrollRange().cy, 0);
  EXPECT_EQ(ScrollY(), 0);
  EXPECT_FALSE(bar->IsVisible());
}

TEST_F(ScrollableBoxTest, ShrinkingContentLowersThePosition) {
  const std::vector<Block*> blocks = Fill({100, 100, 100, 100, 100});
  box_->SetScrollPos({0, 300});
  blocks[4]->SetFixedHeight(20, false);
  Show();
  EXPECT_EQ(box_->GetScrollRange().cy, 220);
  EXPECT_EQ(ScrollY(), 220);
}

TEST_F(ScrollableBoxTest, NonFloatingBarNarrowsTheContentInTheSameLayout) {
  box_->SetAttribute(L"scrollbarfloat", L"false");
  const std::vector<Block*> blocks = Fill({150, 150});
  EXPECT_EQ(box_->GetScrollRange().cy, 100);
  EXPECT_EQ(blocks[0]->GetPos().right, 184);

  ScrollableBox floating(std::make_unique<ui::VLayout>());
  floating.SetAttribute(L"vscrollbar", L"true");
  auto* child = new Block(300);
  floating.Add(child);
  floating.SetPos({0, 0, 200, 200});
  EXPECT_EQ(child->GetPos().right, 200);
}

TEST_F(ScrollableBoxTest, WheelStepsDuringAnAnimationAddUp) {
  Fill({1000});
  box_->SetScrollPos({0, 600});
  scroll_events_ = 0;
  // Three notches up while the first still runs: 360 in all from 600.
  box_->LineUp(120, true);
  box_->LineUp(120, true);
  box_->LineUp(120, true);
  EXPECT_TRUE(box_->GetLineScrollPlayer().playing);
  EXPECT_EQ(box_->GetLineScrollPlayer().endValue, 240);
  Settle();
  EXPECT_EQ(ScrollY(), 240);
  EXPECT_FALSE(box_->GetLineScrollPlayer().playing);
  EXPECT_GT(scroll_events_, 0);

  // A step down during an upward scroll aims from where the box is now.
  box_->LineUp(120, true);
  system_->AdvanceMilliseconds(16);
  timers_->Poll();
  const int now = ScrollY();
  EXPECT_LT(now, 240);
  box_->LineDown(120, true);
  EXPECT_EQ(box_->GetLineScrollPlayer().endValue, now + 120);
  Settle();
  EXPECT_EQ(ScrollY(), now + 120);
}

TEST_F(ScrollableBoxTest, StepsAtTheEndsDoNothingAndRequestsBeyondThemStopTheAnimation) {
  Fill({1000});
  box_->LineUp(-1, true);
  box_->LineUp(30, false);
  EXPECT_FALSE(box_->GetLineScrollPlayer().playing);
  box_->EndDown(false, false);
  scroll_events_ = 0;
  box_->LineDown(-1, true);
  box_->LineDown(30, false);
  EXPECT_FALSE(box_->GetLineScrollPlayer().playing);
  EXPECT_EQ(scroll_events_, 0);

  box_->HomeUp();
  box_->LineDown(300, true);
  ASSERT_TRUE(box_->GetLineScrollPlayer().playing);
  box_->SetScrollPos({0, -5});
  EXPECT_EQ(ScrollY(), 0);
  EXPECT_FALSE(box_->GetLineScrollPlayer().playing);
  Settle();
  EXPECT_EQ(ScrollY(), 0);

  // An animated step past the end ends there.
  box_->SetScrollPos({0, 790});
  box_->LineDown(120, true);
  Settle();
  EXPECT_EQ(ScrollY(), 800);
}

TEST_F(ScrollableBoxTest, HoldEndFollowsGrowingContentOnlyFromTheEnd) {
  box_->SetAttribute(L"holdend", L"true");
  Fill({100, 100, 100});
  box_->EndDown(false, false);
  EXPECT_EQ(ScrollY(), 100);
  box_->Add(new Block(50));
  Show();
  EXPECT_EQ(ScrollY(), 150);
  box_->SetScrollPos({0, 20});
  box_->Add(new Block(50));
  Show();
  EXPECT_EQ(box_->GetScrollRange().cy, 200);
  EXPECT_EQ(ScrollY(), 20);
}

TEST_F(ScrollableBoxTest, ProgrammaticScrollMovesAndRepaintsSilently) {
  Fill({500});
  ValidateRect(hwnd(), nullptr);
  box_->SetProgrammaticScroll(true);
  box_->SetScrollPos({0, 40});
  EXPECT_EQ(ScrollY(), 40);
  EXPECT_EQ(scroll_events_, 0);
  RECT dirty = {};
  EXPECT_TRUE(GetUpdateRect(hwnd(), &dirty, FALSE));
  // The end of a line animation clears the flag.
  box_->LineDown(30, true);
  Settle();
  EXPECT_FALSE(box_->IsProgrammaticScroll());
  box_->SetScrollPos({0, 0});
  EXPECT_EQ(scroll_events_, 1);
}

TEST_F(ScrollableBoxTest, HorizontalPageEndAndHomeSteps) {
  box_->SetAttribute(L"hscrollbar", L"true");
  auto* wide = new Block(100);
  wide->SetFixedWidth(1000, false, false);
  box_->Add(wide);
  Show();
  ASSERT_EQ(box_->GetScrollRange().cx, 800);
  box_->PageRight();
  EXPECT_EQ(box_->GetScrollPos().cx, 200);
  box_->EndRight();
  EXPECT_EQ(box_->GetScrollPos().cx, 800);
  box_->PageLeft();
  EXPECT_EQ(box_->GetScrollPos().cx, 600);
  box_->HomeLeft();
  EXPECT_EQ(box_->GetScrollPos().cx, 0);
}

TEST_F(ScrollableBoxTest, PageDownInAThreeHundredViewWithAFourteenPixelBarScrolls286) {
  ScrollableBox box(std::make_unique<ui::VLayout>());
  box.SetAttribute(L"vscrollbar", L"true");
  box.SetAttribute(L"hscrollbarstyle", L"height=\"14\"");
  auto* wide = new Block(1000);
  wide->SetFixedWidth(1000, false, false);
  box.Add(wide);
  box.SetPos({0, 0, 300, 300});
  ASSERT_NE(box.GetScrollRange().cx, 0);
  box.PageDown();
  EXPECT_EQ(box.GetScrollPos().cy, 286);
}

TEST_F(ScrollableBoxTest, KeysScrollTheActiveAxis) {
  Fill({1000});
  const struct {
    WPARAM key;
    int from;
    int to;
  } cases[] = {
      {VK_NEXT, 0, 200}, {VK_PRIOR, 300, 100}, {VK_HOME, 300, 0},
      {VK_DOWN, 0, 30},  {VK_UP, 300, 270},
  };
  for (const auto& c : cases) {
    box_->SetScrollPos({0, c.from});
    Key(c.key);
    Settle();
    EXPECT_EQ(ScrollY(), c.to) << c.key;
  }
}

TEST_F(ScrollableBoxTest, EndKeyJumpsAndSlidesTheContentIntoPlace) {
  Fill({1000});
  Key(VK_END);
  EXPECT_EQ(ScrollY(), 800);
  EXPECT_EQ(box_->GetRenderOffset().y, -800);
  system_->AdvanceMilliseconds(300);
  timers_->Poll();
  EXPECT_LT(box_->GetRenderOffset().y, 0);
  EXPECT_GT(box_->GetRenderOffset().y, -800);
  Settle();
  EXPECT_EQ(box_->GetRenderOffset().y, 0);
  // At most 650 ms, however far.
  EXPECT_EQ(box_->GetRenderOffsetPlayer().totalMillis, 650);
}

TEST_F(ScrollableBoxTest, TouchMovesTheContentWithTheFinger) {
  Fill({1000});
  FakeTouch touch;
  ui::InputFunctions::Set(&touch);
  const auto send = [&](DWORD flags, int y) {
    touch.touch = {};
    touch.touch.x = (kOrigin.x + 50) * 100;
    touch.touch.y = (kOrigin.y + y) * 100;
    touch.touch.dwID = 1;
    touch.touch.dwFlags = flags;
    SendMessageW(hwnd(), WM_TOUCH, 1, 0x1234);
  };
  send(TOUCHEVENTF_DOWN, 150);
  send(TOUCHEVENTF_MOVE, 110);
  EXPECT_EQ(ScrollY(), 40);
  send(TOUCHEVENTF_MOVE, 130);
  EXPECT_EQ(ScrollY(), 20);
  send(TOUCHEVENTF_UP, 130);
  EXPECT_FALSE(box_->IsMouseFocused());
}

TEST_F(ScrollableBoxTest, ChildrenFarOutOfViewDropTheirImages) {
  const std::vector<Block*> blocks = Fill(std::vector<int>(30, 100));
  for (Block* block : blocks) block->loads = block->unloads = 0;
  box_->SetScrollPos({0, 2000});
  // The view 2000..2200 and 730 on each side: 1270..2930.
  EXPECT_EQ(blocks[11]->unloads, 1);
  EXPECT_EQ(blocks[12]->loads, 1);
  EXPECT_EQ(blocks[29]->loads, 1);
  EXPECT_EQ(blocks[0]->unloads, 1);
  EXPECT_EQ(blocks[0]->loads, 0);
}

TEST_F(ScrollableBoxTest, ChildrenArePaintedAndFoundAtTheirScrolledPlace) {
  Fill({});
  auto* first = new Block(100, L"red");
  auto* second = new Block(400, L"green");
  box_->Add(first);
  box_->Add(second);
  Show();
  box_->SetScrollPos({0, 80});
  UpdateWindow(hwnd());
  const ui::IRenderContext& bitmap = *host_.GetRenderContext();
  EXPECT_EQ(Rgb(PixelAt(bitmap, 50, 10)), 0xFF0000u);
  EXPECT_EQ(Rgb(PixelAt(bitmap, 50, 30)), 0x00FF00u);
  EXPECT_EQ(host_.FindControlAt({50, 10}), first);
  EXPECT_EQ(host_.FindControlAt({50, 30}), second);
}

TEST_F(ScrollableBoxTest, BarsKeepTheirPaddingAndUnitsScale) {
  test_support::ScopedDpiScale scale(true, 150);
  box_->SetAttribute(L"vscrollunit", L"20");
  box_->SetAttribute(L"scrollbarpadding", L"2,4,6,8");
  EXPECT_EQ(box_->GetVerticalScrollUnit(), 30);
  const RECT padding = box_->GetScrollBarPadding();
  EXPECT_EQ(padding.top, 6);
  EXPECT_EQ(padding.right, 9);
  EXPECT_EQ(padding.bottom, 12);
  Fill({1000});
  const RECT bar = box_->GetVerticalScrollBar()->GetPos();
  EXPECT_EQ(bar.right, 200 - 9);
  EXPECT_EQ(bar.top, 6);
  EXPECT_EQ(bar.bottom, 200 - 12);
}

TEST_F(ScrollableBoxTest, AutoHidingBarFollowsTheMouseOverTheBox) {
  Fill({1000});
  ui::ScrollBar* bar = box_->GetVerticalScrollBar();
  EXPECT_FALSE(bar->IsVisible());
  ui::EventArgs msg;
  msg.pSender = box_;
  msg.Type = ui::kEventMouseEnter;
  host_.SetNewHover(box_);
  box_->HandleEvent(&msg);
  EXPECT_TRUE(bar->IsVisible());
  msg.Type = ui::kEventMouseLeave;
  host_.SetNewHover(nullptr);
  box_->HandleEvent(&msg);
  EXPECT_FALSE(bar->IsVisible());
}

TEST_F(ScrollableBoxTest, WheelOverTheBarScrollsItsBox) {
  box_->SetAttribute(L"vscrollbarstyle", L"autohidescroll=\"false\"");
  Fill({1000});
  ui::ScrollBar* bar = box_->GetVerticalScrollBar();
  ASSERT_TRUE(bar->IsVisible());
  ui::EventArgs wheel;
  wheel.Type = ui::kEventScrollWheel;
  wheel.pSender = bar;
  wheel.wParam = static_cast<uint64_t>(static_cast<int64_t>(-WHEEL_DELTA));
  bar->HandleEvent(&wheel);
  Settle();
  EXPECT_EQ(ScrollY(), 120);
  // The bar's buttons step the box by its unit.
  ui::EventArgs press;
  press.Type = ui::kEventButtonDown;
  press.pSender = bar;
  press.ptMouse = {192, 195};
  bar->HandleEvent(&press);
  press.Type = ui::kEventButtonUp;
  bar->HandleEvent(&press);
  Settle();
  EXPECT_EQ(ScrollY(), 150);
}

TEST_F(ScrollableBoxTest, EnablingAndRemovingBars) {
  box_->SetAttribute(L"hscrollbar", L"true");
  ASSERT_NE(box_->GetHorizontalScrollBar(), nullptr);
  EXPECT_TRUE(box_->GetHorizontalScrollBar()->IsHorizontal());
  EXPECT_EQ(box_->GetHorizontalScrollBar()->GetOwner(), box_);
  box_->SetAttribute(L"vscrollbar", L"false");
  EXPECT_EQ(box_->GetVerticalScrollBar(), nullptr);
  EXPECT_NE(box_->GetHorizontalScrollBar(), nullptr);
  Fill({1000});
  EXPECT_EQ(box_->GetScrollRange().cy, 0);
}

// Real input: the system's timers, the mouse and the wheel.
class ScrollableBoxInputTest : public ScrollableBoxTest {
 protected:
  ScrollableBoxInputTest() {
    box_->SetTimerManager(nullptr);
    box_->SetAttribute(L"vscrollbarstyle", L"autohidescroll=\"false\"");
    Fill({2000});
    SetForegroundWindow(hwnd());
  }
  static void MoveMouse(int x, int y) { test_support::MoveMouseTo(x + kOrigin.x, y + kOrigin.y); }
  static void MouseButton(DWORD flags, DWORD data = 0) { test_support::MouseButton(flags, data); }
  void Hold(int x, int y, const std::function<bool()>& until) {
    MoveMouse(x, y);
    PumpUntil([] { return false; }, 100);
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    EXPECT_TRUE(PumpUntil(until));
    MouseButton(MOUSEEVENTF_LEFTUP);
    PumpUntil([] { return false; }, 200);
  }
};

TEST_F(ScrollableBoxInputTest, WheelAndKeysScroll) {
  MoveMouse(50, 50);
  PumpUntil([] { return false; }, 100);
  MouseButton(MOUSEEVENTF_WHEEL, static_cast<DWORD>(-WHEEL_DELTA));
  ASSERT_TRUE(PumpUntil([&] { return ScrollY() == 120 && !box_->GetLineScrollPlayer().playing; }));
  MouseButton(MOUSEEVENTF_WHEEL, WHEEL_DELTA);
  ASSERT_TRUE(PumpUntil([&] { return ScrollY() == 0; }));

  box_->SetFocus();
  PostMessageW(hwnd(), WM_KEYDOWN, VK_NEXT, 0);
  ASSERT_TRUE(PumpUntil([&] { return ScrollY() == 200; }));
  PostMessageW(hwnd(), WM_KEYDOWN, VK_DOWN, 0);
  ASSERT_TRUE(PumpUntil([&] { return ScrollY() == 230; }));
  PostMessageW(hwnd(), WM_KEYDOWN, VK_END, 0);
  ASSERT_TRUE(PumpUntil([&] { return ScrollY() == 1800 && box_->GetRenderOffset().y == 0; }));
}

TEST_F(ScrollableBoxInputTest, HeldArrowAndRailRepeatAndTheThumbDrags) {
  ui::ScrollBar* bar = box_->GetVerticalScrollBar();
  // Button 2 held: the press steps once, the repeat goes on past it.
  Hold(192, 195, [&] { return ScrollY() >= 120; });
  ASSERT_TRUE(PumpUntil([&] { return !box_->GetLineScrollPlayer().playing; }));
  const int after_button = ScrollY();
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(ScrollY(), after_button);
  EXPECT_EQ(bar->GetButton2State(), ui::kControlStateNormal);

  // The rail below the thumb, held: page after page while the cursor stays
  // below the thumb.
  box_->HomeUp();
  UpdateWindow(hwnd());
  Hold(192, 170, [&] { return ScrollY() >= 400; });
  EXPECT_EQ(ScrollY() % 200, 0);

  // The thumb follows the mouse.
  box_->HomeUp();
  UpdateWindow(hwnd());
  const RECT thumb = bar->GetThumbRect();
  MoveMouse(192, thumb.top + 5);
  PumpUntil([] { return false; }, 100);
  MouseButton(MOUSEEVENTF_LEFTDOWN);
  ASSERT_TRUE(PumpUntil([&] { return bar->GetThumbState() == ui::kControlStatePushed; }));
  MoveMouse(192, thumb.top + 45);
  EXPECT_TRUE(PumpUntil([&] { return ScrollY() > 0; }));
  MouseButton(MOUSEEVENTF_LEFTUP);
  ASSERT_TRUE(PumpUntil([&] { return bar->GetThumbState() != ui::kControlStatePushed; }));
  EXPECT_EQ(ScrollY(), static_cast<int>(ui::ThumbDragOffset(40, 200, thumb.bottom - thumb.top, 32,
                                                            box_->GetScrollRange().cy)));
}

}  // namespace
