#include "ui/core/window.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "ui/core/control.h"
#include "ui/core/dpi_manager.h"
#include "ui/core/input_functions.h"
#include "ui/core/message_filter.h"
#include "ui/render/auto_clip.h"
#include "ui/render/render_context.h"
#include "ui/render/render_factory.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/timer_manager.h"

namespace ui {

namespace {

constexpr SIZE kEstimateRoom = {99999, 99999};
constexpr DWORD kDefaultHoverMs = 200;
constexpr LPARAM kToolTipInitialDelayMs = 200;
// Only the first record of a touch message is used; a forged count must not
// make the window ask for more.
constexpr UINT kMaxTouchInputs = 16;
constexpr WORD kPrimaryPointerFlag = 0x2000;
constexpr float kPressureScale = 1024.0f;

POINT PointFromLParam(LPARAM lparam) { return {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}; }

bool IsVistaOrLater() { return DpiManager::IsWindowsVersionOrGreater(0); }

}  // namespace

Window::Window() = default;

Window::~Window() {
  delayed_deletions_.clear();
  delete std::exchange(root_, nullptr);
  default_font_.reset();
  window_classes_.clear();
  option_groups_.clear();
  tooltip_.reset();
  paint_dc_.reset();
  auto& windows = GlobalManager::windowList;
  const bool newest = !windows.empty() && windows.back() == this;
  windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
  if (newest && !windows.empty()) {
    SendMessageW(windows.back()->GetHWND(), kTopWindowChangedMessage, 0, 0);
  }
}

HWND Window::Create(HWND parent, const std::wstring& caption, DWORD style, DWORD ex_style,
                    bool layered, const RECT& rect) {
  const std::wstring class_name = GetWindowClassName();
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  if (GetSuperClassName().empty()) {
    WNDCLASSW window_class = {};
    window_class.style = GetClassStyle();
    window_class.lpfnWndProc = &Window::WindowProc;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.lpszClassName = class_name.c_str();
    if (!RegisterClassW(&window_class) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      return nullptr;
    }
  }
  layered_ = layered;
  // A form that refuses its creation deletes itself before this returns.
  const auto alive = GetWeakFlag();
  const HWND hwnd =
      CreateWindowExW(ex_style | (layered ? WS_EX_LAYERED : 0), class_name.c_str(), caption.c_str(),
                      style, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                      parent, nullptr, instance, static_cast<Window*>(this));
  if (alive.expired() || !hwnd) return hwnd;
  hwnd_ = hwnd;
  const LONG window_style = GetWindowLongW(hwnd, GWL_STYLE);
  if (window_style & WS_CAPTION) SetWindowLongW(hwnd, GWL_STYLE, window_style & ~WS_CAPTION);
  return hwnd;
}

LRESULT CALLBACK Window::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  Window* window = nullptr;
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    window = static_cast<Window*>(create->lpCreateParams);
    window->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
  } else {
    window = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (window && message == WM_NCDESTROY) {
      const LRESULT result = DefWindowProcW(hwnd, message, wparam, lparam);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      window->OnFinalMessage(hwnd);
      return result;
    }
  }
  if (!window) return DefWindowProcW(hwnd, message, wparam, lparam);
  return window->HandleMessage(message, wparam, lparam);
}

LRESULT Window::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  const HWND hwnd = hwnd_;
  bool handled = false;
  const LRESULT result = HandleMessageInternal(message, wparam, lparam, handled);
  if (handled) return result;
  // The object may be gone now; the handle is all that is used.
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

void Window::Init(HWND window) {
  hwnd_ = window;
  layered_ = IsLayeredWindow();
  paint_dc_ = std::unique_ptr<HDC__, PaintDcReleaser>(GetDC(window), PaintDcReleaser{window});
  if (GlobalManager::renderFactory) {
    render_context_ = GlobalManager::renderFactory->CreateRenderContext();
  }
  LOGFONTW log_font = {};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(log_font), &log_font);
  log_font.lfCharSet = DEFAULT_CHARSET;
  default_font_.reset(CreateFontIndirectW(&log_font));
  InputFunctions::Get()->RegisterTouchWindow(window);
  GlobalManager::windowList.push_back(this);
  SendMessageW(window, kTopWindowChangedMessage, 0, 0);
}

