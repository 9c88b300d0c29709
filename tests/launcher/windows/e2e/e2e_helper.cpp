// The end-to-end test's hands inside the Wine prefix: it finds the launcher's
// windows, gives real mouse input, drives the shell folder picker and the tray
// icon's window, and stands in for the game's queries. One action a run; what
// it found is printed on one line:
//   window         "window HWND VISIBLE LEFT TOP RIGHT BOTTOM ICON", or "none"
//   find TITLE     "found HWND LEFT TOP RIGHT BOTTOM" of a visible window, or "none"
//   click X Y      a left click at a screen point
//   picker         "picker" while a folder picker shows, else "none"
//   pick FOLDER    selects FOLDER in the visible folder picker and clicks OK
//   icon HWND      "icon" while HWND has a tray icon, else "no icon"
//   tray dblclick  a double-click on the tray icon
//   tray exit      the tray icon menu's "exit"
//   game-queries   the game's pre-download state, progress and speed queries
//   close-game     asks the running game to close
// The exit code is 0 when the action was done, 1 when it could not be.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "launcher/core/window_messages.h"
#include "tests/support/launcher_window_probe.h"
#include "tests/support/real_mouse.h"

namespace {

using test_support::FindLauncherWindow;
using test_support::IconExists;
using test_support::MouseButton;
using test_support::MoveMouseTo;

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

void PrintRect(const char* word, HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  std::printf("%s %p %ld %ld %ld %ld\n", word, static_cast<void*>(window), rect.left, rect.top,
              rect.right, rect.bottom);
}

// A click as a hand makes it: the pointer arrives and rests, so the control
// under it turns hot before the button goes down.
void Click(int x, int y) {
  MoveMouseTo(x - 3, y - 3);
  Sleep(150);
  MoveMouseTo(x, y);
  Sleep(250);
  MouseButton(MOUSEEVENTF_LEFTDOWN);
  Sleep(120);
  MouseButton(MOUSEEVENTF_LEFTUP);
}

// Memory in another process, for messages whose parameter points at data.
class RemoteBuffer {
 public:
  RemoteBuffer(HWND window, size_t size) : size_(size) {
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    process_ =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process_id);
    if (process_) {
      address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
  }
  ~RemoteBuffer() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;

  bool ok() const { return address_ != nullptr; }
  void* address() const { return address_; }
  bool Write(const void* data, size_t size, size_t offset = 0) {
    return size + offset <= size_ &&
           WriteProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, nullptr);
  }
  bool Read(void* data, size_t size, size_t offset = 0) {
    return size + offset <= size_ &&
           ReadProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, nullptr);
  }

 private:
  size_t size_;
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
};

HWND FindVisibleDialogOfClass(const wchar_t* class_name) {
  struct Search {
    const wchar_t* class_name;
    HWND found;
  } search{class_name, nullptr};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* search = reinterpret_cast<Search*>(param);
        if (ClassOf(window) == search->class_name && IsWindowVisible(window)) {
          search->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The text of the picker tree's selected item, read through the picker's
// own process.
std::wstring PickerSelectionText(HWND picker) {
  HWND tree = FindWindowExW(picker, nullptr, WC_TREEVIEWW, nullptr);
  if (tree == nullptr) return std::wstring();
  const auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (item == nullptr) return std::wstring();
  RemoteBuffer remote(tree, sizeof(TVITEMW) + MAX_PATH * sizeof(wchar_t));
  if (!remote.ok()) return std::wstring();
  TVITEMW data = {};
  data.mask = TVIF_TEXT;
  data.hItem = item;
  data.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote.address()) + sizeof(data));
  data.cchTextMax = MAX_PATH;
  remote.Write(&data, sizeof(data));
  SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote.address()));
  wchar_t text[MAX_PATH] = {};
  remote.Read(text, sizeof(text) - sizeof(wchar_t), sizeof(data));
  return text;
}

