#pragma once

#include <windows.h>

namespace ui {

// Offered every message of a window before the window handles it; the window
// never owns a filter.
class IUIMessageFilter {
 public:
  // Set `handled` to keep the message from the window (mouse moves reach the
  // window whatever a filter says).
  virtual LRESULT MessageHandler(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) = 0;

 protected:
  ~IUIMessageFilter() = default;
};

}  // namespace ui
