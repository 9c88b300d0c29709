#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/weak_callback.h"
#include "ui/core/events.h"
#include "ui/core/shadow.h"
#include "ui/render/gdiplus_handles.h"

namespace ui {

class Control;
class IRenderContext;
class IUIMessageFilter;

// The top-level window of the framework: one system window, the control tree
// it hosts (the window owns its root and the controls queued for deletion),
// the memory bitmap the tree paints into, focus, hover, capture and keyboard
// tracking, the name map, option groups, message filters and a tooltip.
// System messages become control events; WM_PAINT paints the tree. A plain
// window object is deleted by its owner after its system window is gone.
// UI thread only.
class Window : public virtual qbase::SupportWeakCallback {
 public:
  // The message on which queued controls are deleted.
  static constexpr UINT kDeleteQueuedControlsMessage = WM_APP + 1;
  // Sent to the newest window when it became the newest.
  static constexpr UINT kTopWindowChangedMessage = 3025;
  // Notifications of child windows come back to them as message + offset.
  static constexpr UINT kReflectedMessageOffset = 0x2000;
  // The fade out before a close is posted.
  static constexpr uint32_t kCloseDelayMs = 300;

  Window();
  ~Window() override;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  virtual std::wstring GetWindowClassName() const { return std::wstring(); }
  virtual std::wstring GetSuperClassName() const { return std::wstring(); }
  virtual UINT GetClassStyle() const { return 0; }
  // Registers the class (an existing one is accepted) and creates the window
  // without a system caption; null when either fails.
  virtual HWND Create(HWND parent, const std::wstring& caption, DWORD style, DWORD ex_style,
                      bool layered, const RECT& rect);
  // Fades the root out and posts WM_CLOSE with the result as wParam.
  virtual void Close(UINT result);
  // The system's result; 0 when the window is gone.
  virtual int ShowWindow(bool show, bool take_focus);
  // The last message: unregisters touch input and sends the close event.
  virtual void OnFinalMessage(HWND hwnd);
  virtual LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  // Fades a layered window in after its first layout.
  virtual void ShowWithFadeIn();

  // The procedure of every class the framework registers.
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

  // Binds the object to its system window: paint DC, render context, touch
  // input, the global window list, and the top-window message.
  void Init(HWND window);
  HWND GetHWND() const { return hwnd_; }
  // Created with WS_EX_LAYERED: such a window redraws only when it paints
  // itself, so invalidation also posts it WM_PAINT.
  bool IsLayeredWindow() const;

