#pragma once

#include <windows.h>

#include <string>

#include "ui/core/events.h"
#include "ui/core/message_filter.h"
#include "ui/core/window.h"

namespace ui {

class Control;

// The base of every form: on WM_CREATE it builds the form's layout (its skin
// folder and file under the resource path), wraps the root in the window's
// shadow and wires the caption buttons "closebtn", "minbtn", "maxbtn" and
// "restorebtn". The window has no system frame but stays movable by its
// caption band and sizable by its size box. A form is made with new and
// deletes itself after its window's last message. UI thread only.
class WindowImplBase : public Window, public IUIMessageFilter {
 public:
  WindowImplBase() = default;
  ~WindowImplBase() override = default;

  std::wstring GetWindowClassName() const override = 0;
  UINT GetClassStyle() const override { return CS_DBLCLKS; }
  virtual std::wstring GetSkinFolder() = 0;
  virtual std::wstring GetSkinFile() = 0;
  // Once the root is attached.
  virtual void InitWindow() {}
  // The current style without the caption bits.
  virtual LONG GetStyle();
  // Asked by the layout builder for class names it does not know.
  virtual Control* CreateControl(const std::wstring& class_name);
  // Restores a minimised window, else shows it and brings it to the front.
  virtual void ActiveWindow();
  virtual void SetTaskbarTitle(const std::wstring& text);

  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void OnFinalMessage(HWND hwnd) override;
  LRESULT MessageHandler(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) override;

 protected:
  // The message hooks: `handled` comes in true; a hook that clears it leaves
  // the message to the window's own handling and the default procedure.
  virtual LRESULT OnCreate(UINT message, WPARAM wparam, LPARAM lparam);
  virtual LRESULT OnClose(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnDestroy(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnNcActivate(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnNcCalcSize(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnWindowPosChanging(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnNcPaint(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnNcLButtonDbClick(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnNcHitTest(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnGetMinMaxInfo(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnMouseWheel(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnMouseHover(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnDpiChanged(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnSize(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnChar(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnSysCommand(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnKeyDown(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnKillFocus(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnSetFocus(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnLButtonDown(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnLButtonUp(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnMouseMove(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);

  // The click handler of the caption buttons; always true.
  bool OnButtonClick(EventArgs* args);
  // Tells the user that the layout could not be built (a message box).
  virtual void ShowLoadFailure(const std::wstring& text);

 private:
  LRESULT DispatchHook(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
};

}  // namespace ui
