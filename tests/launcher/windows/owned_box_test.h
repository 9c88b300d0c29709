#pragma once

#include <windows.h>

#include <memory>

#include <gtest/gtest.h>

#include "tests/launcher/windows/windows_test_env.h"
#include "tests/support/wait_for.h"
#include "tests/ui/core/host_window.h"

namespace test_support {

// What a box's tests share: the windows environment with its skin, an owner
// popup on the UI thread for the box to disable while it shows, and a wait for
// the box's window to go.
class OwnedBoxTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(env_.skin_open());
    ASSERT_TRUE(env_.OnUi([this] {
      ui_thread_ = GetCurrentThreadId();
      owner_ = std::make_unique<HostWindow>();
      owner_->CreatePopup({300, 200, 1100, 800}, false);
    }));
  }
  void TearDown() override {
    env_.OnUi([this] {
      owner_->Destroy();
      owner_.reset();
    });
    env_.Reset();
  }

  bool WaitClosed() {
    return WaitFor([this] { return !IsWindow(box_hwnd_); });
  }

  WindowsTestEnv& env_ = WindowsTestEnv::Get();
  DWORD ui_thread_ = 0;
  std::unique_ptr<HostWindow> owner_;
  HWND box_hwnd_ = nullptr;  // the open box's window
};

}  // namespace test_support
