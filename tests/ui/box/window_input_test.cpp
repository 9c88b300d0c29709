#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/real_mouse.h"
#include "tests/ui/core/host_window.h"
#include "tests/ui/core/render_setup.h"
#include "tests/ui/core/test_window.h"
#include "ui/box/box.h"
#include "ui/core/input_functions.h"
#include "ui/core/message_filter.h"

namespace {

using test_support::HostWindow;
using test_support::PumpUntil;
using ui::Control;
using ui::EventArgs;
using ui::EventType;

// Records the events its default handling sees and its completed presses.
class Recorder : public Control {
 public:
  void HandleEvent(EventArgs* msg) override {
    events.push_back(msg->Type);
    last = *msg;
    Control::HandleEvent(msg);
  }
  void Activate() override {
    ++clicks;
    if (on_click) on_click();
  }
  bool Saw(EventType type) const {
    for (EventType seen : events) {
      if (seen == type) return true;
    }
    return false;
  }
  std::vector<EventType> events;
  EventArgs last;
  int clicks = 0;
  std::function<void()> on_click;
};

// Touch and pointer functions that hand out what the test put in.
class FakeInput : public ui::InputFunctions {
 public:
  bool RegisterTouchWindow(HWND) override { return true; }
  bool UnregisterTouchWindow(HWND) override { return true; }
  bool GetTouchInputInfo(HTOUCHINPUT, UINT count, TOUCHINPUT* inputs) override {
    asked = count;
    inputs[0] = touch;
    return true;
  }
  bool CloseTouchInputHandle(HTOUCHINPUT) override {
    ++closed;
    return true;
  }
  bool GetPointerType(UINT32, POINTER_INPUT_TYPE* type) override {
    *type = PT_PEN;
    return true;
  }
  bool GetPointerTouchInfo(UINT32, POINTER_TOUCH_INFO*) override { return false; }
  bool GetPointerPenInfo(UINT32, POINTER_PEN_INFO* info) override {
    *info = pen;
    return true;
  }

  TOUCHINPUT touch = {};
  POINTER_PEN_INFO pen = {};
  UINT asked = 0;
  int closed = 0;
};

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

// Where the window stands: topmost and away from the corner where the other
// test programs' windows appear, as they share the display.
constexpr POINT kOrigin = {900, 850};

// Three recorders side by side, 100 pixels each, in a topmost window.
class WindowInputTest : public testing::Test {
 protected:
  WindowInputTest() {
    host_.GetShadow().attached = false;
    host_.Create(nullptr, L"", WS_POPUP, WS_EX_TOPMOST, false,
                 {kOrigin.x, kOrigin.y, kOrigin.x + 300, kOrigin.y + 100});
    host_.ShowWindow(true, false);
    auto* root = new ui::HBox;
    for (Recorder* control : {a_, b_, c_}) {
      control->SetFixedWidth(100, false, false);
      root->Add(control);
    }
    host_.AttachRootControl(root);
    InvalidateRect(hwnd(), nullptr, FALSE);
    UpdateWindow(hwnd());
    SetForegroundWindow(hwnd());
    ui::InputFunctions::Set(&input_);
  }
  ~WindowInputTest() override {
    ui::InputFunctions::Set(nullptr);
    host_.Destroy();
  }

  HWND hwnd() const { return host_.GetHWND(); }

  // A client point of the window.
  static void MoveMouse(int x, int y) { test_support::MoveMouseTo(x + kOrigin.x, y + kOrigin.y); }
  static void MouseButton(DWORD flags, DWORD data = 0) { test_support::MouseButton(flags, data); }

  // Touch records carry screen points in hundredths of a pixel.
  LRESULT Touch(DWORD flags, int x, int y, WPARAM count = 1) {
    input_.touch = {};
    input_.touch.x = (x + kOrigin.x) * 100;
    input_.touch.y = (y + kOrigin.y) * 100;
    input_.touch.dwID = 1;
    input_.touch.dwFlags = flags;
    return SendMessageW(hwnd(), WM_TOUCH, count, 0x1234);
  }

