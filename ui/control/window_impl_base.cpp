#include "ui/control/window_impl_base.h"

#include <windowsx.h>

#include <algorithm>
#include <memory>

#include "ui/box/box.h"
#include "ui/box/markup_builder.h"
#include "ui/box/shadow_box.h"
#include "ui/control/button.h"
#include "ui/core/control.h"
#include "ui/core/dpi_manager.h"

namespace ui {

namespace {

constexpr wchar_t kLoadFailureCaption[] = L"Ormaveth";
constexpr SIZE kEstimateRoom = {99999, 99999};
constexpr int32_t kDefaultDpi = 96;

// The shadow's width on both sides, while the window has one.
SIZE ShadowBand(const Shadow& shadow) {
  if (!shadow.attached) return {0, 0};
  return {shadow.corner.left + shadow.corner.right, shadow.corner.top + shadow.corner.bottom};
}

// The caption does not drag where a button (or a control made from one) is.
bool TakesCaptionClicks(Control* control) {
  return dynamic_cast<ButtonTemplate<Control>*>(control) ||
         dynamic_cast<ButtonTemplate<Box>*>(control);
}

// The hit-test code of a size-box band, for a point inside the inner
// rectangle's vertical or horizontal edge.
LRESULT SizeBoxHit(POINT point, const RECT& inner, const RECT& band) {
  if (point.y < inner.top + band.top) {
    if (point.y < inner.top) return HTCLIENT;
    if (point.x >= inner.left && point.x < inner.left + band.left) return HTTOPLEFT;
    if (point.x > inner.right - band.right && point.x <= inner.right) return HTTOPRIGHT;
    return HTTOP;
  }
  if (point.y > inner.bottom - band.bottom) {
    if (point.y > inner.bottom) return HTCLIENT;
    if (point.x >= inner.left && point.x < inner.left + band.left) return HTBOTTOMLEFT;
    if (point.x > inner.right - band.right && point.x <= inner.right) return HTBOTTOMRIGHT;
    return HTBOTTOM;
  }
  if (point.x < inner.left + band.left) return point.x < inner.left ? HTCLIENT : HTLEFT;
  if (point.x > inner.right - band.right) return point.x > inner.right ? HTCLIENT : HTRIGHT;
  return HTNOWHERE;
}

}  // namespace

LONG WindowImplBase::GetStyle() { return GetWindowLongW(GetHWND(), GWL_STYLE) & ~WS_CAPTION; }

Control* WindowImplBase::CreateControl(const std::wstring& /*class_name*/) { return nullptr; }

void WindowImplBase::ActiveWindow() {
  const HWND hwnd = GetHWND();
  if (!hwnd || !IsWindow(hwnd)) return;
  if (IsIconic(hwnd)) {
    ::ShowWindow(hwnd, SW_RESTORE);
    return;
  }
  if (!IsWindowVisible(hwnd)) ::ShowWindow(hwnd, SW_SHOW);
  SetForegroundWindow(hwnd);
}

void WindowImplBase::SetTaskbarTitle(const std::wstring& text) {
  SetWindowTextW(GetHWND(), text.c_str());
}

LRESULT WindowImplBase::MessageHandler(UINT /*message*/, WPARAM /*wparam*/, LPARAM /*lparam*/,
                                       bool& /*handled*/) {
  return 0;
}

LRESULT WindowImplBase::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CREATE) return OnCreate(message, wparam, lparam);
  bool handled = true;
  const LRESULT result = DispatchHook(message, wparam, lparam, handled);
  if (handled) return result;
  return Window::HandleMessage(message, wparam, lparam);
}

LRESULT WindowImplBase::DispatchHook(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) {
  switch (message) {
    case WM_DESTROY:
      return OnDestroy(message, wparam, lparam, handled);
    case WM_SIZE:
      return OnSize(message, wparam, lparam, handled);
    case WM_SETFOCUS:
      return OnSetFocus(message, wparam, lparam, handled);
    case WM_KILLFOCUS:
      return OnKillFocus(message, wparam, lparam, handled);
    case WM_CLOSE:
      return OnClose(message, wparam, lparam, handled);
    case WM_GETMINMAXINFO:
      return OnGetMinMaxInfo(message, wparam, lparam, handled);
    case WM_WINDOWPOSCHANGING:
      return OnWindowPosChanging(message, wparam, lparam, handled);
    case WM_NCCALCSIZE:
      return OnNcCalcSize(message, wparam, lparam, handled);
    case WM_NCHITTEST:
      return OnNcHitTest(message, wparam, lparam, handled);
    case WM_NCPAINT:
      return OnNcPaint(message, wparam, lparam, handled);
    case WM_NCACTIVATE:
      return OnNcActivate(message, wparam, lparam, handled);
    case WM_NCLBUTTONDBLCLK:
      return OnNcLButtonDbClick(message, wparam, lparam, handled);
    case WM_KEYDOWN:
      return OnKeyDown(message, wparam, lparam, handled);
    case WM_CHAR:
      return OnChar(message, wparam, lparam, handled);
    case WM_SYSCOMMAND:
      return OnSysCommand(message, wparam, lparam, handled);
    case WM_MOUSEMOVE:
      return OnMouseMove(message, wparam, lparam, handled);
    case WM_LBUTTONDOWN:
      return OnLButtonDown(message, wparam, lparam, handled);
    case WM_LBUTTONUP:
      return OnLButtonUp(message, wparam, lparam, handled);
    case WM_MOUSEWHEEL:
      return OnMouseWheel(message, wparam, lparam, handled);
    case WM_MOUSEHOVER:
      return OnMouseHover(message, wparam, lparam, handled);
    case WM_DPICHANGED:
      return OnDpiChanged(message, wparam, lparam, handled);
    default:
      handled = false;
      return 0;
  }
}

