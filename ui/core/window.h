#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/weak_callback.h"

namespace ui {

class Control;

// The top-level window as its controls see it: the root of their tree, the
// name map, focus and hover, the last mouse point, deferred deletion, the
// window's own classes and skin folder, and the handle that invalidation
// goes to. The window owns its root and the controls queued for deletion.
class Window : public virtual qbase::SupportWeakCallback {
 public:
  // The message on which queued controls are deleted.
  static constexpr UINT kDeleteQueuedControlsMessage = WM_APP + 1;

  Window();
  ~Window() override;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // Binds the object to its system window and enters it in the global window
  // list, which it leaves when destroyed.
  void Init(HWND window);
  HWND GetHWND() const { return hwnd_; }
  // Created with WS_EX_LAYERED: such a window redraws only when it paints
  // itself, so invalidation also posts it WM_PAINT.
  bool IsLayeredWindow() const;

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
  // The control found under the mouse by the last mouse move.
  Control* GetNewHover() const { return new_hover_; }
  void SetNewHover(Control* control) { new_hover_ = control; }
  POINT GetLastMousePos() const { return last_mouse_point_; }
  void SetLastMousePos(POINT point) { last_mouse_point_ = point; }

  // Forgets a control that is being destroyed: tracking pointers and its
  // name-map entry.
  void ReapObjects(Control* control);
  // Takes a detached control over and deletes it after the current message.
  void QueueControlForDeletion(Control* control);
  // Deletes the queued controls; run on kDeleteQueuedControlsMessage.
  void DeleteQueuedControls();

  // The attribute list of a "Class" element of the window's own markup;
  // empty when the window has none of that name.
  std::wstring GetClassAttributes(const std::wstring& name) const;
  void AddClass(const std::wstring& name, const std::wstring& attributes);

  // The window's skin folder, kept with a trailing "\" unless it is empty or
  // ends in a separator already.
  void SetResourcePath(const std::wstring& path);
  const std::wstring& GetResourcePath() const { return resource_path_; }

 private:
  HWND hwnd_ = nullptr;
  Control* root_ = nullptr;  // owned
  Control* focus_ = nullptr;
  Control* new_hover_ = nullptr;
  POINT last_mouse_point_ = {-1, -1};
  bool update_needed_ = false;
  std::wstring resource_path_;
  std::map<std::wstring, std::wstring> window_classes_;
  std::vector<std::unique_ptr<Control>> delayed_deletions_;
  std::map<std::wstring, Control*> name_map_;
};

}  // namespace ui