  // Filters first, then the window's own handling of input, size, paint and
  // deletion; `handled` false leaves the message to the default procedure.
  LRESULT HandleMessageInternal(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  // Moves the hover to the control under the point, with mouse-leave and
  // mouse-enter; false when that control belongs to another window.
  bool HandleMouseEnterLeave(POINT point, WPARAM wparam, LPARAM lparam);

  // Makes the control the root (the old root is queued for deletion), attaches
  // its tree and enters its named controls in the name map. False for null.
  bool AttachRootControl(Control* control);
  Control* GetRoot() const { return root_; }

  // A layout is due before the next paint.
  void SetArrange(bool arrange) { update_needed_ = arrange; }
  bool IsArrangeNeeded() const { return update_needed_; }

  Control* FindControl(const std::wstring& name) const;
  // The topmost visible control under a client point; null without a root.
  Control* FindControlAt(POINT point) const;
  // A later control of the same name replaces the earlier entry.
  void AddNamedControl(Control* control);

  // Gives keyboard focus to a visible, enabled control of this window, or
  // takes it away with null, sending the focus events.
  void SetFocus(Control* control);
  Control* GetFocus() const { return focus_; }
  // Moves the focus to the next (or previous) tab stop, wrapping around.
  bool SetNextTabControl(bool forward);
  // The control found under the mouse by the last mouse move.
  Control* GetNewHover() const { return new_hover_; }
  void SetNewHover(Control* control) { new_hover_ = control; }
  Control* GetHoverControl() const { return hover_; }
  Control* GetPushedControl() const { return pushed_; }
  POINT GetLastMousePos() const { return last_mouse_point_; }
  void SetLastMousePos(POINT point) { last_mouse_point_ = point; }

  // Forgets a control that is being destroyed: tracking pointers and its
  // name-map entry.
  void ReapObjects(Control* control);
  // Takes a detached control over and deletes it after the current message.
  void QueueControlForDeletion(Control* control);
  // Deletes the queued controls; run on kDeleteQueuedControlsMessage.
  void DeleteQueuedControls();

  // False when the control is in the group already.
  bool AddOptionGroup(const std::wstring& group, Control* control);
  // Null when there is no such group.
  const std::vector<Control*>* GetOptionGroup(const std::wstring& group) const;
  // An emptied group goes.
  void RemoveOptionGroup(const std::wstring& group, Control* control);

  void AddMessageFilter(IUIMessageFilter* filter);
  void RemoveMessageFilter(IUIMessageFilter* filter);
  // Handlers of the window's close event (and of kEventAll), run by
  // OnFinalMessage.
  void AttachWindowClose(const EventCallback& callback);

  // The attribute list of a "Class" element of the window's own markup;
  // empty when the window has none of that name.
  std::wstring GetClassAttributes(const std::wstring& name) const;
  void AddClass(const std::wstring& name, const std::wstring& attributes);

  // The window's skin folder, kept with a trailing "\" unless it is empty or
  // ends in a separator already.
  void SetResourcePath(const std::wstring& path);
  const std::wstring& GetResourcePath() const { return resource_path_; }

  // The window size, DPI-scaled when asked, always with the shadow's corner
  // added; resizes the window while it has no root.
  void SetInitSize(int32_t cx, int32_t cy, bool contain_shadow, bool scale);
  SIZE GetInitSize() const { return init_size_; }
  SIZE GetContentSize() const { return content_size_; }
  // Centres the window over its owner, or within the work area.
  void CenterWindow();

  IRenderContext* GetRenderContext() const { return render_context_.get(); }
  // The device context kept for painting, for code that measures or draws
  // through the system on the window's behalf.
  HDC GetPaintDC() const { return paint_dc_.get(); }
  // Takes or releases the mouse for a control that asks on its own, keeping
  // the captured flag in step.
  void SetMouseCapture(bool capture);
  // The window holds the mouse capture for a pressed control.
  bool IsCaptured() const { return captured_; }
  Shadow& GetShadow() { return shadow_; }
  const Shadow& GetShadow() const { return shadow_; }
  int32_t GetWindowAlpha() const { return window_alpha_; }
  HFONT GetDefaultFont() const { return default_font_.get(); }

  SIZE GetMinInfo() const { return min_info_; }
  void SetMinInfo(SIZE size) { min_info_ = size; }
  SIZE GetMaxInfo() const { return max_info_; }
  void SetMaxInfo(SIZE size) { max_info_ = size; }
  RECT GetEdging() const { return edging_; }
  void SetEdging(const RECT& edging) { edging_ = edging; }
  RECT GetSizeBox() const { return size_box_; }
  void SetSizeBox(const RECT& size_box) { size_box_ = size_box; }
  RECT GetAlphaFixCorner() const { return alpha_fix_corner_; }
  void SetAlphaFixCorner(const RECT& corner) { alpha_fix_corner_ = corner; }
  SIZE GetRoundCorner() const { return round_corner_; }
  void SetRoundCorner(SIZE size) { round_corner_ = size; }
  RECT GetCaptionRect() const { return caption_; }
  void SetCaptionRect(const RECT& caption) { caption_ = caption; }
  double GetHeightPercent() const { return height_percent_; }
  void SetHeightPercent(double percent) { height_percent_ = percent; }

 protected:
  // WM_PAINT: lays out what is due and paints the tree into the memory
  // bitmap, then to the screen.
  void OnPaint();

 private:
  // Sends an event to a control with the current time; false when the
  // window died meanwhile.
  bool Send(Control* control, EventType type, WPARAM wparam, LPARAM lparam, POINT point,
            wchar_t key = 0, float pressure = 0);
  void SizeToContent(bool repaint);
  void LayOut();
  void FixLayeredAlpha(const RECT& paint, const RECT& window_rect);
  void OnMouseMove(WPARAM wparam, LPARAM lparam);
  void OnButtonDown(UINT message, WPARAM wparam, LPARAM lparam);
  void OnButtonUp(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnSetCursor(WPARAM wparam, LPARAM lparam, bool& handled);
  LRESULT OnMouseHover(LPARAM lparam, bool& handled);
  void OnTouch(WPARAM wparam, LPARAM lparam);
  LRESULT OnPointer(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  void OnClose();
  void OnKillFocus(WPARAM wparam, LPARAM lparam);
  void OnSize(WPARAM wparam);
  void ShowToolTip(Control* control);
  void HideToolTip();

  HWND hwnd_ = nullptr;
  Control* root_ = nullptr;  // owned
  EventMap window_events_;
  SIZE min_info_ = {0, 0};
  SIZE max_info_ = {0, 0};
  SIZE init_size_ = {0, 0};
  SIZE content_size_ = {0, 0};
  RECT edging_ = {0, 0, 0, 0};
  RECT size_box_ = {0, 0, 0, 0};
  RECT alpha_fix_corner_ = {0, 0, 0, 0};
  SIZE round_corner_ = {0, 0};
  RECT caption_ = {0, 0, 0, 0};
  double height_percent_ = 0;
  struct PaintDcReleaser {
    using pointer = HDC;
    void operator()(HDC dc) const { ReleaseDC(window, dc); }
    HWND window;
  };
  struct WindowDestroyer {
    using pointer = HWND;
    void operator()(HWND window) const { DestroyWindow(window); }
  };

  std::unique_ptr<HDC__, PaintDcReleaser> paint_dc_;
  std::unique_ptr<IRenderContext> render_context_;
  bool layered_ = true;
  int32_t window_alpha_ = 255;
  bool first_layout_pending_ = true;
  std::unique_ptr<HWND__, WindowDestroyer> tooltip_;
  TOOLINFOW tool_info_ = {};
  std::wstring tooltip_text_;
  Control* focus_ = nullptr;
  Control* new_hover_ = nullptr;
  Control* hover_ = nullptr;
  Control* pushed_ = nullptr;
  Control* key_pressed_ = nullptr;
  POINT last_mouse_point_ = {-1, -1};
  Control* touch_ = nullptr;
  POINT last_touch_point_ = {-1, -1};
  Control* pointer_ = nullptr;
  bool update_needed_ = false;
  bool mouse_tracking_ = false;
  bool captured_ = false;
  std::wstring resource_path_;
  ScopedFont default_font_;
  std::map<std::wstring, std::wstring> window_classes_;
  std::map<std::wstring, std::vector<Control*>> option_groups_;
  std::vector<IUIMessageFilter*> message_filters_;  // not owned
  std::vector<std::unique_ptr<Control>> delayed_deletions_;
  std::map<std::wstring, Control*> name_map_;
  Shadow shadow_;
  // Voids the window's own delayed callbacks (the close timer).
  qbase::WeakCallbackFlag close_flag_;
};

}  // namespace ui
