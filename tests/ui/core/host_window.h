#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/core/window.h"

namespace test_support {

// A framework window as a form makes it: Create registers the class and
// WM_CREATE binds the object (Init). It records the messages it receives
// and the wParam of each WM_CLOSE. The test owns the object; destroy the
// system window first.
class HostWindow : public ui::Window {
 public:
  std::wstring GetWindowClassName() const override { return L"UiHostTestWindow"; }
  UINT GetClassStyle() const override { return CS_DBLCLKS; }
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override {
    if (message == WM_CREATE) Init(GetHWND());
    messages.push_back(message);
    if (message == WM_CLOSE) close_codes.push_back(wparam);
    return Window::HandleMessage(message, wparam, lparam);
  }

  // A popup at the rectangle, shown without activation.
  HWND CreatePopup(const RECT& rect, bool layered, DWORD ex_style = 0) {
    const HWND hwnd = Create(nullptr, L"", WS_POPUP, ex_style, layered, rect);
    ShowWindow(true, false);
    return hwnd;
  }
  void Destroy() {
    if (GetHWND() && IsWindow(GetHWND())) DestroyWindow(GetHWND());
  }

  int Count(UINT message) const {
    int count = 0;
    for (UINT seen : messages) count += seen == message ? 1 : 0;
    return count;
  }

  std::vector<UINT> messages;
  std::vector<WPARAM> close_codes;
};

}  // namespace test_support
