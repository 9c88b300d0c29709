#include "browser/runtime/browser_window.h"

#include <windowsx.h>

#include <string>
#include <utility>

#include "browser/runtime/this_module.h"

namespace qoz_runtime {

namespace {

constexpr wchar_t kClassName[] = L"QozCefBrowserWindow";

bool RegisterWindowClass(HINSTANCE module, WNDPROC procedure) {
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  // Double clicks arrive as their own messages, with their button.
  window_class.style = CS_DBLCLKS;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = module;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = kClassName;
  return RegisterClassExW(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool IsKeyDown(int key) { return GetKeyState(key) < 0; }

uint32_t ModifierFlags() {
  uint32_t flags = 0;
  if (IsKeyDown(VK_SHIFT)) flags |= EVENTFLAG_SHIFT_DOWN;
  if (IsKeyDown(VK_CONTROL)) flags |= EVENTFLAG_CONTROL_DOWN;
  if (IsKeyDown(VK_MENU)) flags |= EVENTFLAG_ALT_DOWN;
  return flags;
}

uint32_t MouseFlags(WPARAM key_state) {
  uint32_t flags = ModifierFlags();
  if (key_state & MK_LBUTTON) flags |= EVENTFLAG_LEFT_MOUSE_BUTTON;
  if (key_state & MK_MBUTTON) flags |= EVENTFLAG_MIDDLE_MOUSE_BUTTON;
  if (key_state & MK_RBUTTON) flags |= EVENTFLAG_RIGHT_MOUSE_BUTTON;
  return flags;
}

cef_mouse_button_type_t ButtonOf(UINT message) {
  switch (message) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
      return MBT_RIGHT;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
      return MBT_MIDDLE;
    default:
      return MBT_LEFT;
  }
}

}  // namespace

BrowserWindow::BrowserWindow(cef_browser_host_t* host, Listener listener)
    : host_(host), listener_(std::move(listener)) {}

BrowserWindow::~BrowserWindow() { Destroy(); }

bool BrowserWindow::Create(const cef_window_info_t& info, const std::wstring& name) {
  if (handle_ != nullptr) return true;
  const HINSTANCE module = ThisModule();
  if (!RegisterWindowClass(module, &BrowserWindow::WindowProc)) return false;
  const bool child = info.parent_window != nullptr;
  DWORD style = info.style;
  if (style == 0) style = child ? WS_CHILD | WS_VISIBLE : WS_OVERLAPPEDWINDOW | WS_VISIBLE;
  // The parent's thread is not made to wait for a notice of this window.
  const DWORD ex_style = child ? WS_EX_NOPARENTNOTIFY : 0;
  HWND window = CreateWindowExW(ex_style, kClassName, name.c_str(), style, info.x, info.y,
                                info.width, info.height, info.parent_window, nullptr, module, this);
  return window != nullptr;
}

void BrowserWindow::Destroy() {
  HWND window = handle_;
  if (window == nullptr) return;
  destroying_ = true;
  DestroyWindow(window);
  handle_ = nullptr;
}

SIZE BrowserWindow::ClientSize() const {
  RECT client = {};
  HWND window = handle_;
  if (window == nullptr || !GetClientRect(window, &client)) return {0, 0};
  return {client.right - client.left, client.bottom - client.top};
}

void BrowserWindow::ShowFrame(const uint8_t* pixels, int width, int height) {
  if (pixels == nullptr || width <= 0 || height <= 0) return;
  frame_.assign(pixels, pixels + static_cast<size_t>(width) * height * 4);
  frame_width_ = width;
  frame_height_ = height;
  if (HWND window = handle_) InvalidateRect(window, nullptr, FALSE);
}

void BrowserWindow::Focus() {
  HWND window = handle_;
  if (window != nullptr && GetFocus() != window) SetFocus(window);
}

LRESULT CALLBACK BrowserWindow::WindowProc(HWND window, UINT message, WPARAM wparam,
                                           LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<BrowserWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->handle_ = window;
  }
  auto* self = reinterpret_cast<BrowserWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->handle_ = nullptr;
    if (!self->destroying_ && self->listener_.gone) self->listener_.gone();
    return DefWindowProcW(window, message, wparam, lparam);
  }
  return self->Handle(message, wparam, lparam);
}

