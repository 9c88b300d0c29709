#pragma once

#include <windows.h>

#include <cmath>
#include <map>

#include "tests/support/real_mouse.h"
#include "tests/ui/core/host_window.h"
#include "tests/ui/core/test_window.h"
#include "ui/core/control.h"
#include "ui/core/events.h"

namespace test_support {

// A topmost popup for real input, away from the corner where the other test
// programs' windows appear, as they share the display. The programs that use
// it take the ctest lock "real_input": one mouse and one foreground window.
class InputHost {
 public:
  InputHost(POINT origin, SIZE size) : origin_(origin) {
    host_.GetShadow().attached = false;
    host_.Create(nullptr, L"", WS_POPUP, WS_EX_TOPMOST, false,
                 {origin.x, origin.y, origin.x + size.cx, origin.y + size.cy});
    host_.ShowWindow(true, false);
  }
  ~InputHost() { host_.Destroy(); }
  InputHost(const InputHost&) = delete;
  InputHost& operator=(const InputHost&) = delete;

  void Attach(ui::Control* root) {
    host_.AttachRootControl(root);
    InvalidateRect(hwnd(), nullptr, FALSE);
    UpdateWindow(hwnd());
    SetForegroundWindow(hwnd());
  }
  HWND hwnd() const { return host_.GetHWND(); }
  HostWindow& window() { return host_; }

  // Absolute input needs the rounded-up share of the screen.
  void MoveMouse(int x, int y) const { MoveMouseTo(x + origin_.x, y + origin_.y); }
  static void MouseButton(DWORD flags, DWORD data = 0) { test_support::MouseButton(flags, data); }
  void Click(int x, int y) const {
    MoveMouse(x, y);
    PumpUntil([] { return false; }, 100);
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    MouseButton(MOUSEEVENTF_LEFTUP);
  }
  void Key(WPARAM key) const {
    PostMessageW(hwnd(), WM_KEYDOWN, key, 0);
    PostMessageW(hwnd(), WM_KEYUP, key, 0);
  }

 private:
  POINT origin_;
  HostWindow host_;
};

// Counts the events of each type a control sends.
class EventCounter {
 public:
  void Watch(ui::Control* control) {
    for (ui::EventType type : {ui::kEventClick, ui::kEventSelect, ui::kEventUnSelect,
                               ui::kEventValueChange, ui::kEventScrollChange}) {
      control->AddEventHandler(type, [this, control, type](ui::EventArgs* args) {
        ++counts_[{control, type}];
        last_[type] = *args;
        return true;
      });
    }
  }
  int Count(ui::Control* control, ui::EventType type) const {
    const auto found = counts_.find({control, type});
    return found == counts_.end() ? 0 : found->second;
  }
  int Total(ui::EventType type) const {
    int total = 0;
    for (const auto& entry : counts_) total += entry.first.second == type ? entry.second : 0;
    return total;
  }
  const ui::EventArgs& Last(ui::EventType type) { return last_[type]; }
  void Clear() { counts_.clear(); }

 private:
  std::map<std::pair<ui::Control*, ui::EventType>, int> counts_;
  std::map<ui::EventType, ui::EventArgs> last_;
};

}  // namespace test_support
