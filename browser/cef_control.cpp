#include "browser/cef_control.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>

#include "base/thread_registry.h"
#include "browser/cef_string.h"
#include "ui/core/window.h"
#include "ui/render/render_context.h"

namespace qoz_comp {

namespace {

// Bits of the runtime's event flags the Windows state maps to.
constexpr uint32_t kCapsLockOn = 1;
constexpr uint32_t kShiftDown = 2;
constexpr uint32_t kControlDown = 4;
constexpr uint32_t kAltDown = 8;
constexpr uint32_t kLeftButtonDown = 16;
constexpr uint32_t kMiddleButtonDown = 32;
constexpr uint32_t kRightButtonDown = 64;
constexpr uint32_t kNumLockOn = 256;
constexpr uint32_t kIsKeyPad = 512;
constexpr uint32_t kIsLeft = 1024;
constexpr uint32_t kIsRight = 2048;

constexpr LPARAM kExtendedKeyBit = 1 << 24;

bool IsKeyDown(int key) { return GetKeyState(key) < 0; }
bool IsToggled(int key) { return (GetKeyState(key) & 1) != 0; }

uint32_t MouseFlags(WPARAM wparam) {
  uint32_t flags = 0;
  if (IsToggled(VK_CAPITAL)) flags |= kCapsLockOn;
  if (wparam & MK_SHIFT) flags |= kShiftDown;
  if (wparam & MK_CONTROL) flags |= kControlDown;
  if (IsKeyDown(VK_MENU)) flags |= kAltDown;
  if (wparam & MK_LBUTTON) flags |= kLeftButtonDown;
  if (wparam & MK_MBUTTON) flags |= kMiddleButtonDown;
  if (wparam & MK_RBUTTON) flags |= kRightButtonDown;
  if (IsToggled(VK_NUMLOCK)) flags |= kNumLockOn;
  return flags;
}

// Which of a modifier's two keys is held, the left one winning.
uint32_t SideFlag(int left, int right) {
  if (IsKeyDown(left)) return kIsLeft;
  if (IsKeyDown(right)) return kIsRight;
  return 0;
}

uint32_t KeyFlags(WPARAM key, LPARAM data) {
  uint32_t flags = 0;
  if (IsKeyDown(VK_SHIFT)) flags |= kShiftDown;
  if (IsKeyDown(VK_CONTROL)) flags |= kControlDown;
  if (IsKeyDown(VK_MENU)) flags |= kAltDown;
  if (IsToggled(VK_NUMLOCK)) flags |= kNumLockOn;
  if (IsToggled(VK_CAPITAL)) flags |= kCapsLockOn;
  const bool extended = (data & kExtendedKeyBit) != 0;
  switch (key) {
    case VK_RETURN:
      if (extended) flags |= kIsKeyPad;
      break;
    case VK_INSERT:
    case VK_DELETE:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_UP:
    case VK_DOWN:
    case VK_LEFT:
    case VK_RIGHT:
      if (!extended) flags |= kIsKeyPad;
      break;
    case VK_NUMLOCK:
    case VK_NUMPAD0:
    case VK_NUMPAD1:
    case VK_NUMPAD2:
    case VK_NUMPAD3:
    case VK_NUMPAD4:
    case VK_NUMPAD5:
    case VK_NUMPAD6:
    case VK_NUMPAD7:
    case VK_NUMPAD8:
    case VK_NUMPAD9:
    case VK_DIVIDE:
    case VK_MULTIPLY:
    case VK_SUBTRACT:
    case VK_ADD:
    case VK_DECIMAL:
    case VK_CLEAR:
      flags |= kIsKeyPad;
      break;
    case VK_SHIFT:
      flags |= SideFlag(VK_LSHIFT, VK_RSHIFT);
      break;
    case VK_CONTROL:
      flags |= SideFlag(VK_LCONTROL, VK_RCONTROL);
      break;
    case VK_MENU:
      flags |= SideFlag(VK_LMENU, VK_RMENU);
      break;
    case VK_LWIN:
      flags |= kIsLeft;
      break;
    case VK_RWIN:
      flags |= kIsRight;
      break;
    default:
      break;
  }
  return flags;
}

CefRefPtr<cef_browser_host_t> HostOf(const CefRefPtr<cef_browser_t>& browser) {
  return CefRefPtr<cef_browser_host_t>::Adopt(browser->get_host(browser.get()));
}

// Off-screen browsers stop painting while they are told they are hidden.
void TellShown(const CefRefPtr<cef_browser_t>& browser, bool shown) {
  if (!browser) return;
  CefRefPtr<cef_browser_host_t> host = HostOf(browser);
  host->was_hidden(host.get(), shown ? 0 : 1);
}

bool HasArea(const cef_rect_t& rect) { return rect.width > 0 && rect.height > 0; }

// Copies a frame into the bitmap, made anew when the frame's size changed.
// A frame whose pixels do not match its size is not copied.
void TakeFrame(MemoryDC* bitmap, HDC reference, const std::string& frame, int width, int height) {
  if (!bitmap->IsValid() || bitmap->GetWidth() != width || bitmap->GetHeight() != height) {
    bitmap->Init(reference, width, height);
  }
  const size_t size = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
  if (width <= 0 || height <= 0 || frame.size() != size) return;
  if (void* bits = bitmap->GetBits()) std::memcpy(bits, frame.data(), size);
}

}  // namespace

CefControl::~CefControl() {
  if (GetHandler() != nullptr) {
    if (GetBrowser()) GetHandler()->CloseAllBrowser();
    DetachHandler();
    if (window_ != nullptr) window_->RemoveMessageFilter(this);
  }
  view_bitmap_.Reset();
  popup_bitmap_.Reset();
}

void CefControl::SetWindow(ui::Window* window, ui::Control* parent, bool init) {
  if (GetHandler() == nullptr) {
    PlaceHolder::SetWindow(window, parent, init);
    return;
  }
  if (window_ != nullptr) window_->RemoveMessageFilter(this);
  window_ = window;
  parent_ = parent;
  if (init && parent_ != nullptr) Init();
  if (window_ != nullptr) window_->AddMessageFilter(this);
  GetHandler()->AttachHostWindow(window_ != nullptr ? window_->GetHWND() : nullptr);
}

void CefControl::Init() {
  if (GetHandler() == nullptr) {
    if (window_ != nullptr) window_->AddMessageFilter(this);
    CreateHandler();
  }
  FinishInit();
}

void CefControl::DoCreateBrowser() {
  BrowserHandler* handler = GetHandler();
  if (handler == nullptr || handler->CurrentBrowser()) return;
  cef_window_info_t info = {};
  info.windowless_rendering_enabled = 1;
  info.parent_window = window_ != nullptr ? window_->GetHWND() : nullptr;
  info.transparent_painting_enabled = transparent_painting_ ? 1 : 0;
  cef_browser_settings_t settings = {};
  settings.size = sizeof(settings);
  const CefString url;
  cef_browser_host_create_browser(&info, handler->client(), url.get(), &settings, nullptr);
}

void CefControl::SetPos(RECT rect) {
  CefControlBase::SetPos(rect);
  if (GetHandler() != nullptr) GetHandler()->SetViewRect(GetPos(true));
}

void CefControl::SetFadeVisible(bool visible) {
  CefControlBase::SetFadeVisible(visible);
  TellShown(GetBrowser(), visible);
}

void CefControl::SetInternVisible(bool visible) {
  CefControlBase::SetInternVisible(visible);
  TellShown(GetBrowser(), visible);
}

void CefControl::Paint(ui::IRenderContext* context, const RECT& paint) {
  CefControlBase::Paint(context, paint);
  if (!view_bitmap_.IsValid() || !GetBrowser()) return;
  const RECT place = GetPos(true);
  // A frame of an older size covers only its own part until the next one.
  const int width = std::min<int>(place.right - place.left, view_bitmap_.GetWidth());
  const int height = std::min<int>(place.bottom - place.top, view_bitmap_.GetHeight());
  BitBlt(context->GetDC(), place.left, place.top, width, height, view_bitmap_.GetDC(), 0, 0,
         SRCCOPY);
  if (!HasArea(popup_rect_) || !popup_bitmap_.IsValid()) return;
  BitBlt(context->GetDC(), place.left + std::max(popup_rect_.x, 0),
         place.top + std::max(popup_rect_.y, 0), popup_rect_.width, popup_rect_.height,
         popup_bitmap_.GetDC(), std::max(-popup_rect_.x, 0), std::max(-popup_rect_.y, 0), SRCCOPY);
}

void CefControl::HandleEvent(ui::EventArgs* msg) {
  if (CefRefPtr<cef_browser_t> browser = GetBrowser()) {
    if (msg->Type == ui::kEventInternalSetFocus || msg->Type == ui::kEventInternalKillFocus) {
      CefRefPtr<cef_browser_host_t> host = HostOf(browser);
      host->send_focus_event(host.get(), msg->Type == ui::kEventInternalSetFocus ? 1 : 0);
    }
  }
  CefControlBase::HandleEvent(msg);
}

bool CefControl::ShowDevTools(ui::Control* control) {
  auto* target = dynamic_cast<CefControl*>(control);
  if (IsDevToolsShown() || target == nullptr) return true;
  if (GetHandler() == nullptr || target->GetHandler() == nullptr) return false;
  CefRefPtr<cef_browser_t> browser = GetBrowser();
  CefRefPtr<cef_browser_t> target_browser = target->GetBrowser();
  if (browser && target_browser) {
    cef_window_info_t info = {};
    info.windowless_rendering_enabled = 1;
    info.parent_window = window_ != nullptr ? window_->GetHWND() : nullptr;
    info.transparent_painting_enabled = transparent_painting_ ? 1 : 0;
    cef_browser_settings_t settings = {};
    settings.size = sizeof(settings);
    const cef_point_t inspect_at = {0, 0};
    CefRefPtr<cef_browser_host_t> target_host = HostOf(target_browser);
    CefRefPtr<cef_client_t> client =
        CefRefPtr<cef_client_t>::Adopt(target_host->get_client(target_host.get()));
    if (!client) return false;
    CefRefPtr<cef_browser_host_t> host = HostOf(browser);
    host->show_dev_tools(host.get(), &info, client.get(), &settings, &inspect_at);
    SetDevToolsShown(true);
    return true;
  }
  // Wait for the browser still missing: the target's when it has none yet,
  // else this control's own.
  const std::weak_ptr<qbase::WeakFlag> target_alive = target->GetWeakFlag();
  auto retry = ToWeakCallback([this, target, target_alive] {
    if (!target_alive.expired()) ShowDevTools(target);
  });
  BrowserHandler* waiting = target_browser ? GetHandler() : target->GetHandler();
  waiting->AddAfterCreateTask(
      [retry] { qbase::ThreadRegistry::PostTask(qbase::kMainThreadId, retry); });
  return true;
}

void CefControl::OnPaint(CefRefPtr<cef_browser_t>, cef_paint_element_type_t type,
                         const std::vector<cef_rect_t>&, const std::string& frame, int width,
                         int height) {
  if (frame.empty()) return;
  HDC reference = window_ != nullptr ? window_->GetPaintDC() : nullptr;
  if (type == PET_VIEW) {
    TakeFrame(&view_bitmap_, reference, frame, width, height);
  } else if (type == PET_POPUP && view_bitmap_.IsValid() && HasArea(popup_rect_)) {
    TakeFrame(&popup_bitmap_, reference, frame, width, height);
  }
  Invalidate();
}

void CefControl::OnPopupShow(CefRefPtr<cef_browser_t> browser, bool show) {
  if (show) return;
  popup_rect_ = {};
  if (browser) {
    CefRefPtr<cef_browser_host_t> host = HostOf(browser);
    host->invalidate(host.get(), PET_VIEW);
  }
}

void CefControl::OnPopupSize(CefRefPtr<cef_browser_t>, const cef_rect_t& rect) {
  if (HasArea(rect)) popup_rect_ = rect;
}

POINT CefControl::ViewPoint(POINT point) const {
  const RECT place = GetPos(true);
  return {point.x - place.left, point.y - place.top};
}

void CefControl::LeavePage(const CefRefPtr<cef_browser_host_t>& host, POINT point) {
  if (!mouse_inside_) return;
  mouse_inside_ = false;
  const POINT at = ViewPoint(point);
  const cef_mouse_event_t event = {at.x, at.y, MouseFlags(0)};
  host->send_mouse_move_event(host.get(), &event, 1);
}

LRESULT CefControl::MessageHandler(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) {
  handled = false;
  if (!IsVisible() || !IsEnabled()) return 0;
  CefRefPtr<cef_browser_t> browser = GetBrowser();
  if (!browser || window_ == nullptr) return 0;
  CefRefPtr<cef_browser_host_t> host = HostOf(browser);
  const RECT place = GetPos(true);
  const POINT point = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  const bool inside = PtInRect(&place, point) != FALSE;
  const POINT at = ViewPoint(point);
  const cef_mouse_event_t event = {at.x, at.y, MouseFlags(wparam)};

  switch (message) {
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
      host->send_capture_lost_event(host.get());
      handled = true;
      return 0;
    case WM_SETCURSOR: {
      POINT cursor;
      GetCursorPos(&cursor);
      ScreenToClient(window_->GetHWND(), &cursor);
      if (!PtInRect(&place, cursor)) return 0;
      // The class cursor, which follows the page's cursor.
      handled = true;
      return DefWindowProcW(window_->GetHWND(), message, wparam, lparam);
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR: {
      if (!IsFocused()) return 0;
      cef_key_event_t key = {};
      key.type = message == WM_KEYDOWN || message == WM_SYSKEYDOWN ? KEYEVENT_RAWKEYDOWN
                 : message == WM_KEYUP || message == WM_SYSKEYUP   ? KEYEVENT_KEYUP
                                                                   : KEYEVENT_CHAR;
      key.modifiers = KeyFlags(wparam, lparam);
      key.windows_key_code = static_cast<int>(wparam);
      key.native_key_code = static_cast<int>(lparam);
      key.is_system_key =
          message == WM_SYSKEYDOWN || message == WM_SYSKEYUP || message == WM_SYSCHAR ? 1 : 0;
      host->send_key_event(host.get(), &key);
      handled = true;
      return 0;
    }
    case WM_MOUSEMOVE:
      if (inside || window_->IsCaptured()) {
        mouse_inside_ = mouse_inside_ || inside;
        last_mouse_point_ = point;
        host->send_mouse_move_event(host.get(), &event, 0);
      } else {
        LeavePage(host, point);
      }
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      if (!inside) return 0;
      const auto alive = GetWeakFlag();
      SetFocus();
      if (alive.expired()) return 0;
      const cef_mouse_button_type_t button = message == WM_LBUTTONDOWN   ? MBT_LEFT
                                             : message == WM_RBUTTONDOWN ? MBT_RIGHT
                                                                         : MBT_MIDDLE;
      click_count_ = 1;
      host->send_mouse_click_event(host.get(), &event, button, 0, 1);
      return 0;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      if (!inside && !window_->IsCaptured()) return 0;
      const cef_mouse_button_type_t button = message == WM_LBUTTONUP   ? MBT_LEFT
                                             : message == WM_RBUTTONUP ? MBT_RIGHT
                                                                       : MBT_MIDDLE;
      // The release that ends a double click counts two, as its press did.
      host->send_mouse_click_event(host.get(), &event, button, 1, click_count_);
      click_count_ = 1;
      return 0;
    }
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: {
      if (!inside) return 0;
      const cef_mouse_button_type_t button = message == WM_LBUTTONDBLCLK   ? MBT_LEFT
                                             : message == WM_RBUTTONDBLCLK ? MBT_RIGHT
                                                                           : MBT_MIDDLE;
      click_count_ = 2;
      host->send_mouse_click_event(host.get(), &event, button, 0, 2);
      handled = true;
      return 0;
    }
    case WM_MOUSEWHEEL: {
      POINT screen = point;
      if (WindowFromPoint(screen) != window_->GetHWND()) return 0;
      POINT client = screen;
      ScreenToClient(window_->GetHWND(), &client);
      if (!PtInRect(&place, client)) return 0;
      const POINT wheel_at = ViewPoint(client);
      const cef_mouse_event_t wheel = {wheel_at.x, wheel_at.y,
                                       MouseFlags(GET_KEYSTATE_WPARAM(wparam))};
      const int delta = GET_WHEEL_DELTA_WPARAM(wparam);
      if (IsKeyDown(VK_SHIFT)) {
        host->send_mouse_wheel_event(host.get(), &wheel, delta, 0);
      } else {
        host->send_mouse_wheel_event(host.get(), &wheel, 0, delta);
      }
      handled = true;
      return 0;
    }
    case WM_MOUSELEAVE:
      // Carries no point: the page hears of it at the last one it saw.
      LeavePage(host, last_mouse_point_);
      return 0;
    default:
      return 0;
  }
}

}  // namespace qoz_comp
