#include "launcher/windows/launcher_dialog.h"

#include <utility>

#include "base/thread_registry.h"

bool LauncherDialog::ShowOwned(ui::Window* owner, std::function<void(int32_t)> callback) {
  const HWND owner_window = owner ? owner->GetHWND() : nullptr;
  const auto alive = GetWeakFlag();
  const HWND window =
      Create(owner_window, GetWindowClassName(), kDialogStyle, 0, true, RECT{0, 0, 0, 0});
  if (window == nullptr) {
    // A refused layout has deleted the form already; a window that was never
    // made leaves it to us.
    if (!alive.expired()) delete this;
    return false;
  }
  callback_ = std::move(callback);
  if (owner_window) EnableWindow(owner_window, FALSE);
  CenterWindow();
  ShowWindow(true, true);
  return true;
}

void LauncherDialog::Close(UINT result) {
  if (closing_) return;
  closing_ = true;
  OnClosing();
  if (HWND owner = ::GetWindow(GetHWND(), GW_OWNER)) {
    EnableWindow(owner, TRUE);
    ::SetFocus(owner);
  }
  ui::WindowImplBase::Close(result);
}

void LauncherDialog::Answer(int32_t value) {
  if (closing_) return;
  Close(0);
  if (!callback_) return;
  // Later, on the UI thread: the caller never runs inside the dialog's handler.
  std::function<void(int32_t)> callback = callback_;
  qbase::ThreadRegistry::PostTask(qbase::kMainThreadId, [callback, value] { callback(value); });
}

LRESULT LauncherDialog::OnSysCommand(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) {
  if (wparam != SC_CLOSE) return ui::WindowImplBase::OnSysCommand(message, wparam, lparam, handled);
  Cancel();
  return 0;
}

LRESULT LauncherDialog::OnKeyDown(UINT, WPARAM wparam, LPARAM, bool& handled) {
  if (wparam == VK_ESCAPE) {
    Cancel();
  } else if (wparam == VK_RETURN) {
    Confirm();
  }
  handled = false;
  return 0;
}
