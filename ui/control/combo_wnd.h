#pragma once

#include <windows.h>

#include <string>

#include "ui/core/window.h"

namespace ui {

class Combo;

// The pop-up of a Combo: a borderless layered tool window owned by the
// combo's window, whose root shows the combo's list while it is open. It
// closes when it loses the focus (an item was chosen or the user clicked
// elsewhere), gives the list back to the combo however it ends, and deletes
// itself when its window is gone. Window class "ComboWnd".
class CComboWnd : public Window {
 public:
  CComboWnd();

  // Opens the pop-up below or above the combo; false when the combo has no
  // window or the pop-up cannot be created (the caller still owns it then).
  bool Init(Combo* owner);
  using Window::Init;

  std::wstring GetWindowClassName() const override { return L"ComboWnd"; }
  void OnFinalMessage(HWND hwnd) override;
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  // A pop-up appears at once.
  void ShowWithFadeIn() override {}

  // Gives the list back and destroys the window now; the object is gone
  // afterwards. For a combo that is destroyed while open.
  void DestroyNow();
  // Drops the window's hold (focus, hover, press, name) on the control and
  // its descendants.
  void Forget(Control* control);

 private:
  // Takes the list out of the root and out of this window.
  void ReleaseList();

  Combo* owner_ = nullptr;  // not owned; outlives the pop-up
  bool closing_ = false;
};

}  // namespace ui
