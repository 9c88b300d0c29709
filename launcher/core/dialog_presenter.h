#pragma once

#include <windows.h>

#include "launcher/core/dialog_requests.h"

namespace ui {
class Window;
}

// Builds and shows the launcher's boxes, which are windows above the core; the
// composition root sets one on the context. Everything runs on the UI thread.
class DialogPresenter {
 public:
  virtual ~DialogPresenter() = default;

  // The system handle of a framework window, so that the core can find the
  // main window among ui::GlobalManager::windowList.
  virtual HWND GetWindowHandle(ui::Window* window) = 0;
  // A message box owned by `owner`: disables the owner and shows the box; the
  // box calls the content's callback once when it closes.
  virtual void ShowMessageBox(ui::Window* owner, const MessageBoxContent& content) = 0;
  // An options box owned by `owner`. When its window cannot be created the
  // owner stays enabled and the callback is dropped.
  virtual void ShowOptionsBox(ui::Window* owner, const OptionsBoxRequest& request) = 0;
};
