// launcher.exe as a whole, in real processes: tool modes, the single-instance
// rule against a running first instance, and a normal run ended by a quit.
#include <windows.h>

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "base/scoped_handle.h"
#include "launcher/core/entry.h"
#include "launcher/core/window_messages.h"
#include "tests/support/scratch_dir.h"

namespace {

using qbase::ScopedHandle;
using test_support::FileExists;
using test_support::ScratchDir;

// Waits for `handle` while dispatching this thread's messages, so windows of
// the test answer the launcher meanwhile.
bool WaitPumping(HANDLE handle, DWORD timeout_ms) {
  const ULONGLONG end = GetTickCount64() + timeout_ms;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return false;
    const DWORD result =
        MsgWaitForMultipleObjects(1, &handle, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    if (result == WAIT_OBJECT_0) return true;
    if (result != WAIT_OBJECT_0 + 1) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
}

// A launcher process started by the test; ended by force if a test leaves it.
class LauncherProcess {
 public:
  LauncherProcess(const std::wstring& exe, const std::wstring& arguments) {
    std::wstring command_line = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    started_ = CreateProcessW(exe.c_str(), &command_line[0], nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &info) != FALSE;
    if (started_) {
      process_.Reset(info.hProcess);
      thread_.Reset(info.hThread);
      thread_id_ = info.dwThreadId;
    }
  }
  ~LauncherProcess() {
    if (started_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.Get(), 99);
      WaitForSingleObject(process_.Get(), 5000);
    }
  }

  bool started() const { return started_; }
  bool Running() const { return WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT; }

  // True once the start-up thread has a message queue, that is once its UI
  // loop exists.
  bool WaitForUserInterfaceLoop() {
    // Generous: a loaded machine may take long to start a Wine process.
    for (int i = 0; i < 6000; ++i) {
      if (PostThreadMessageW(thread_id_, WM_NULL, 0, 0)) return true;
      if (!Running()) return false;
      Sleep(10);
    }
    return false;
  }
  bool PostQuit() { return PostThreadMessageW(thread_id_, WM_QUIT, 0, 0) != FALSE; }

  // The exit code, or -1 when the process did not end in time.
  long WaitForExit(DWORD timeout_ms = 120000) {
    if (!WaitPumping(process_.Get(), timeout_ms)) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.Get(), &code);
    return static_cast<long>(code);
  }

 private:
  bool started_ = false;
  ScopedHandle process_;
  ScopedHandle thread_;
  DWORD thread_id_ = 0;
};

// Stands in for the first instance's main window:
// a top-level window carrying the single-instance property.
class StandInWindow {
 public:
  StandInWindow() {
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = &StandInWindow::Proc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"LauncherStandIn";
    RegisterClassExW(&window_class);
    window_ = CreateWindowExW(0, L"LauncherStandIn", L"Launcher", WS_OVERLAPPEDWINDOW, 10, 10, 200,
                              100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetPropW(window_, kSingleInstanceName, window_);
    show_requests_ = 0;
  }
  ~StandInWindow() {
    RemovePropW(window_, kSingleInstanceName);
    DestroyWindow(window_);
  }

  HWND hwnd() const { return window_; }
  // Dispatches what was posted first: a second start may end before this
  // thread has looked at its queue.
  int show_requests() const {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    return show_requests_;
  }
  void Hide() {
    ShowWindow(window_, SW_HIDE);
    show_requests_ = 0;
  }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_SHOW_LAUNCHER) ++show_requests_;
    return DefWindowProcW(window, message, wparam, lparam);
  }

  static int show_requests_;
  HWND window_ = nullptr;
};

int StandInWindow::show_requests_ = 0;