bool Window::IsLayeredWindow() const {
  return hwnd_ && (GetWindowLongW(hwnd_, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
}

int Window::ShowWindow(bool show, bool take_focus) {
  if (!hwnd_ || !IsWindow(hwnd_)) return 0;
  const int command = !show ? SW_HIDE : take_focus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE;
  return ::ShowWindow(hwnd_, command);
}

void Window::Close(UINT result) {
  if (!hwnd_ || !IsWindow(hwnd_)) return;
  const HWND hwnd = hwnd_;
  if (root_ && IsVistaOrLater()) {
    root_->SetFadeVisible(false);
    TimerManager::GetInstance()->AddCancelableTimer(
        close_flag_.GetWeakFlag(), [hwnd, result] { PostMessageW(hwnd, WM_CLOSE, result, 0); },
        kCloseDelayMs, 1);
    return;
  }
  PostMessageW(hwnd, WM_CLOSE, result, 0);
}

void Window::OnFinalMessage(HWND hwnd) {
  InputFunctions::Get()->UnregisterTouchWindow(hwnd);
  EventArgs args;
  args.Type = kEventWindowClose;
  args.dwTimestamp = GetTickCount();
  args.ptMouse = last_mouse_point_;
  const auto alive = GetWeakFlag();
  if (RunHandlerList(window_events_, kEventWindowClose, &args, alive) ==
      HandlerListResult::OwnerGone) {
    return;
  }
  RunHandlerList(window_events_, kEventAll, &args, alive);
}

void Window::AttachWindowClose(const EventCallback& callback) {
  AddToEventMap(&window_events_, kEventWindowClose, callback);
}

bool Window::AttachRootControl(Control* control) {
  SetFocus(nullptr);
  new_hover_ = nullptr;
  hover_ = nullptr;
  pushed_ = nullptr;
  key_pressed_ = nullptr;
  touch_ = nullptr;
  pointer_ = nullptr;
  if (root_) {
    root_->SetWindow(this, nullptr, false);
    QueueControlForDeletion(root_);
  }
  root_ = control;
  update_needed_ = true;
  first_layout_pending_ = true;
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
  if (hwnd_ && control && control != focus_ && ::GetFocus() != hwnd_) ::SetFocus(hwnd_);
  if (control == focus_) return;
  const auto alive = GetWeakFlag();
  if (focus_) {
    Control* old = focus_;
    const auto old_alive = old->GetWeakFlag();
    old->SendEvent(kEventInternalKillFocus);
    if (alive.expired()) return;
    focus_ = nullptr;
    if (!old_alive.expired()) old->SendEvent(kEventKillFocus, 0, 0, 0, last_mouse_point_);
    if (alive.expired()) return;
  }
  if (!control || control->GetWindow() != this || !control->IsVisible() || !control->IsEnabled()) {
    return;
  }
  focus_ = control;
  control->SendEvent(kEventInternalSetFocus);
  if (!alive.expired() && focus_ == control) {
    control->SendEvent(kEventSetFocus, 0, 0, 0, last_mouse_point_);
  }
}

bool Window::SetNextTabControl(bool forward) {
  if (!root_) return false;
  struct TabSearch {
    Control* focus;
    Control* last;
    bool forward;
    bool next_is_it;
  };
  const auto find = [this](TabSearch* search) {
    return root_->FindControl(
        [](Control* control, void* data) -> Control* {
          auto* state = static_cast<TabSearch*>(data);
          if (control == state->focus) {
            if (!state->forward) return state->last;
            state->next_is_it = true;
            return nullptr;
          }
          if (!control->IsAllowTabStop()) return nullptr;
          state->last = control;
          return state->next_is_it || !state->focus ? control : nullptr;
        },
        search, kFindVisible | kFindEnabled | kFindMeFirst, {0, 0});
  };
  TabSearch search = {focus_, nullptr, forward, false};
  Control* found = find(&search);
  if (!found) {
    if (forward) {
      TabSearch wrapped = {nullptr, nullptr, true, false};
      found = find(&wrapped);
    } else {
      found = search.last;
    }
  }
  if (found) SetFocus(found);
  return true;
}

void Window::ReapObjects(Control* control) {
  for (Control** tracked :
       {&focus_, &key_pressed_, &new_hover_, &hover_, &pushed_, &touch_, &pointer_}) {
    if (*tracked == control) *tracked = nullptr;
  }
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

bool Window::AddOptionGroup(const std::wstring& group, Control* control) {
  std::vector<Control*>& members = option_groups_[group];
  if (std::find(members.begin(), members.end(), control) != members.end()) return false;
  members.push_back(control);
  return true;
}

const std::vector<Control*>* Window::GetOptionGroup(const std::wstring& group) const {
  const auto found = option_groups_.find(group);
  return found == option_groups_.end() ? nullptr : &found->second;
}

void Window::RemoveOptionGroup(const std::wstring& group, Control* control) {
  const auto found = option_groups_.find(group);
  if (found == option_groups_.end()) return;
  std::vector<Control*>& members = found->second;
  members.erase(std::remove(members.begin(), members.end(), control), members.end());
  if (members.empty()) option_groups_.erase(found);
}

void Window::AddMessageFilter(IUIMessageFilter* filter) { message_filters_.push_back(filter); }

void Window::RemoveMessageFilter(IUIMessageFilter* filter) {
  message_filters_.erase(std::remove(message_filters_.begin(), message_filters_.end(), filter),
                         message_filters_.end());
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

void Window::SetInitSize(int32_t cx, int32_t cy, bool /*contain_shadow*/, bool scale) {
  if (scale) {
    cx = DpiManager::GetInstance()->ScaleInt(cx);
    cy = DpiManager::GetInstance()->ScaleInt(cy);
  }
  if (shadow_.attached) {
    cx += shadow_.corner.left + shadow_.corner.right;
    cy += shadow_.corner.top + shadow_.corner.bottom;
  }
  if (init_size_.cx != 0 && init_size_.cy != 0) content_size_ = init_size_;
  init_size_ = {cx, cy};
  if (!root_ && hwnd_) {
    SetWindowPos(hwnd_, nullptr, 0, 0, cx, cy, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  }
}

void Window::CenterWindow() {
  if (!hwnd_) return;
  RECT window_rect;
  GetWindowRect(hwnd_, &window_rect);
  const HWND owner = ::GetWindow(hwnd_, GW_OWNER);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(owner ? owner : hwnd_, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT work = monitor.rcWork;
  RECT centre = work;
  if (owner && !IsIconic(owner)) GetWindowRect(owner, &centre);
  const LONG width = window_rect.right - window_rect.left;
  const LONG height = window_rect.bottom - window_rect.top;
  LONG x = (centre.left + centre.right) / 2 - width / 2;
  LONG y = (centre.top + centre.bottom) / 2 - height / 2;
  if (!owner) {
    if (x < work.left) {
      x = work.left;
    } else if (x + width > work.right) {
      x = work.right - width;
    }
    if (y < work.top) {
      y = work.top;
    } else if (y + height > work.bottom) {
      y = work.bottom - height;
    }
  }
  SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Window::Send(Control* control, EventType type, WPARAM wparam, LPARAM lparam, POINT point,
                  wchar_t key, float pressure) {
  const auto alive = GetWeakFlag();
  control->SendEvent(type, wparam, lparam, key, point, pressure);
  return !alive.expired();
}

// Painting.

void Window::SizeToContent(bool repaint) {
  const SIZE estimate = root_->EstimateSize(kEstimateRoom);
  LONG width = std::max<LONG>(estimate.cx, root_->GetMinWidth());
  if (root_->GetMaxWidth() >= 0) width = std::min<LONG>(width, root_->GetMaxWidth());
  LONG height = std::max<LONG>(estimate.cy, root_->GetMinHeight());
  if (root_->GetMaxHeight() >= 0) height = std::min<LONG>(height, root_->GetMaxHeight());
  RECT window_rect;
  GetWindowRect(hwnd_, &window_rect);
  MoveWindow(hwnd_, window_rect.left, window_rect.top, width, height, repaint);
}

void Window::LayOut() {
  RECT client;
  GetClientRect(hwnd_, &client);
  if (IsRectEmpty(&client)) return;
  if (root_->IsArrangePending()) {
    root_->SetPos(client);
    return;
  }
  Control* previous = nullptr;
  while (Control* pending = root_->FindControl(
             [](Control* control, void*) -> Control* {
               return control->IsArrangePending() ? control : nullptr;
             },
             nullptr, kFindVisible | kFindMeFirst, {0, 0})) {
    // A control that stays pending after its layout would hold the loop.
    if (pending == previous) break;
    previous = pending;
    pending->SetPos(pending->GetPos(true));
  }
}

void Window::OnPaint() {
  PAINTSTRUCT paint_struct;
  if (IsIconic(hwnd_) || !root_) {
    BeginPaint(hwnd_, &paint_struct);
    EndPaint(hwnd_, &paint_struct);
    return;
  }
  if (update_needed_ && root_->IsArrangePending() &&
      (root_->GetFixedWidth() == kSizeAuto || root_->GetFixedHeight() == kSizeAuto)) {
    SizeToContent(true);
  }
  RECT paint = {};
  GetUpdateRect(hwnd_, &paint, FALSE);
  if (IsRectEmpty(&paint) && !first_layout_pending_) return;
  RECT client;
  GetClientRect(hwnd_, &client);
  RECT window_rect;
  GetWindowRect(hwnd_, &window_rect);

  if (layered_) {
    // Windows repaint only their visible part; a layered window shows the
    // whole bitmap, so the part beyond the virtual screen is painted too.
    const LONG screen_left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const LONG screen_top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const LONG screen_right = screen_left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const LONG screen_bottom = screen_top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    RECT on_screen = paint;
    MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&on_screen), 2);
    if (window_rect.left < screen_left && on_screen.left == screen_left) paint.left = client.left;
    if (window_rect.top < screen_top && on_screen.top == screen_top) paint.top = client.top;
    if (window_rect.right > screen_right && on_screen.right == screen_right) {
      paint.right = client.right;
    }
    if (window_rect.bottom > screen_bottom && on_screen.bottom == screen_bottom) {
      paint.bottom = client.bottom;
    }
  }

  BeginPaint(hwnd_, &paint_struct);
  if (update_needed_) {
    update_needed_ = false;
    const auto alive = GetWeakFlag();
    LayOut();
    if (alive.expired()) return;
    if (first_layout_pending_) {
      first_layout_pending_ = false;
      ShowWithFadeIn();
    }
  }
  IRenderContext* context = render_context_.get();
  if (!context || !root_) {
    EndPaint(hwnd_, &paint_struct);
    return;
  }
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  if (context->Resize(width, height, true)) {
    context->SetRenderTransparent(!shadow_.attached);
    paint = client;
  }
  if (layered_) context->ClearAlpha(paint, 0);
  {
    AutoClip clip(context, paint);
    root_->Paint(context, paint);
    root_->PaintChild(context, paint);
    if (layered_) {
      FixLayeredAlpha(paint, window_rect);
      POINT destination = {window_rect.left, window_rect.top};
      SIZE size = {width, height};
      POINT source = {0, 0};
      BLENDFUNCTION blend = {AC_SRC_OVER, 0, static_cast<BYTE>(window_alpha_ & 0xFF), AC_SRC_ALPHA};
      UpdateLayeredWindow(hwnd_, nullptr, &destination, &size, context->GetDC(), &source, 0, &blend,
                          ULW_ALPHA);
    } else {
      // The painting context, not the kept one: it clips with the window's
      // current styles, so children made or styles set later are spared.
      ::BitBlt(paint_struct.hdc, paint.left, paint.top, paint.right - paint.left,
               paint.bottom - paint.top, context->GetDC(), paint.left, paint.top, SRCCOPY);
    }
    EndPaint(hwnd_, &paint_struct);
  }
}

void Window::FixLayeredAlpha(const RECT& paint, const RECT& window_rect) {
  IRenderContext* context = render_context_.get();
  RECT rect;
  if (shadow_.attached) {
    // The shadow keeps the alpha of its image; the content is opaque except
    // its four corner pixels, which the rounded corners leave out.
    const RECT content = root_->GetPaddingPos();
    IntersectRect(&rect, &paint, &content);
    RECT padding = shadow_.shadowBox ? shadow_.shadowBox->GetFramePadding() : RECT{0, 0, 0, 0};
    InflateRect(&padding, 1, 1);
    context->RestoreAlpha(rect, padding, 0);
    return;
  }
  const RECT& fix = alpha_fix_corner_;
  if (fix.left > 0 || fix.top > 0 || fix.right > 0 || fix.bottom > 0) {
    RECT content = root_->GetPaddingPos();
    content.left += fix.left;
    content.top += fix.top;
    content.right -= fix.right;
    content.bottom -= fix.bottom;
    IntersectRect(&rect, &paint, &content);
    context->RestoreAlpha(rect, {0, 0, 0, 0}, 0);
    return;
  }
  if (content_size_.cx >= 1 && content_size_.cy >= 1) {
    // The dialog area of a window widened over its owner.
    const LONG half_width = (window_rect.right - window_rect.left) / 2;
    const LONG half_height = (window_rect.bottom - window_rect.top) / 2;
    rect = {edging_.left - content_size_.cx / 2 + half_width,
            edging_.top - content_size_.cy / 2 + half_height,
            content_size_.cx / 2 - edging_.right + half_width,
            content_size_.cy / 2 - edging_.bottom + half_height};
    context->RestoreAlpha(rect, {0, 0, 0, 0}, 0);
  }
}

void Window::ShowWithFadeIn() {
  if (!root_ || !IsVistaOrLater()) return;
  AnimationPlayer* player = root_->GetAnimationManager().SetFadeAlpha(true);
  window_alpha_ = 0;
  player->playCallback = ToWeakCallback([this](int32_t value) {
    if (!root_) return;
    window_alpha_ = value;
    const RECT rect = root_->GetPos(true);
    InvalidateRect(hwnd_, &rect, FALSE);
    if (layered_) PostMessageW(hwnd_, WM_PAINT, 0, 0);
  });
  root_->SetFadeVisible(true);
}

// Input.

LRESULT Window::HandleMessageInternal(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) {
  handled = false;
  const auto alive = GetWeakFlag();
  const std::vector<IUIMessageFilter*> filters = message_filters_;
  for (IUIMessageFilter* filter : filters) {
    bool filtered = false;
    const LRESULT result = filter->MessageHandler(message, wparam, lparam, filtered);
    if (alive.expired()) {
      handled = filtered;
      return result;
    }
    if (filtered && message != WM_MOUSEMOVE) {
      handled = true;
      return result;
    }
  }

  switch (message) {
    case WM_SIZE:
      OnSize(wparam);
      handled = true;
      return 0;
    case WM_PAINT:
      OnPaint();
      handled = true;
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_ERASEBKGND:
      handled = true;
      return 1;
    case WM_SETCURSOR:
      return OnSetCursor(wparam, lparam, handled);
    case WM_NOTIFY:
      if (!lparam) return 0;
      handled = true;
      return SendMessageW(reinterpret_cast<const NMHDR*>(lparam)->hwndFrom,
                          message + kReflectedMessageOffset, wparam, lparam);
    case WM_COMMAND:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      if (!lparam) return 0;
      handled = true;
      return SendMessageW(reinterpret_cast<HWND>(lparam), message + kReflectedMessageOffset, wparam,
                          lparam);
    case WM_CONTEXTMENU: {
      POINT point = PointFromLParam(lparam);
      ScreenToClient(hwnd_, &point);
      last_mouse_point_ = point;
      if (!pushed_) return 0;
      ReleaseCapture();
      captured_ = false;
      Control* pushed = pushed_;
      if (!Send(pushed, kEventInternalMenu, wparam, reinterpret_cast<LPARAM>(pushed), point)) {
        return 0;
      }
      pushed_ = nullptr;
      return 0;
    }
    case WM_KEYDOWN: {
      if (!focus_) return 0;
      if (wparam != VK_TAB) {
        key_pressed_ = focus_;
        Send(focus_, kEventKeyDown, wparam, lparam, {0, 0}, LOWORD(wparam));
        return 0;
      }
      if (focus_->IsVisible() && focus_->IsEnabled() && focus_->IsWantTab()) return 0;
      SetNextTabControl(GetKeyState(VK_SHIFT) >= 0);
      return 1;
    }
    case WM_KEYUP: {
      if (!key_pressed_) return 0;
      Control* pressed = key_pressed_;
      if (!Send(pressed, kEventKeyUp, wparam, lparam, last_mouse_point_, LOWORD(wparam))) {
        return 0;
      }
      key_pressed_ = nullptr;
      return 0;
    }
    case WM_CHAR:
    case WM_IME_STARTCOMPOSITION:
    case WM_IME_ENDCOMPOSITION: {
      if (!focus_) return 0;
      const EventType type = message == WM_CHAR                   ? kEventChar
                             : message == WM_IME_STARTCOMPOSITION ? kEventImeStartComposition
                                                                  : kEventImeEndComposition;
      Send(focus_, type, wparam, lparam, {0, 0}, LOWORD(wparam));
      return 0;
    }
    case WM_MOUSEMOVE:
      OnMouseMove(wparam, lparam);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
      OnButtonDown(message, wparam, lparam);
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      OnButtonUp(message, wparam, lparam);
      return 0;
    case WM_MOUSEWHEEL: {
      POINT point = PointFromLParam(lparam);
      ScreenToClient(hwnd_, &point);
      last_mouse_point_ = point;
      Control* control = FindControlAt(point);
      if (!control || control->GetWindow() != this) return 0;
      const int64_t delta = GET_WHEEL_DELTA_WPARAM(wparam);
      Send(control, kEventScrollWheel, static_cast<WPARAM>(delta), lparam, {0, 0});
      return 0;
    }
    case WM_TOUCH:
      OnTouch(wparam, lparam);
      return 0;
    case WM_POINTERUPDATE:
    case WM_POINTERDOWN:
    case WM_POINTERUP:
    case WM_POINTERLEAVE:
    case WM_POINTERCAPTURECHANGED:
      return OnPointer(message, wparam, lparam, handled);
    case WM_MOUSEHOVER:
      return OnMouseHover(lparam, handled);
    case WM_MOUSELEAVE:
      HideToolTip();
      if (mouse_tracking_) {
        // The hover control gets its mouse-leave from a move to nowhere.
        SendMessageW(hwnd_, WM_MOUSEMOVE, 0, static_cast<LPARAM>(-1));
        if (alive.expired()) return 0;
      }
      mouse_tracking_ = false;
      return 0;
    case WM_KILLFOCUS:
      OnKillFocus(wparam, lparam);
      return 0;
    case kDeleteQueuedControlsMessage:
      DeleteQueuedControls();
      return 0;
    default:
      return 0;
  }
}

void Window::OnSize(WPARAM wparam) {
  if (focus_ && !Send(focus_, kEventWindowSize, 0, 0, {0, 0})) return;
  if (root_) root_->Arrange();
  if (!shadow_.attached || !shadow_.shadowBox) return;
  if (wparam == SIZE_MAXIMIZED) {
    shadow_.OnMaximized();
  } else if (wparam == SIZE_RESTORED) {
    shadow_.OnRestored();
  }
}

void Window::OnClose() {
  if (hover_ && !Send(hover_, kEventMouseLeave, 0, 0, {0, 0})) return;
  for (Control** held : {&pushed_, &touch_, &pointer_}) {
    if (*held && !Send(*held, kEventButtonUp, 0, 0, {0, 0})) return;
  }
  const auto alive = GetWeakFlag();
  SetFocus(nullptr);
  if (alive.expired()) return;
  if (const HWND owner = ::GetWindow(hwnd_, GW_OWNER)) ::SetFocus(owner);
}

LRESULT Window::OnSetCursor(WPARAM wparam, LPARAM lparam, bool& handled) {
  if (LOWORD(lparam) != HTCLIENT) return 0;
  handled = true;
  if (pushed_ || touch_ || pointer_) return 0;
  POINT point;
  GetCursorPos(&point);
  ScreenToClient(hwnd_, &point);
  last_mouse_point_ = point;
  Control* control = FindControlAt(point);
  if (!control) {
    handled = false;
    return 0;
  }
  Send(control, kEventSetCursor, wparam, lparam, point);
  return 0;
}

void Window::OnMouseMove(WPARAM wparam, LPARAM lparam) {
  if (touch_ || pointer_) return;
  if (!mouse_tracking_) {
    TRACKMOUSEEVENT track = {};
    track.cbSize = sizeof(track);
    track.dwFlags = TME_HOVER | TME_LEAVE;
    track.hwndTrack = hwnd_;
    track.dwHoverTime =
        tooltip_
            ? static_cast<DWORD>(SendMessageW(tooltip_.get(), TTM_GETDELAYTIME, TTDT_INITIAL, 0))
            : kDefaultHoverMs;
    TrackMouseEvent(&track);
    mouse_tracking_ = true;
  }
  const POINT point = PointFromLParam(lparam);
  last_mouse_point_ = point;
  const auto alive = GetWeakFlag();
  if (!HandleMouseEnterLeave(point, wparam, lparam) || alive.expired()) return;
  Control* target = pushed_ ? pushed_ : new_hover_;
  if (target) Send(target, kEventMouseMove, wparam, lparam, point);
}

bool Window::HandleMouseEnterLeave(POINT point, WPARAM wparam, LPARAM lparam) {
  new_hover_ = FindControlAt(point);
  if (new_hover_ && new_hover_->GetWindow() != this) return false;
  if (hover_ && hover_ != new_hover_) {
    if (!Send(hover_, kEventMouseLeave, 0, 0, point)) return false;
    hover_ = nullptr;
    HideToolTip();
  }
  if (new_hover_ && new_hover_ != hover_) {
    Control* entered = new_hover_;
    const auto entered_alive = entered->GetWeakFlag();
    if (!Send(entered, kEventMouseEnter, wparam, lparam, point)) return false;
    if (!entered_alive.expired()) hover_ = entered;
  }
  return true;
}

void Window::OnButtonDown(UINT message, WPARAM wparam, LPARAM lparam) {
  if (touch_ || pointer_) return;
  const auto alive = GetWeakFlag();
  ::SetFocus(hwnd_);
  if (alive.expired()) return;
  const POINT point = PointFromLParam(lparam);
  last_mouse_point_ = point;
  Control* control = FindControlAt(point);
  if (!control || control->GetWindow() != this) return;
  pushed_ = control;
  const auto control_alive = control->GetWeakFlag();
  if (message != WM_LBUTTONDBLCLK) {
    control->SetFocus();
    if (alive.expired() || control_alive.expired()) return;
  }
  SetCapture(hwnd_);
  captured_ = true;
  const EventType type = message == WM_LBUTTONDOWN   ? kEventButtonDown
                         : message == WM_RBUTTONDOWN ? kEventRButtonDown
                                                     : kEventInternalDoubleClick;
  Send(control, type, wparam, lparam, point);
}

void Window::SetMouseCapture(bool capture) {
  if (capture) {
    SetCapture(hwnd_);
  } else {
    ReleaseCapture();
  }
  captured_ = capture;
}

void Window::OnButtonUp(UINT message, WPARAM wparam, LPARAM lparam) {
  const POINT point = PointFromLParam(lparam);
  last_mouse_point_ = point;
  ReleaseCapture();
  captured_ = false;
  if (!pushed_) return;
  Control* pushed = pushed_;
  const bool left = message == WM_LBUTTONUP;
  if (!Send(pushed, left ? kEventButtonUp : kEventRButtonUp, wparam, lparam, point)) return;
  // The right button keeps its control for the context menu that follows.
  if (left) pushed_ = nullptr;
}

LRESULT Window::OnMouseHover(LPARAM lparam, bool& handled) {
  mouse_tracking_ = false;
  const POINT point = PointFromLParam(lparam);
  Control* found = FindControlAt(point);
  if (!found) return 0;
  handled = true;
  const auto found_alive = found->GetWeakFlag();
  if (hover_ && !Send(hover_, kEventMouseHover, 0, 0, point)) return 0;
  if (!found_alive.expired()) ShowToolTip(found);
  return 0;
}

void Window::ShowToolTip(Control* control) {
  tooltip_text_ = control->GetToolTipText();
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  tool_info_ = {};
  tool_info_.cbSize = sizeof(tool_info_);
  tool_info_.uFlags = TTF_IDISHWND;
  tool_info_.hwnd = hwnd_;
  tool_info_.uId = reinterpret_cast<UINT_PTR>(hwnd_);
  tool_info_.hinst = instance;
  tool_info_.lpszText = tooltip_text_.data();
  tool_info_.rect = control->GetPos(true);
  if (!tooltip_) {
    tooltip_.reset(CreateWindowExW(
        0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance, nullptr));
    if (!tooltip_) return;
    SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool_info_));
    SendMessageW(tooltip_.get(), TTM_SETDELAYTIME, TTDT_INITIAL, kToolTipInitialDelayMs);
  }
  SendMessageW(tooltip_.get(), TTM_SETMAXTIPWIDTH, 0, control->GetToolTipWidth());
  SendMessageW(tooltip_.get(), TTM_SETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool_info_));
  SendMessageW(tooltip_.get(), TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool_info_));
}

void Window::HideToolTip() {
  if (!tooltip_) return;
  SendMessageW(tooltip_.get(), TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool_info_));
}