LRESULT WindowImplBase::OnCreate(UINT /*message*/, WPARAM /*wparam*/, LPARAM /*lparam*/) {
  const HWND hwnd = GetHWND();
  SetWindowLongW(hwnd, GWL_STYLE, GetStyle());
  Init(hwnd);
  SetResourcePath(GetSkinFolder());

  const std::wstring path = GetResourcePath() + GetSkinFile();
  MarkupBuilder builder;
  const CreateControlCallback callback =
      ToWeakCallback([this](const std::wstring& class_name) { return CreateControl(class_name); });
  Control* root = builder.Create(path, callback, this, nullptr, nullptr);
  if (!root) {
    ShowLoadFailure(L"Failed to load xml file " + path);
    return -1;
  }
  root = ShadowBox::AttachShadow(&GetShadow(), root);
  AttachRootControl(root);
  InitWindow();

  if (root->GetFixedWidth() == kSizeAuto || root->GetFixedHeight() == kSizeAuto) {
    const SIZE estimate = root->EstimateSize(kEstimateRoom);
    LONG width = std::max<LONG>(estimate.cx, root->GetMinWidth());
    if (root->GetMaxWidth() >= 0) width = std::min<LONG>(width, root->GetMaxWidth());
    LONG height = std::max<LONG>(estimate.cy, root->GetMinHeight());
    if (root->GetMaxHeight() >= 0) height = std::min<LONG>(height, root->GetMaxHeight());
    MoveWindow(hwnd, 0, 0, width, height, FALSE);
  }

  for (const wchar_t* name : {L"closebtn", L"minbtn", L"maxbtn", L"restorebtn"}) {
    if (auto* button = dynamic_cast<ButtonTemplate<Control>*>(FindControl(name))) {
      button->AddEventHandler(
          kEventClick, ToWeakCallback([this](EventArgs* args) { return OnButtonClick(args); }));
    }
  }
  return 0;
}

void WindowImplBase::ShowLoadFailure(const std::wstring& text) {
  MessageBoxW(nullptr, text.c_str(), kLoadFailureCaption, MB_ICONERROR);
}

