#pragma once

#include <windows.h>

#include "browser/cef_control_base.h"

namespace qoz_comp {

// The windowed browser control: its browser lives in a child window of the
// control's window, which paints and takes input itself; the control keeps
// that window on its rectangle, visibility, parent and focus, and opens
// developer tools in a window of their own. Thread 0.
class CefNativeControl : public CefControlBase {
 public:
  CefNativeControl() = default;
  ~CefNativeControl() override;

  // The browser's child window; null before the browser exists.
  HWND GetWindowHandle() const;

  using PlaceHolder::SetWindow;
  void SetWindow(ui::Window* window, ui::Control* parent, bool init) override;
  void Init() override;
  void SetPos(RECT rect) override;
  void SetFadeVisible(bool visible) override;
  void SetInternVisible(bool visible) override;
  void HandleEvent(ui::EventArgs* msg) override;

  // `control` is not used: the tools get a top-level window.
  bool ShowDevTools(ui::Control* control) override;
  void DoCreateBrowser() override;

 private:
  // Shows the child window, or shrinks it to nothing while hidden.
  void ApplyVisible(bool visible);
};

}  // namespace qoz_comp
