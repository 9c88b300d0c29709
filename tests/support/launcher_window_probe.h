#pragma once

#include <windows.h>
#include <shellapi.h>

namespace test_support {

// The window property the launcher's main window carries, naming itself.
constexpr wchar_t kLauncherWindowProperty[] = L"_QEL_LAUNCHER_TW";

// The launcher's main window among the top-level windows, or null.
inline HWND FindLauncherWindow() {
  for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window && IsWindow(window);
       window = GetWindow(window, GW_HWNDNEXT)) {
    if (GetPropW(window, kLauncherWindowProperty) == window) return window;
  }
  return nullptr;
}

// Whether `owner` has a tray icon: modifying an icon that is not there fails.
inline bool IconExists(HWND owner) {
  NOTIFYICONDATAW data = {};
  data.cbSize = sizeof(data);
  data.hWnd = owner;
  data.uFlags = NIF_TIP;
  return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

}  // namespace test_support