LRESULT BrowserWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  HWND window = handle_;
  switch (message) {
    case WM_ERASEBKGND:
      // WM_PAINT covers the whole client area.
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      if (dc != nullptr) Paint(dc);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(reinterpret_cast<HDC>(wparam));
      return 0;
    case WM_SIZE:
      if (listener_.resized) listener_.resized();
      return 0;
    case WM_MOUSEMOVE:
    case WM_MOUSELEAVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_MOUSEWHEEL:
      OnMouse(message, wparam, lparam);
      return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
      OnKey(message, wparam, lparam);
      // System keys keep their meaning for the window (the menu, closing).
      if (message == WM_SYSKEYDOWN || message == WM_SYSKEYUP || message == WM_SYSCHAR) break;
      return 0;
    case WM_SETFOCUS:
      host_->send_focus_event(host_, 1);
      return 0;
    case WM_KILLFOCUS:
      host_->send_focus_event(host_, 0);
      return 0;
    case WM_CANCELMODE:
      if (GetCapture() == window) ReleaseCapture();
      break;
    case WM_CAPTURECHANGED:
      // The page hears its buttons released where the capture went.
      if (reinterpret_cast<HWND>(lparam) != window) host_->send_capture_lost_event(host_);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void BrowserWindow::Paint(HDC dc) {
  RECT client = {};
  GetClientRect(handle_, &client);
  const int saved = SaveDC(dc);
  if (!frame_.empty()) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = frame_width_;
    info.bmiHeader.biHeight = -frame_height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, 0, 0, frame_width_, frame_height_, 0, 0, 0, frame_height_, frame_.data(),
                      &info, DIB_RGB_COLORS);
    ExcludeClipRect(dc, 0, 0, frame_width_, frame_height_);
  }
  // Until the page's frame covers it.
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  RestoreDC(dc, saved);
}

void BrowserWindow::OnMouse(UINT message, WPARAM wparam, LPARAM lparam) {
  HWND window = handle_;
  POINT point = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  switch (message) {
    case WM_MOUSEMOVE: {
      if (!tracking_leave_) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, window, 0};
        tracking_leave_ = TrackMouseEvent(&track) != FALSE;
      }
      last_point_ = point;
      const cef_mouse_event_t event = {point.x, point.y, MouseFlags(wparam)};
      host_->send_mouse_move_event(host_, &event, 0);
      return;
    }
    case WM_MOUSELEAVE: {
      tracking_leave_ = false;
      // Carries no point: the page hears of it at the last one it saw.
      const cef_mouse_event_t event = {last_point_.x, last_point_.y, MouseFlags(0)};
      host_->send_mouse_move_event(host_, &event, 1);
      return;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: {
      const bool twice =
          message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK || message == WM_MBUTTONDBLCLK;
      Focus();
      SetCapture(window);
      click_count_ = twice ? 2 : 1;
      last_point_ = point;
      const cef_mouse_event_t event = {point.x, point.y, MouseFlags(wparam)};
      host_->send_mouse_click_event(host_, &event, ButtonOf(message), 0, click_count_);
      return;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      last_point_ = point;
      const cef_mouse_event_t event = {point.x, point.y, MouseFlags(wparam)};
      host_->send_mouse_click_event(host_, &event, ButtonOf(message), 1, click_count_);
      click_count_ = 1;
      const bool held = (wparam & (MK_LBUTTON | MK_MBUTTON | MK_RBUTTON)) != 0;
      if (!held && GetCapture() == window) ReleaseCapture();
      return;
    }
    case WM_MOUSEWHEEL: {
      // A screen point.
      ScreenToClient(window, &point);
      const cef_mouse_event_t event = {point.x, point.y, MouseFlags(GET_KEYSTATE_WPARAM(wparam))};
      const int delta = GET_WHEEL_DELTA_WPARAM(wparam);
      if (IsKeyDown(VK_SHIFT)) {
        host_->send_mouse_wheel_event(host_, &event, delta, 0);
      } else {
        host_->send_mouse_wheel_event(host_, &event, 0, delta);
      }
      return;
    }
    default:
      return;
  }
}

void BrowserWindow::OnKey(UINT message, WPARAM wparam, LPARAM lparam) {
  cef_key_event_t key = {};
  const bool character = message == WM_CHAR || message == WM_SYSCHAR;
  key.type = message == WM_KEYDOWN || message == WM_SYSKEYDOWN ? KEYEVENT_RAWKEYDOWN
             : character                                       ? KEYEVENT_CHAR
                                                               : KEYEVENT_KEYUP;
  key.modifiers = ModifierFlags();
  key.windows_key_code = static_cast<int>(wparam);
  key.native_key_code = static_cast<int>(lparam);
  key.is_system_key =
      message == WM_SYSKEYDOWN || message == WM_SYSKEYUP || message == WM_SYSCHAR ? 1 : 0;
  if (character) key.character = key.unmodified_character = static_cast<char16>(wparam);
  host_->send_key_event(host_, &key);
}

}  // namespace qoz_runtime
