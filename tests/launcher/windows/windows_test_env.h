#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "tests/launcher/core/thread_test_support.h"
#include "tests/support/embedded_skin.h"
#include "tests/support/launcher_window_probe.h"
#include "tests/support/scoped_current_folder.h"
#include "tests/support/scratch_dir.h"
#include "ui/core/control.h"
#include "ui/core/window.h"

namespace test_support {

// The launcher's two framework threads for the window tests: thread 0 with a
// UI loop, where the UI framework runs on the skin package embedded in the
// test program, and thread 1. One for the whole program, as in the launcher:
// the UI timers belong to the first UI thread. The launcher's context is the
// process-wide one; its settings files go to a scratch folder that is the
// current folder.
class WindowsTestEnv {
 public:
  static WindowsTestEnv& Get();
  WindowsTestEnv(const WindowsTestEnv&) = delete;
  WindowsTestEnv& operator=(const WindowsTestEnv&) = delete;

  // Runs `task` on thread 0 and waits for it.
  bool OnUi(const std::function<void()>& task) { return RunOnThread(0, task); }
  // Lets thread 1 run what was posted to it so far.
  bool SyncWorker() { return RunOnThread(1, nullptr); }
  // After a test: destroys the windows it left and resets what it set in the
  // context.
  void Reset();
  bool skin_open() const { return skin_open_; }
  const ScratchDir& dir() const { return dir_; }

 private:
  WindowsTestEnv();

  ScratchDir dir_;
  std::unique_ptr<ScopedCurrentFolder> folder_;
  RegisteredThread ui_thread_{"UiThread", 0};
  RegisteredThread worker_{"Worker", 1};
  std::unique_ptr<ScopedEmbeddedSkin> skin_;
  bool skin_open_ = false;
};

// The newest framework window whose class name is `class_name`, or null. UI
// thread only.
ui::Window* FindFrameworkWindow(const std::wstring& class_name);

// The pixel of a window's memory bitmap at a client point (ARGB).
DWORD WindowPixel(ui::Window* window, int x, int y);

// A click as the mouse makes it, at the middle of `control` of `window`. UI
// thread only.
void ClickControl(HWND window, ui::Control* control);

// Saves the whole screen as a 24-bit BMP, for people to look at.
bool SaveScreenshot(const std::wstring& path);

// Where the screenshot `name` goes: "<name>.bmp" in $LAUNCHER_ARTIFACTS_DIR,
// else in "artifacts" of the build folder (the first folder above the program
// that holds CMakeCache.txt). The folder is made.
std::wstring ArtifactPath(const std::wstring& name);

}  // namespace test_support
