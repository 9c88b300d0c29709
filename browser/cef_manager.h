#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "browser/cef_settings.h"

namespace qoz_comp {

// The process-wide manager of the embedded browser runtime, which lives in the
// optional "cef" folder beside the executable: it decides whether the runtime
// can be used, starts and stops it, and counts the live browsers.
class CefManager {
 public:
  CefManager() = default;
  CefManager(const CefManager&) = delete;
  CefManager& operator=(const CefManager&) = delete;

  static CefManager* GetInstance();

  // True when the "cef" folder beside the executable exists; it then leads
  // the PATH and ComSpec names its "dummy_cmd.exe". False, with nothing
  // changed, when the folder is missing.
  bool PrepareCefEnvironment();
  // The same for the executable folder `module_directory` (ending in "\").
  bool PrepareCefEnvironmentIn(const std::wstring& module_directory);

  // Starts the runtime of the prepared folder with the launcher's settings,
  // `data_folder` (ending in "\") holding its profile and log. False when it
  // did not start: the folder's library does not load, is built for another
  // interface, or the runtime fails. Start-up thread, once.
  bool Initialize(const std::wstring& data_folder, CefSettings* settings);
  void FillCefSettings(const std::wstring& data_folder, CefSettings* settings);
  // Stops the runtime; calls nothing of a library that did not load or did
  // not match.
  void Shutdown();

  bool IsInitialized() const { return initialized_; }
  bool IsOffscreenRendering() const { return offscreen_rendering_; }

  // Thread 0.
  void IncrementBrowserCount() { ++browser_count_; }
  void DecrementBrowserCount() { --browser_count_; }
  int browser_count() const { return browser_count_; }
  // Thread 0: posts the loop's quit with `exit_code` once no browser is left,
  // testing again every half second until then.
  void QuitWhenBrowsersClosed(int exit_code);

  // On the runtime's UI thread: a child of `popup` there, then the popup's
  // close, which its own thread handles.
  static void CreateHiddenChildOnCefUiThread(HWND popup);

 private:
  // Loads the folder's library and compares its interface hash; remembers
  // the outcome.
  bool LoadRuntime();

  std::wstring cef_folder_;
  // The library loaded and matched: only then is it called.
  bool runtime_usable_ = false;
  int browser_count_ = 0;
  std::atomic<bool> offscreen_rendering_{true};
  bool initialized_ = false;
};

}  // namespace qoz_comp