int Pick(const std::wstring& folder) {
  HWND picker = FindVisibleDialogOfClass(L"#32770");
  if (picker == nullptr) return 1;
  SHFILEINFOW info = {};
  if (!SHGetFileInfoW(folder.c_str(), 0, &info, sizeof(info), SHGFI_DISPLAYNAME)) return 1;
  const std::wstring expected = info.szDisplayName;
  RemoteBuffer path(picker, (folder.size() + 1) * sizeof(wchar_t));
  if (!path.ok() || !path.Write(folder.c_str(), (folder.size() + 1) * sizeof(wchar_t))) return 1;
  // The picker fills its tree after it shows and may select its start folder
  // then: the selection is made again until it holds.
  bool selected = false;
  for (int attempt = 0; attempt < 40 && !selected; ++attempt) {
    SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path.address()));
    Sleep(300);
    selected = PickerSelectionText(picker) == expected;
    if (selected) {
      Sleep(300);
      selected = PickerSelectionText(picker) == expected;
    }
  }
  if (!selected) return 1;
  HWND ok = GetDlgItem(picker, IDOK);
  if (ok == nullptr) return 1;
  // A click that comes while the picker is still busy can be lost: clicked
  // again until the picker has gone.
  for (int attempt = 0; attempt < 5; ++attempt) {
    RECT rect = {};
    GetWindowRect(ok, &rect);
    Click((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    for (int wait = 0; wait < 20; ++wait) {
      Sleep(250);
      if (!IsWindow(picker) || !IsWindowVisible(picker)) {
        std::printf("picked\n");
        return 0;
      }
    }
  }
  return 1;
}

// The popup menu a thread shows, or null.
HWND FindMenuOf(DWORD thread) {
  HWND found = nullptr;
  EnumThreadWindows(
      thread,
      [](HWND window, LPARAM out) -> BOOL {
        if (ClassOf(window) == L"#32768" && IsWindowVisible(window)) {
          *reinterpret_cast<HWND*>(out) = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// Opens the icon's menu and picks its second item, "exit". Keys sent while
// the menu is still starting its loop can be lost, so the caller repeats
// this until the launcher has ended.
int TrayExit(HWND launcher) {
  const DWORD thread = GetWindowThreadProcessId(launcher, nullptr);
  HWND menu = FindMenuOf(thread);
  for (int wait = 0; menu == nullptr && wait < 50; ++wait) {
    if (wait % 25 == 0) PostMessageW(launcher, WM_TRAY_NOTIFY, 0, WM_RBUTTONDOWN);
    Sleep(200);
    menu = FindMenuOf(thread);
  }
  if (menu == nullptr) return 1;
  PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
  return 0;
}

int Run(int count, wchar_t** arguments) {
  const std::wstring action = count > 1 ? arguments[1] : L"";
  HWND launcher = FindLauncherWindow();
  if (action == L"window") {
    if (launcher == nullptr) {
      std::printf("none\n");
      return 0;
    }
    RECT rect = {};
    GetWindowRect(launcher, &rect);
    std::printf("window %p %d %ld %ld %ld %ld %d\n", static_cast<void*>(launcher),
                IsWindowVisible(launcher) ? 1 : 0, rect.left, rect.top, rect.right, rect.bottom,
                IconExists(launcher) ? 1 : 0);
    return 0;
  }
  if (action == L"find" && count == 3) {
    HWND window = FindWindowW(nullptr, arguments[2]);
    if (window == nullptr || !IsWindowVisible(window)) {
      std::printf("none\n");
      return 0;
    }
    PrintRect("found", window);
    return 0;
  }
  if (action == L"click" && count == 4) {
    Click(_wtoi(arguments[2]), _wtoi(arguments[3]));
    return 0;
  }
  if (action == L"picker") {
    std::printf(FindVisibleDialogOfClass(L"#32770") ? "picker\n" : "none\n");
    return 0;
  }
  if (action == L"pick" && count == 3) return Pick(arguments[2]);
  if (action == L"icon" && count == 3) {
    const auto owner =
        reinterpret_cast<HWND>(static_cast<uintptr_t>(wcstoull(arguments[2], nullptr, 16)));
    std::printf(IconExists(owner) ? "icon\n" : "no icon\n");
    return 0;
  }
  if (action == L"close-game") {
    HWND game = FindWindowW(L"UnityWndClass", nullptr);
    if (game == nullptr) return 1;
    PostMessageW(game, WM_CLOSE, 0, 0);
    return 0;
  }
  if (launcher == nullptr) return 1;
  if (action == L"tray" && count == 3) {
    if (std::wstring(arguments[2]) == L"dblclick") {
      // The shell sends the icon's window the button's messages in order.
      PostMessageW(launcher, WM_TRAY_NOTIFY, 0, WM_LBUTTONDOWN);
      PostMessageW(launcher, WM_TRAY_NOTIFY, 0, WM_LBUTTONUP);
      PostMessageW(launcher, WM_TRAY_NOTIFY, 0, WM_LBUTTONDBLCLK);
      PostMessageW(launcher, WM_TRAY_NOTIFY, 0, WM_LBUTTONUP);
      return 0;
    }
    if (std::wstring(arguments[2]) == L"exit") return TrayExit(launcher);
    return 1;
  }
  if (action == L"game-queries") {
    for (UINT query : {WM_GAME_QUERY_PREDOWNLOAD, WM_GAME_QUERY_PROGRESS, WM_GAME_QUERY_SPEED}) {
      SendMessageTimeoutW(launcher, query, 0, 0, SMTO_ABORTIFHUNG, 10000, nullptr);
    }
    return 0;
  }
  std::fprintf(stderr, "unknown action\n");
  return 2;
}

}  // namespace

int wmain(int count, wchar_t** arguments) {
  const int code = Run(count, arguments);
  std::fflush(stdout);
  return code;
}