bool WindowImplBase::OnButtonClick(EventArgs* args) {
  const std::wstring name = args->pSender ? args->pSender->GetName() : std::wstring();
  Control* maximize = FindControl(L"maxbtn");
  Control* restore = FindControl(L"restorebtn");
  if (name == L"closebtn") {
    Close(1);
  } else if (name == L"minbtn") {
    SendMessageW(GetHWND(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  } else if (name == L"maxbtn") {
    if (maximize && restore) {
      maximize->SetFadeVisible(false);
      restore->SetFadeVisible(true);
    }
    SendMessageW(GetHWND(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  } else if (name == L"restorebtn") {
    if (maximize && restore) {
      maximize->SetFadeVisible(true);
      restore->SetFadeVisible(false);
    }
    SendMessageW(GetHWND(), WM_SYSCOMMAND, SC_RESTORE, 0);
  }
  return true;
}

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnDestroy(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnNcActivate(UINT, WPARAM wparam, LPARAM, bool& handled) {
  if (IsIconic(GetHWND())) {
    handled = false;
    return 0;
  }
  return wparam == 0 ? TRUE : FALSE;
}

LRESULT WindowImplBase::OnNcCalcSize(UINT, WPARAM, LPARAM, bool& /*handled*/) { return 0; }

LRESULT WindowImplBase::OnWindowPosChanging(UINT, WPARAM, LPARAM lparam, bool& handled) {
  handled = false;
  const HWND hwnd = GetHWND();
  auto* position = reinterpret_cast<WINDOWPOS*>(lparam);
  if (!position || !IsZoomed(hwnd) || !(position->flags & SWP_FRAMECHANGED)) return 0;
  const HMONITOR monitor = MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST);
  if (monitor == MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY)) return 0;
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  if (!GetMonitorInfoW(monitor, &info)) return 0;
  position->x = info.rcWork.left;
  position->y = info.rcWork.top;
  position->cx = info.rcWork.right - info.rcWork.left;
  position->cy = info.rcWork.bottom - info.rcWork.top;
  return 0;
}

LRESULT WindowImplBase::OnNcPaint(UINT, WPARAM, LPARAM, bool& /*handled*/) { return 0; }

LRESULT WindowImplBase::OnNcLButtonDbClick(UINT, WPARAM, LPARAM, bool& /*handled*/) { return 0; }

LRESULT WindowImplBase::OnNcHitTest(UINT, WPARAM, LPARAM lparam, bool& /*handled*/) {
  const HWND hwnd = GetHWND();
  POINT point = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  ScreenToClient(hwnd, &point);
  RECT inner;
  GetClientRect(hwnd, &inner);
  const Shadow& shadow = GetShadow();
  if (shadow.attached) {
    inner.left += shadow.corner.left;
    inner.top += shadow.corner.top;
    inner.right -= shadow.corner.right;
    inner.bottom -= shadow.corner.bottom;
  }
  if (!IsZoomed(hwnd)) {
    const LRESULT sizing = SizeBoxHit(point, inner, GetSizeBox());
    if (sizing != HTNOWHERE) return sizing;
  }
  const RECT caption = GetCaptionRect();
  if (point.x >= inner.left + caption.left && point.x < inner.right - caption.right &&
      point.y >= inner.top + caption.top && point.y < inner.top + caption.bottom) {
    Control* control = FindControlAt(point);
    if (control && !TakesCaptionClicks(control)) return HTCAPTION;
  }
  return HTCLIENT;
}

LRESULT WindowImplBase::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lparam, bool& handled) {
  handled = false;
  auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
  if (!info) return 0;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(GetHWND(), MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  info->ptMaxPosition = {work.left - monitor.rcMonitor.left, work.top - monitor.rcMonitor.top};
  info->ptMaxSize = {work.right - work.left, work.bottom - work.top};
  const SIZE band = ShadowBand(GetShadow());
  const SIZE maximum = GetMaxInfo();
  const SIZE minimum = GetMinInfo();
  if (maximum.cx != 0 && maximum.cx != band.cx) info->ptMaxTrackSize.x = maximum.cx;
  if (maximum.cy != 0 && maximum.cy != band.cy) info->ptMaxTrackSize.y = maximum.cy;
  if (minimum.cx != 0 && minimum.cx != band.cx) info->ptMinTrackSize.x = minimum.cx;
  if (minimum.cy != 0 && minimum.cy != band.cy) info->ptMinTrackSize.y = minimum.cy;
  return 0;
}

LRESULT WindowImplBase::OnMouseWheel(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnMouseHover(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnDpiChanged(UINT, WPARAM wparam, LPARAM, bool& handled) {
  handled = false;
  DpiManager* dpi = DpiManager::GetInstance();
  if (!dpi->IsEnabled()) return 0;
  dpi->SetScale(MulDiv(LOWORD(wparam), 100, kDefaultDpi));
  Shadow& shadow = GetShadow();
  if (shadow.attached && shadow.shadowBox) {
    RECT corner = shadow.unscaledCorner;
    dpi->ScaleRect(&corner);
    shadow.corner = corner;
    shadow.savedCorner = corner;
    shadow.shadowBox->SetFramePadding(corner);
  }
  return 0;
}

LRESULT WindowImplBase::OnSize(UINT, WPARAM wparam, LPARAM, bool& handled) {
  handled = false;
  const SIZE round = GetRoundCorner();
  if (wparam == SIZE_MINIMIZED || (round.cx == 0 && round.cy == 0)) return 0;
  const HWND hwnd = GetHWND();
  RECT rect;
  GetWindowRect(hwnd, &rect);
  OffsetRect(&rect, -rect.left, -rect.top);
  // The window owns the region once it is set.
  const HRGN region = CreateRoundRectRgn(0, 0, rect.right + 1, rect.bottom + 1, round.cx, round.cy);
  if (region && !SetWindowRgn(hwnd, region, TRUE)) DeleteObject(region);
  return 0;
}

LRESULT WindowImplBase::OnChar(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnSysCommand(UINT, WPARAM wparam, LPARAM, bool& handled) {
  if (wparam != SC_CLOSE) {
    handled = false;
    return 0;
  }
  SendMessageW(GetHWND(), WM_CLOSE, 0, 0);
  return 0;
}

LRESULT WindowImplBase::OnKeyDown(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnKillFocus(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnSetFocus(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnLButtonDown(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnLButtonUp(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnMouseMove(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

void WindowImplBase::OnFinalMessage(HWND hwnd) {
  const auto alive = GetWeakFlag();
  Window::OnFinalMessage(hwnd);
  if (alive.expired()) return;
  if (Control* root = GetRoot()) ReapObjects(root);
  delete this;
}

}  // namespace ui