void Window::OnKillFocus(WPARAM wparam, LPARAM lparam) {
  Control* target = pointer_ ? pointer_ : touch_ ? touch_ : pushed_;
  const POINT point = PointFromLParam(lparam);
  last_mouse_point_ = point;
  if (target && target->IsNeedButtonUpWhenKillFocus()) {
    ReleaseCapture();
    captured_ = false;
    if (!Send(target, kEventButtonUp, wparam, lparam, point)) return;
  }
  pushed_ = nullptr;
  touch_ = nullptr;
  pointer_ = nullptr;
}

void Window::OnTouch(WPARAM wparam, LPARAM lparam) {
  InputFunctions* functions = InputFunctions::Get();
  const auto input = reinterpret_cast<HTOUCHINPUT>(lparam);
  const UINT count = std::min<UINT>(LOWORD(wparam), kMaxTouchInputs);
  std::vector<TOUCHINPUT> inputs(count);
  if (count > 0 && functions->GetTouchInputInfo(input, count, inputs.data()) &&
      inputs[0].dwID != 0) {
    const TOUCHINPUT& first = inputs[0];
    POINT point = {first.x / 100, first.y / 100};
    ScreenToClient(hwnd_, &point);
    const auto alive = GetWeakFlag();
    if (first.dwFlags & TOUCHEVENTF_DOWN) {
      if (!pushed_ && !pointer_) {
        ::SetFocus(hwnd_);
        last_touch_point_ = point;
        Control* control = alive.expired() ? nullptr : FindControlAt(point);
        if (control && control->GetWindow() == this) {
          touch_ = control;
          const auto control_alive = control->GetWeakFlag();
          control->SetFocus();
          if (!alive.expired() && !control_alive.expired()) {
            SetCapture(hwnd_);
            captured_ = true;
            Send(control, kEventTouchDown, 0, lparam, point);
          }
        }
      }
    } else if (first.dwFlags & TOUCHEVENTF_MOVE) {
      if (!pushed_ && !pointer_ &&
          (point.x != last_touch_point_.x || point.y != last_touch_point_.y)) {
        last_touch_point_ = point;
        if (touch_ && HandleMouseEnterLeave(point, wparam, lparam) && !alive.expired() && touch_) {
          Send(touch_, kEventTouchMove, 0, 0, point);
        }
      }
    } else if (first.dwFlags & TOUCHEVENTF_UP) {
      last_touch_point_ = point;
      ReleaseCapture();
      captured_ = false;
      if (touch_) {
        Control* touched = touch_;
        if (Send(touched, kEventTouchUp, 0, lparam, point)) touch_ = nullptr;
      }
    }
  }
  // Closed on every path, whatever the events did to the window.
  functions->CloseTouchInputHandle(input);
}

