#include "tests/browser/runtime/menu_window.h"

#include <string>

namespace test_support {

HWND FindMenuWindow(bool shown_only) {
  struct Search {
    bool shown_only;
    HWND found;
  } search = {shown_only, nullptr};
  EnumWindows(
      [](HWND window, LPARAM data) {
        Search* search = reinterpret_cast<Search*>(data);
        wchar_t name[16] = {};
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process != GetCurrentProcessId() || (search->shown_only && !IsWindowVisible(window)) ||
            GetClassNameW(window, name, 16) == 0 || std::wstring(name) != L"#32768") {
          return TRUE;
        }
        search->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace test_support
