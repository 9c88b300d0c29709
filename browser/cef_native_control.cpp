#include "browser/cef_native_control.h"

#include "base/thread_registry.h"
#include "browser/cef_string.h"
#include "ui/core/window.h"

namespace qoz_comp {

namespace {

// The window's own drawing leaves the browser's child window alone.
constexpr LONG kClipStyles = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;

constexpr int kDevToolsWidth = 900;
constexpr int kDevToolsHeight = 700;

CefRefPtr<cef_browser_host_t> HostOf(const CefRefPtr<cef_browser_t>& browser) {
  return CefRefPtr<cef_browser_host_t>::Adopt(browser->get_host(browser.get()));
}

void AddClipStyles(ui::Window* window) {
  if (window == nullptr || window->GetHWND() == nullptr) return;
  const LONG style = GetWindowLongW(window->GetHWND(), GWL_STYLE);
  SetWindowLongW(window->GetHWND(), GWL_STYLE, style | kClipStyles);
}

}  // namespace

CefNativeControl::~CefNativeControl() {
  if (CefRefPtr<cef_browser_t> browser = GetBrowser()) {
    CefRefPtr<cef_browser_host_t> host = HostOf(browser);
    host->close_browser(host.get(), 1);
  }
  DetachHandler();
}

HWND CefNativeControl::GetWindowHandle() const {
  CefRefPtr<cef_browser_t> browser = GetBrowser();
  if (!browser) return nullptr;
  CefRefPtr<cef_browser_host_t> host = HostOf(browser);
  return host->get_window_handle(host.get());
}

void CefNativeControl::SetWindow(ui::Window* window, ui::Control* parent, bool init) {
  HWND new_parent = window != nullptr ? window->GetHWND() : nullptr;
  if (GetHandler() != nullptr) GetHandler()->AttachHostWindow(new_parent);
  if (HWND browser_window = GetWindowHandle()) SetParent(browser_window, new_parent);
  AddClipStyles(window);
  PlaceHolder::SetWindow(window, parent, init);
}

void CefNativeControl::Init() {
  if (GetHandler() == nullptr) {
    AddClipStyles(window_);
    CreateHandler();
  }
  FinishInit();
}

void CefNativeControl::DoCreateBrowser() {
  BrowserHandler* handler = GetHandler();
  if (handler == nullptr || handler->CurrentBrowser()) return;
  const RECT place = GetPos(true);
  cef_window_info_t info = {};
  info.style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP;
  info.x = place.left;
  info.y = place.top;
  info.width = place.right - place.left;
  info.height = place.bottom - place.top;
  info.parent_window = window_ != nullptr ? window_->GetHWND() : nullptr;
  cef_browser_settings_t settings = {};
  settings.size = sizeof(settings);
  const CefString url;
  cef_browser_host_create_browser(&info, handler->client(), url.get(), &settings, nullptr);
}

void CefNativeControl::SetPos(RECT rect) {
  CefControlBase::SetPos(rect);
  if (HWND browser_window = GetWindowHandle()) {
    SetWindowPos(browser_window, nullptr, rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top, SWP_NOZORDER);
  }
}

void CefNativeControl::SetFadeVisible(bool visible) {
  CefControlBase::SetFadeVisible(visible);
  ApplyVisible(visible);
}

void CefNativeControl::SetInternVisible(bool visible) {
  CefControlBase::SetInternVisible(visible);
  ApplyVisible(visible);
}

void CefNativeControl::ApplyVisible(bool visible) {
  HWND browser_window = GetWindowHandle();
  if (browser_window == nullptr) return;
  if (visible) {
    ShowWindow(browser_window, SW_SHOW);
  } else {
    // Hidden by size: the next SetPos gives it back.
    SetWindowPos(browser_window, nullptr, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE);
  }
}

void CefNativeControl::HandleEvent(ui::EventArgs* msg) {
  if (CefRefPtr<cef_browser_t> browser = GetBrowser()) {
    if (msg->Type == ui::kEventInternalSetFocus || msg->Type == ui::kEventInternalKillFocus) {
      CefRefPtr<cef_browser_host_t> host = HostOf(browser);
      host->set_focus(host.get(), msg->Type == ui::kEventInternalSetFocus ? 1 : 0);
    }
  }
  CefControlBase::HandleEvent(msg);
}

bool CefNativeControl::ShowDevTools(ui::Control* /*control*/) {
  if (IsDevToolsShown()) return true;
  if (GetHandler() == nullptr) return false;
  CefRefPtr<cef_browser_t> browser = GetBrowser();
  if (!browser) {
    auto retry = ToWeakCallback([this] { ShowDevTools(nullptr); });
    GetHandler()->AddAfterCreateTask(
        [retry] { qbase::ThreadRegistry::PostTask(qbase::kMainThreadId, retry); });
    return true;
  }
  const CefString name(L"cef_devtools");
  cef_window_info_t info = {};
  info.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VISIBLE;
  info.x = CW_USEDEFAULT;
  info.y = CW_USEDEFAULT;
  info.width = kDevToolsWidth;
  info.height = kDevToolsHeight;
  info.window_name = *name.get();
  cef_browser_settings_t settings = {};
  settings.size = sizeof(settings);
  const cef_point_t inspect_at = {0, 0};
  // A handler of their own, with no window and no control: the tools live on
  // by themselves.
  CefRefPtr<cef_client_t> client((new BrowserHandler())->client());
  CefRefPtr<cef_browser_host_t> host = HostOf(browser);
  host->show_dev_tools(host.get(), &info, client.get(), &settings, &inspect_at);
  SetDevToolsShown(true);
  return true;
}

}  // namespace qoz_comp
