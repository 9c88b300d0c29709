#include "launcher/core/entry.h"

#include <ole2.h>

#include <curl/curl.h>

#include "base/file_path.h"
#include "base/message_loop.h"
#include "base/scoped_handle.h"
#include "browser/cef_manager.h"
#include "launcher/core/launcher_subsystems.h"
#include "launcher/core/main_thread.h"
#include "launcher/core/self_replace.h"
#include "launcher/core/version_map.h"
#include "launcher/core/window_messages.h"

namespace {

void RunLauncher() {
  qoz_comp::CefManager* browser = qoz_comp::CefManager::GetInstance();
  const bool use_browser = browser->PrepareCefEnvironment();
  if (use_browser) {
    OleInitialize(nullptr);
    // A runtime that does not start leaves the notice page's placeholder.
    qoz_comp::CefSettings settings;
    browser->Initialize(qbase::GetCurrentModuleDirectory() + L"cef_temp\\", &settings);
  }
  curl_global_init(CURL_GLOBAL_ALL);
  {
    LauncherSubsystems subsystems;
    MainThread main_thread(&subsystems);
    main_thread.RunOnCurrentThread(qbase::MessageLoop::Type::kUI);
  }
  curl_global_cleanup();
  if (use_browser) {
    browser->Shutdown();
    OleUninitialize();
  }
}

}  // namespace

HWND FindFirstInstanceWindow() {
  for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window != nullptr && IsWindow(window);
       window = GetWindow(window, GW_HWNDNEXT)) {
    if (GetPropW(window, kSingleInstanceName) == window) return window;
  }
  return nullptr;
}

void ActivateFirstInstance(HWND window) {
  if (!IsWindowVisible(window)) PostMessageW(window, WM_SHOW_LAUNCHER, 0, 0);
  ShowWindow(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(window);
  SetForegroundWindow(GetLastActivePopup(window));
}

int LauncherMain() {
  // Every relative path of the launcher rests on this.
  SetCurrentDirectoryW(qbase::GetCurrentModuleDirectory().c_str());

  const CommandLine command_line = ParseCommandLine(SplitCommandLine(GetCommandLineW()));
  // The tool modes run before the single-instance test, so they work while a
  // launcher runs.
  switch (command_line.mode) {
    case LaunchMode::kMakeVersion:
      MakeLauncherVersionMap(command_line.version);
      return 0;
    case LaunchMode::kMakeDependenceVersion:
      MakeDependenceVersionMap(command_line.version);
      return 0;
    case LaunchMode::kReplace:
      RunReplaceMode(command_line.source, command_line.target, command_line.program);
      return 0;
    case LaunchMode::kNormal:
      break;
  }
  StoreCommandLineWords(command_line);

  // The first instance keeps the semaphore for its whole life; only the
  // name's existence matters.
  qbase::ScopedHandle instance(CreateSemaphoreW(nullptr, 1, 1, kSingleInstanceName));
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    instance.Reset();
    if (HWND first = FindFirstInstanceWindow()) ActivateFirstInstance(first);
    return 0;
  }

  RunLauncher();
  return 0;
}