  HostWindow host_;
  Recorder* a_ = new Recorder;  // owned by the tree
  Recorder* b_ = new Recorder;
  Recorder* c_ = new Recorder;
  FakeInput input_;
};

TEST_F(WindowInputTest, RealMouseHoversPressesClicksAndWheels) {
  MoveMouse(50, 50);
  ASSERT_TRUE(PumpUntil([&] { return a_->Saw(ui::kEventMouseEnter); }));
  b_->SetToolTipText(L"second");
  MoveMouse(150, 50);
  ASSERT_TRUE(PumpUntil([&] { return b_->Saw(ui::kEventMouseEnter); }));
  EXPECT_TRUE(a_->Saw(ui::kEventMouseLeave));
  EXPECT_EQ(host_.GetHoverControl(), b_);

  // Resting on B brings its hover event and its tooltip.
  ASSERT_TRUE(PumpUntil([&] { return b_->Saw(ui::kEventMouseHover); }));
  const HWND tooltip = FindWindowW(TOOLTIPS_CLASSW, nullptr);
  ASSERT_NE(tooltip, nullptr);
  wchar_t text[32] = {};
  TOOLINFOW tool = {};
  tool.cbSize = sizeof(tool);
  tool.hwnd = hwnd();
  tool.uId = reinterpret_cast<UINT_PTR>(hwnd());
  tool.lpszText = text;
  SendMessageW(tooltip, TTM_GETTEXTW, 32, reinterpret_cast<LPARAM>(&tool));
  EXPECT_STREQ(text, L"second");

  MouseButton(MOUSEEVENTF_LEFTDOWN);
  MouseButton(MOUSEEVENTF_LEFTUP);
  ASSERT_TRUE(PumpUntil([&] { return b_->clicks == 1; }));
  EXPECT_TRUE(b_->Saw(ui::kEventButtonDown));
  EXPECT_EQ(host_.GetFocus(), b_);
  EXPECT_EQ(host_.GetPushedControl(), nullptr);

  MouseButton(MOUSEEVENTF_LEFTDOWN);
  MouseButton(MOUSEEVENTF_LEFTUP);
  ASSERT_TRUE(PumpUntil([&] { return b_->Saw(ui::kEventInternalDoubleClick); }));

  MouseButton(MOUSEEVENTF_WHEEL, static_cast<DWORD>(-WHEEL_DELTA));
  ASSERT_TRUE(PumpUntil([&] { return b_->Saw(ui::kEventScrollWheel); }));
  EXPECT_EQ(static_cast<int64_t>(b_->last.wParam), -WHEEL_DELTA);
  EXPECT_FALSE(a_->Saw(ui::kEventScrollWheel));
}

TEST_F(WindowInputTest, KeysGoToTheFocusAndKeyUpToTheControlThatGotTheKeyDown) {
  wchar_t key = 0;
  a_->AddEventHandler(ui::kEventKeyDown, [&](EventArgs* args) {
    key = args->chKey;
    return true;
  });
  host_.SetFocus(a_);
  PostMessageW(hwnd(), WM_KEYDOWN, 'X', 0);
  ASSERT_TRUE(PumpUntil([&] { return a_->Saw(ui::kEventKeyDown); }));
  EXPECT_EQ(key, L'X');
  host_.SetFocus(b_);
  PostMessageW(hwnd(), WM_KEYUP, 'X', 0);
  ASSERT_TRUE(PumpUntil([&] { return a_->Saw(ui::kEventKeyUp); }));
  EXPECT_FALSE(b_->Saw(ui::kEventKeyUp));
}

TEST_F(WindowInputTest, TabWrapsAroundBothWays) {
  host_.SetFocus(c_);
  PostMessageW(hwnd(), WM_KEYDOWN, VK_TAB, 0);
  ASSERT_TRUE(PumpUntil([&] { return host_.GetFocus() == a_; }));
  EXPECT_FALSE(c_->Saw(ui::kEventKeyDown));
  host_.SetNextTabControl(true);
  EXPECT_EQ(host_.GetFocus(), b_);
  host_.SetFocus(a_);
  host_.SetNextTabControl(false);
  EXPECT_EQ(host_.GetFocus(), c_);
}

TEST_F(WindowInputTest, RightButtonAndContextMenuReachTheSameControl) {
  // The default handling of the button up sends the context-menu message.
  SendMessageW(hwnd(), WM_RBUTTONDOWN, MK_RBUTTON, At(150, 50));
  SendMessageW(hwnd(), WM_RBUTTONUP, 0, At(150, 50));
  const std::vector<EventType> expected = {ui::kEventRButtonDown, ui::kEventRButtonUp,
                                           ui::kEventInternalMenu};
  std::vector<EventType> seen;
  for (EventType type : b_->events) {
    if (type == ui::kEventRButtonDown || type == ui::kEventRButtonUp ||
        type == ui::kEventInternalMenu) {
      seen.push_back(type);
    }
  }
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(b_->last.lParam, reinterpret_cast<LPARAM>(b_));
  EXPECT_EQ(host_.GetPushedControl(), nullptr);
}

TEST_F(WindowInputTest, TouchFollowsItsControlAndAlwaysClosesTheHandle) {
  Touch(TOUCHEVENTF_DOWN, 150, 50);
  EXPECT_TRUE(b_->Saw(ui::kEventTouchDown));
  EXPECT_EQ(b_->last.lParam, 0x1234);
  EXPECT_EQ(host_.GetFocus(), b_);
  Touch(TOUCHEVENTF_MOVE, 50, 50);
  EXPECT_TRUE(b_->Saw(ui::kEventTouchMove));
  EXPECT_EQ(host_.GetHoverControl(), a_);
  Touch(TOUCHEVENTF_UP, 50, 50);
  EXPECT_TRUE(b_->Saw(ui::kEventTouchUp));
  EXPECT_EQ(input_.closed, 3);

  // A forged record count asks for no more than a few records.
  Touch(TOUCHEVENTF_UP, 50, 50, 0xFFFF);
  EXPECT_LE(input_.asked, 16u);
  EXPECT_EQ(input_.closed, 4);

  // While the mouse holds A, a touch down changes nothing.
  SendMessageW(hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, At(50, 50));
  c_->events.clear();
  Touch(TOUCHEVENTF_DOWN, 250, 50);
  EXPECT_FALSE(c_->Saw(ui::kEventTouchDown));
  EXPECT_EQ(input_.closed, 5);
  SendMessageW(hwnd(), WM_LBUTTONUP, 0, At(50, 50));
}

TEST_F(WindowInputTest, PrimaryPenPointerDrivesItsControlOthersAreConsumed) {
  POINT screen = {150, 50};
  ClientToScreen(hwnd(), &screen);
  input_.pen.pointerInfo.ptPixelLocation = screen;
  input_.pen.pressure = 512;
  SendMessageW(hwnd(), WM_POINTERDOWN, MAKEWPARAM(1, 0), 0x55);
  EXPECT_FALSE(b_->Saw(ui::kEventPointerDown));

  SendMessageW(hwnd(), WM_POINTERDOWN, MAKEWPARAM(1, 0x2000), 0x55);
  EXPECT_TRUE(b_->Saw(ui::kEventPointerDown));
  EXPECT_FLOAT_EQ(b_->last.pressure, 0.5f);
  SendMessageW(hwnd(), WM_POINTERUPDATE, MAKEWPARAM(1, 0x2000), 0);
  EXPECT_TRUE(b_->Saw(ui::kEventPointerMove));
  SendMessageW(hwnd(), WM_POINTERUP, MAKEWPARAM(1, 0x2000), 0x66);
  EXPECT_TRUE(b_->Saw(ui::kEventPointerUp));
  // A pen lifted over its control completes the press.
  EXPECT_EQ(b_->clicks, 1);
}

TEST_F(WindowInputTest, FiltersSeeMessagesFirstButNeverSwallowMouseMoves) {
  struct Swallower : ui::IUIMessageFilter {
    LRESULT MessageHandler(UINT message, WPARAM, LPARAM, bool& handled) override {
      ++seen;
      handled = message == WM_MOUSEMOVE || message == WM_KEYDOWN;
      return 0;
    }
    int seen = 0;
  } filter;
  host_.AddMessageFilter(&filter);
  host_.SetFocus(a_);
  SendMessageW(hwnd(), WM_MOUSEMOVE, 0, At(250, 50));
  EXPECT_TRUE(c_->Saw(ui::kEventMouseEnter));
  SendMessageW(hwnd(), WM_KEYDOWN, 'X', 0);
  EXPECT_FALSE(a_->Saw(ui::kEventKeyDown));
  host_.RemoveMessageFilter(&filter);
  const int seen = filter.seen;
  SendMessageW(hwnd(), WM_KEYDOWN, 'X', 0);
  EXPECT_EQ(filter.seen, seen);
  EXPECT_TRUE(a_->Saw(ui::kEventKeyDown));
}

TEST(WindowInputCloseTest, WindowDestroyedInsideAClickLeavesNothingBehind) {
  auto* host = new HostWindow;
  host->GetShadow().attached = false;
  const HWND hwnd = host->CreatePopup({0, 0, 100, 100}, false);
  auto* button = new Recorder;
  host->AttachRootControl(button);
  InvalidateRect(hwnd, nullptr, FALSE);
  UpdateWindow(hwnd);
  bool closed = false;
  host->AttachWindowClose([&](EventArgs*) {
    closed = true;
    return true;
  });
  button->on_click = [&] {
    DestroyWindow(hwnd);
    delete host;
  };
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, At(50, 50));
  SendMessageW(hwnd, WM_LBUTTONUP, 0, At(50, 50));
  EXPECT_TRUE(closed);
  EXPECT_FALSE(IsWindow(hwnd));
}

}  // namespace
