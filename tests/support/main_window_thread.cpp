#include "tests/support/main_window_thread.h"

#include "base/thread_registry.h"

namespace test_support {

MainWindowThread::MainWindowThread(const wchar_t* class_name, WNDPROC procedure)
    : qbase::FrameworkThread("UiThread"), class_name_(class_name), procedure_(procedure) {}

MainWindowThread::~MainWindowThread() { Stop(); }

void MainWindowThread::Init() {
  qbase::ThreadRegistry::RegisterThread(qbase::kMainThreadId);
  threadId = GetCurrentThreadId();
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = procedure_;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = class_name_;
  RegisterClassW(&window_class);
  window = CreateWindowExW(0, class_name_, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           window_class.hInstance, nullptr);
}

void MainWindowThread::Cleanup() {
  DestroyWindow(window);
  qbase::ThreadRegistry::UnregisterThread();
}

}  // namespace test_support
