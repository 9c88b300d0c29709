#pragma once

#include <windows.h>

#include "launcher/core/dialog_presenter.h"

// Shows the engine's box requests as the launcher's real message and choice
// boxes. A message box that cannot be shown clears the context's open-box
// flag and tells the main window, as its close would have, so that a failed
// box never holds back automatic updates.
class WindowDialogPresenter : public DialogPresenter {
 public:
  HWND GetWindowHandle(ui::Window* window) override;
  void ShowMessageBox(ui::Window* owner, const MessageBoxContent& content) override;
  void ShowOptionsBox(ui::Window* owner, const OptionsBoxRequest& request) override;
};
