#pragma once

#include <windows.h>

#include "base/framework_thread.h"

namespace test_support {

// Stands in for the launcher's UI thread: registered as thread 0, with a
// message-only window of the given class and procedure standing in for the
// main window.
class MainWindowThread : public qbase::FrameworkThread {
 public:
  MainWindowThread(const wchar_t* class_name, WNDPROC procedure);
  ~MainWindowThread() override;

  HWND window = nullptr;
  DWORD threadId = 0;

 protected:
  void Init() override;
  void Cleanup() override;

 private:
  const wchar_t* class_name_;
  WNDPROC procedure_;
};

}  // namespace test_support