class LauncherProcessTest : public testing::Test {
 protected:
  void SetUp() override {
    exe_ = scratch_.Child(L"launcher.exe");
    ASSERT_TRUE(CopyFileW(test_support::HostPathInWine(LAUNCHER_EXE).c_str(), exe_.c_str(), FALSE))
        << "launcher.exe not found at "
        << testing::PrintToString(test_support::HostPathInWine(LAUNCHER_EXE));
    // The launcher pass starts on its own: its services are a closed local
    // port, so nothing leaves the machine and every request fails at once.
    test_support::WriteFileBytes(
        scratch_.Child(L"save\\setting.json"),
        R"({"GateURLs": ["https://127.0.0.1:9/"], "DlcURLs": ["https://127.0.0.1:9/"],)"
        R"( "TrackURL": "https://127.0.0.1:9/"})");
  }

  // What a running first instance holds for the single-instance test: the
  // named semaphore. The test keeps it itself, so the window a second start
  // finds is only ever the stand-in (the real window's side is tested with
  // the launcher windows).
  static ScopedHandle HoldSingleInstance() {
    ScopedHandle held(CreateSemaphoreW(nullptr, 1, 1, kSingleInstanceName));
    EXPECT_TRUE(held.Get() != nullptr);
    EXPECT_NE(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    return held;
  }

  long RunToEnd(const std::wstring& arguments) {
    LauncherProcess process(exe_, arguments);
    EXPECT_TRUE(process.started()) << GetLastError();
    return process.WaitForExit();
  }

  ScratchDir scratch_;
  std::wstring exe_;
};

TEST_F(LauncherProcessTest, NormalStartRunsUntilItsUserInterfaceLoopIsToldToQuit) {
  LauncherProcess launcher(exe_, L"");
  ASSERT_TRUE(launcher.started()) << GetLastError();
  ASSERT_TRUE(launcher.WaitForUserInterfaceLoop());
  Sleep(1500);  // Several rounds of both ticks.
  EXPECT_TRUE(launcher.Running());
  ASSERT_TRUE(launcher.PostQuit());
  EXPECT_EQ(0, launcher.WaitForExit());
  // Written by the context's start-up and by the clean-up after the loop.
  EXPECT_TRUE(FileExists(scratch_.Child(L"save\\EnvConfig.json")));
  EXPECT_TRUE(FileExists(scratch_.Child(L"save\\Log.json")));
}

TEST_F(LauncherProcessTest, SecondStartShowsTheHiddenFirstInstanceAndExits) {
  ScopedHandle first = HoldSingleInstance();
  StandInWindow main_window;
  ASSERT_FALSE(IsWindowVisible(main_window.hwnd()));

  // The second start's own words change nothing.
  EXPECT_EQ(0, RunToEnd(L"set_language fr"));
  EXPECT_EQ(1, main_window.show_requests());
  EXPECT_TRUE(IsWindowVisible(main_window.hwnd()));
}

TEST_F(LauncherProcessTest, SecondStartRestoresAnIconicFirstInstanceWithoutTheShowMessage) {
  ScopedHandle first = HoldSingleInstance();
  StandInWindow main_window;
  ShowWindow(main_window.hwnd(), SW_SHOWMINNOACTIVE);
  ASSERT_TRUE(IsIconic(main_window.hwnd()));

  EXPECT_EQ(0, RunToEnd(L""));
  EXPECT_EQ(0, main_window.show_requests());
  EXPECT_FALSE(IsIconic(main_window.hwnd()));
}

TEST_F(LauncherProcessTest, SecondStartWithoutAFirstWindowEndsSilently) {
  ScopedHandle first = HoldSingleInstance();
  EXPECT_EQ(0, RunToEnd(L""));
}

TEST_F(LauncherProcessTest, UnknownOrMisCasedModeWordsStartNormally) {
  ScopedHandle first = HoldSingleInstance();
  StandInWindow main_window;
  // A normal start reaches the single-instance test and shows the first
  // instance; a tool mode would end before it.
  for (const wchar_t* arguments :
       {L"REPLACE a b c", L"Replace a b c", L"replace a b", L"replace a b c d", L"set_platform a b",
        L"MAKE_VERSION 1.0.0", L"unknown"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(arguments)));
    main_window.Hide();
    EXPECT_EQ(0, RunToEnd(arguments));
    EXPECT_EQ(1, main_window.show_requests());
  }
}

TEST_F(LauncherProcessTest, ToolModesRunWhileALauncherRuns) {
  ScopedHandle first = HoldSingleInstance();
  StandInWindow main_window;

  EXPECT_EQ(0, RunToEnd(L"make_version 1.2.3"));
  EXPECT_TRUE(FileExists(scratch_.Child(L"launcher_version_map.txt")));
  EXPECT_EQ(0, RunToEnd(L"make_dependence_version 4.5.6"));
  EXPECT_TRUE(FileExists(scratch_.Child(L"dependence_version_map.txt")));
  EXPECT_EQ(0, main_window.show_requests());
  EXPECT_FALSE(IsWindowVisible(main_window.hwnd()));
}

TEST_F(LauncherProcessTest, ReplaceModeCopiesTheNewExecutableOverTheOld) {
  test_support::WriteFileBytes(scratch_.Child(L"new.bin"), "new launcher");
  test_support::WriteFileBytes(scratch_.Child(L"old.bin"), "old launcher");
  StandInWindow main_window;  // Must stay untouched: replace is a tool mode.
  const std::wstring arguments = L"replace \"" + scratch_.Child(L"new.bin") + L"\" \"" +
                                 scratch_.Child(L"old.bin") + L"\" \"\"";
  EXPECT_EQ(0, RunToEnd(arguments));
  EXPECT_EQ("new launcher", test_support::ReadFileBytes(scratch_.Child(L"old.bin")));
  EXPECT_EQ(0, main_window.show_requests());
}

}  // namespace
