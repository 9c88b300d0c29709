// launcher.exe with its real main window, in real processes: a second start
// shows the hidden first window, and the tray menu's exit ends the program.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include <gtest/gtest.h>

#include "launcher/core/window_messages.h"
#include "tests/launcher/windows/windows_test_env.h"
#include "tests/support/launcher_window_probe.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wait_for.h"

namespace {

using test_support::IconExists;
using test_support::WaitFor;

using test_support::FindLauncherWindow;

// The popup menu a thread shows, or null.
HWND FindMenuOf(DWORD thread) {
  HWND found = nullptr;
  EnumThreadWindows(
      thread,
      [](HWND window, LPARAM out) -> BOOL {
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (std::wstring(name) == L"#32768" && IsWindowVisible(window)) {
          *reinterpret_cast<HWND*>(out) = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

class Process {
 public:
  Process(const std::wstring& exe, const std::wstring& folder) {
    std::wstring command = L"\"" + exe + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    started_ = CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                              folder.c_str(), &startup, &info_) != FALSE;
  }
  ~Process() {
    if (!started_) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(info_.hProcess, 99);
      WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  bool started() const { return started_; }
  // The exit code, or -1 when it did not end in time.
  long WaitForExit(DWORD limit_ms = 120000) {
    if (WaitForSingleObject(info_.hProcess, limit_ms) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return static_cast<long>(code);
  }

 private:
  bool started_ = false;
  PROCESS_INFORMATION info_ = {};
};

TEST(LauncherProcessWindowsTest, SecondStartShowsTheHiddenWindowAndTheTrayExitEndsTheProgram) {
  test_support::ScratchDir scratch;
  const std::wstring exe = scratch.Child(L"launcher.exe");
  ASSERT_TRUE(CopyFileW(test_support::HostPathInWine(LAUNCHER_EXE).c_str(), exe.c_str(), FALSE));
  // Its services are a closed local port: every request fails at once.
  test_support::WriteFileBytes(
      scratch.Child(L"save\\setting.json"),
      R"({"GateURLs": ["https://127.0.0.1:9/"], "DlcURLs": ["https://127.0.0.1:9/"],)"
      R"( "TrackURL": "https://127.0.0.1:9/"})");

  Process first(exe, scratch.path());
  ASSERT_TRUE(first.started());
  HWND window = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    window = FindLauncherWindow();
    return window && IsWindowVisible(window);
  }));
  ASSERT_TRUE(WaitFor([&] { return IconExists(window); }));

  PostMessageW(window, WM_HIDE_LAUNCHER, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(window); }));
  Process second(exe, scratch.path());
  ASSERT_TRUE(second.started());
  EXPECT_EQ(second.WaitForExit(), 0);
  EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(window) != FALSE; }));

  // A right click on the icon opens the menu; its second item is "exit". Keys
  // posted while the menu is still starting its loop can be lost on a loaded
  // machine, so the menu is opened and walked again until the program ends.
  const DWORD thread = GetWindowThreadProcessId(window, nullptr);
  long exit_code = -1;
  for (int attempt = 0; attempt < 6 && exit_code == -1; ++attempt) {
    HWND menu = FindMenuOf(thread);
    if (!menu) {
      PostMessageW(window, WM_TRAY_NOTIFY, 0, WM_RBUTTONDOWN);
      ASSERT_TRUE(WaitFor([&] { return (menu = FindMenuOf(thread)) != nullptr; }));
    }
    PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    exit_code = first.WaitForExit(20000);
  }
  EXPECT_EQ(exit_code, 0);
  EXPECT_EQ(FindLauncherWindow(), nullptr);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(IconExists(window));
}

}  // namespace
