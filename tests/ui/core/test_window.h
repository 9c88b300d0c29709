#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "ui/core/window.h"

namespace test_support {

// A top-level window bound to a ui::Window: invalidation lands in its update
// region (shown without activation, as a hidden window keeps none) and its
// procedure deletes the queued controls on their message. The window object
// goes before the system window.
class TestWindow {
 public:
  explicit TestWindow(bool layered = false) {
    static const wchar_t kClassName[] = L"UiCoreTestWindow";
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = &TestWindow::Procedure;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = kClassName;
    RegisterClassW(&window_class);
    hwnd_ = CreateWindowExW(layered ? WS_EX_LAYERED : 0, kClassName, L"", WS_POPUP, 0, 0, 640, 480,
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    window_ = std::make_unique<ui::Window>();
    window_->Init(hwnd_);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window_.get()));
  }
  ~TestWindow() {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    window_.reset();
    DestroyWindow(hwnd_);
  }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  ui::Window& window() { return *window_; }
  HWND hwnd() const { return hwnd_; }

  // The client rectangle waiting for WM_PAINT; empty when none.
  RECT UpdateRect() const {
    RECT rect = {};
    GetUpdateRect(hwnd_, &rect, FALSE);
    return rect;
  }
  void Validate() const { ValidateRect(hwnd_, nullptr); }

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* window = reinterpret_cast<ui::Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (window && message == ui::Window::kDeleteQueuedControlsMessage) {
      window->DeleteQueuedControls();
      return 0;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }

  HWND hwnd_ = nullptr;
  std::unique_ptr<ui::Window> window_;
};

// Runs this thread's messages (timers, posted tasks) until `done` holds or a
// generous limit passes; returns `done` at the end.
inline bool PumpUntil(const std::function<bool()>& done, DWORD limit_ms = 60000) {
  const DWORD start = GetTickCount();
  MSG message;
  while (!done() && GetTickCount() - start < limit_ms) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return done();
}

// Runs the messages already waiting (WM_PAINT is left in the update region).
inline void PumpPending() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, WM_PAINT - 1, PM_REMOVE) ||
         PeekMessageW(&message, nullptr, WM_PAINT + 1, 0xFFFFFFFF, PM_REMOVE)) {
    DispatchMessageW(&message);
  }
}

}  // namespace test_support
