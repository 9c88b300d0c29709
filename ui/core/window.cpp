#include "ui/core/window.h"

#include <algorithm>
#include <utility>

#include "ui/core/control.h"
#include "ui/resources/global_manager.h"

namespace ui {

Window::Window() = default;

Window::~Window() {
  delayed_deletions_.clear();
  delete std::exchange(root_, nullptr);
  auto& windows = GlobalManager::windowList;
  windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
}

void Window::Init(HWND window) {
  hwnd_ = window;
  GlobalManager::windowList.push_back(this);
}

bool Window::IsLayeredWindow() const {
  return hwnd_ && (GetWindowLongW(hwnd_, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
}

bool Window::AttachRootControl(Control* control) {
  SetFocus(nullptr);
  new_hover_ = nullptr;
  if (root_) {
    root_->SetWindow(this, nullptr, false);
    QueueControlForDeletion(root_);
  }
  root_ = control;
  update_needed_ = true;
  if (!control) return false;
  control->SetWindow(this, control->GetParent(), true);
  AddNamedControl(control);
  return true;
}

void Window::AddNamedControl(Control* control) {
  control->FindControl(
      [this](Control* found, void*) -> Control* {
        if (!found->GetName().empty()) name_map_[found->GetName()] = found;
        return nullptr;
      },
      nullptr, 0, {0, 0});
}

Control* Window::FindControl(const std::wstring& name) const {
  const auto found = name_map_.find(name);
  return found == name_map_.end() ? nullptr : found->second;
}

Control* Window::FindControlAt(POINT point) const {
  if (!root_) return nullptr;
  return root_->FindControl(
      [](Control* control, void* data) -> Control* {
        const RECT rect = control->GetPos(true);
        return PtInRect(&rect, *static_cast<const POINT*>(data)) ? control : nullptr;
      },
      &point, kFindVisible | kFindHitTest | kFindTopFirst, {0, 0});
}

void Window::SetFocus(Control* control) {
  if (hwnd_ && GetFocus() != control && control && ::GetFocus() != hwnd_) ::SetFocus(hwnd_);
  if (control == focus_) return;
  if (focus_) {
    Control* old = focus_;
    old->SendEvent(kEventInternalKillFocus);
    focus_ = nullptr;
    old->SendEvent(kEventKillFocus, 0, 0, 0, last_mouse_point_);
  }
  if (!control || control->GetWindow() != this || !control->IsVisible() || !control->IsEnabled()) {
    return;
  }
  focus_ = control;
  control->SendEvent(kEventInternalSetFocus);
  if (focus_ == control) control->SendEvent(kEventSetFocus, 0, 0, 0, last_mouse_point_);
}

void Window::ReapObjects(Control* control) {
  if (focus_ == control) focus_ = nullptr;
  if (new_hover_ == control) new_hover_ = nullptr;
  if (!control->GetName().empty()) name_map_.erase(control->GetName());
}

void Window::QueueControlForDeletion(Control* control) {
  delayed_deletions_.emplace_back(control);
  if (hwnd_) PostMessageW(hwnd_, kDeleteQueuedControlsMessage, 0, 0);
}

void Window::DeleteQueuedControls() {
  // Deleting a control may queue further ones; those wait for their message.
  std::vector<std::unique_ptr<Control>> queued = std::move(delayed_deletions_);
  delayed_deletions_.clear();
  queued.clear();
}

std::wstring Window::GetClassAttributes(const std::wstring& name) const {
  const auto found = window_classes_.find(name);
  return found == window_classes_.end() ? std::wstring() : found->second;
}

void Window::AddClass(const std::wstring& name, const std::wstring& attributes) {
  window_classes_[name] = attributes;
}

void Window::SetResourcePath(const std::wstring& path) {
  resource_path_ = path;
  if (!path.empty() && path.back() != L'\\' && path.back() != L'/') resource_path_ += L'\\';
}

}  // namespace ui