LRESULT Window::OnPointer(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) {
  if ((HIWORD(wparam) & kPrimaryPointerFlag) == 0) {
    handled = true;
    return 0;
  }
  InputFunctions* functions = InputFunctions::Get();
  const UINT32 id = LOWORD(wparam);
  POINTER_INPUT_TYPE type = 0;
  if (!functions->GetPointerType(id, &type)) return 0;
  POINT point;
  float pressure = 0;
  if (type == PT_TOUCH) {
    POINTER_TOUCH_INFO info = {};
    if (!functions->GetPointerTouchInfo(id, &info)) return 0;
    point = info.pointerInfo.ptPixelLocation;
    pressure = info.pressure / kPressureScale;
  } else if (type == PT_PEN) {
    POINTER_PEN_INFO info = {};
    if (!functions->GetPointerPenInfo(id, &info)) return 0;
    point = info.pointerInfo.ptPixelLocation;
    pressure = info.pressure / kPressureScale;
  } else {
    return 0;
  }
  ScreenToClient(hwnd_, &point);
  const auto alive = GetWeakFlag();
  switch (message) {
    case WM_POINTERUPDATE:
      if (pushed_ || touch_) {
        handled = true;
        return 0;
      }
      last_mouse_point_ = point;
      if (pointer_ && HandleMouseEnterLeave(point, wparam, lparam) && !alive.expired() &&
          pointer_) {
        if (!Send(pointer_, kEventPointerMove, 0, 0, point, 0, pressure)) return 0;
      }
      if (alive.expired()) return 0;
      handled = pointer_ && pointer_->IsReceivePointer();
      return 0;
    case WM_POINTERDOWN: {
      if (pushed_ || touch_) {
        handled = true;
        return 0;
      }
      ::SetFocus(hwnd_);
      if (alive.expired()) return 0;
      last_mouse_point_ = point;
      Control* control = FindControlAt(point);
      if (control && control->GetWindow() == this) {
        pointer_ = control;
        const auto control_alive = control->GetWeakFlag();
        control->SetFocus();
        if (alive.expired()) return 0;
        if (!control_alive.expired()) {
          SetCapture(hwnd_);
          captured_ = true;
          if (!Send(control, kEventPointerDown, 0, lparam, point, 0, pressure)) return 0;
        }
      }
      handled = pointer_ && pointer_->IsReceivePointer();
      return 0;
    }
    default:
      last_mouse_point_ = point;
      ReleaseCapture();
      captured_ = false;
      if (pointer_) {
        if (!Send(pointer_, kEventPointerUp, 0, lparam, point, 0, pressure)) return 0;
        handled = pointer_ && pointer_->IsReceivePointer();
        pointer_ = nullptr;
      }
      return 0;
  }
}

}  // namespace ui
