#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "ui/control/window_impl_base.h"

// The base of the launcher's owned dialogs (message box, choice box and the
// settings, install-path and pre-download windows): created owned by another
// launcher window, whose input it disables while open, and answered at most
// once through a callback that runs later as a task on the UI thread.
class LauncherDialog : public ui::WindowImplBase {
 public:
  // The style every launcher dialog is created with: caption, system menu,
  // sizing frame and minimise box.
  static constexpr DWORD kDialogStyle = 0x00CE0000;

  // Creates the window owned by `owner` (named after its class, layered, sized
  // by its layout), then disables the owner, centres over it and shows with
  // activation. False when the window could not be created: the callback is
  // dropped, the owner stays enabled and the object is gone.
  bool ShowOwned(ui::Window* owner, std::function<void(int32_t)> callback);

  // Re-enables and focuses the owner, then fades out and closes. Only the
  // first call acts, so a second click, Enter or Esc during the fade neither
  // closes again nor answers again.
  void Close(UINT result) override;
  bool IsClosing() const { return closing_; }

  // The dialog's two ways out, answering 1 and 0 unless a dialog says
  // otherwise.
  virtual void Confirm() { Answer(1); }
  virtual void Cancel() { Answer(0); }

 protected:
  // Closes with code 0 and posts the callback with `value` to the UI thread.
  // Nothing at all once the dialog is closing.
  void Answer(int32_t value);
  // Closes with code 0 without an answer.
  void Dismiss() { Close(0); }
  // Runs once when the first close starts, before the owner is re-enabled.
  virtual void OnClosing() {}
  // The system close and Esc cancel, Enter confirms; every key also goes on
  // to the focused control.
  LRESULT OnSysCommand(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) override;
  LRESULT OnKeyDown(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) override;

 private:
  std::function<void(int32_t)> callback_;
  bool closing_ = false;
};
