#include "tests/launcher/core/thread_test_support.h"

#include <atomic>
#include <memory>

#include "base/thread_registry.h"

namespace test_support {

namespace {

constexpr DWORD kWaitMs = 120000;

std::atomic<int> g_sequence{0};

}  // namespace

void RegisteredThread::Init() {
  qbase::ThreadRegistry::RegisterThread(id_);
  system_thread_id_ = GetCurrentThreadId();
}

void RegisteredThread::Cleanup() { qbase::ThreadRegistry::UnregisterThread(); }

bool RunOnThread(int id, const std::function<void()>& task) {
  // Shared: a task that runs after a timed-out wait still finds its event.
  std::shared_ptr<void> done(CreateEventW(nullptr, TRUE, FALSE, nullptr), CloseHandle);
  if (!qbase::ThreadRegistry::PostTask(id, [task, done] {
        if (task) task();
        SetEvent(done.get());
      })) {
    return false;
  }
  return WaitForSingleObject(done.get(), kWaitMs) == WAIT_OBJECT_0;
}

RecordingWindow::RecordingWindow(const wchar_t* class_name) {
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = class_name;
  RegisterClassW(&window_class);  // fails harmlessly once the class exists
  handle_ = CreateWindowExW(0, class_name, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                            window_class.hInstance, nullptr);
  SetWindowLongPtrW(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

RecordingWindow::~RecordingWindow() {
  SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
  DestroyWindow(handle_);
}

std::vector<ReceivedMessage> RecordingWindow::received() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_;
}

LRESULT CALLBACK RecordingWindow::WindowProc(HWND window, UINT message, WPARAM wparam,
                                             LPARAM lparam) {
  auto* self = reinterpret_cast<RecordingWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self != nullptr && message >= WM_USER) {
    std::lock_guard<std::mutex> lock(self->mutex_);
    self->received_.push_back({message, wparam, lparam, GetCurrentThreadId(), ++g_sequence});
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

HungWindowThread::HungWindowThread()
    : created_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      release_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  thread_ = std::thread([this] {
    RecordingWindow window(L"LauncherCoreHungWindow");
    handle_ = window.handle();
    SetEvent(created_);
    // Waits without taking any message.
    WaitForSingleObject(release_, INFINITE);
  });
  WaitForSingleObject(created_, kWaitMs);
}

HungWindowThread::~HungWindowThread() {
  SetEvent(release_);
  thread_.join();
  CloseHandle(created_);
  CloseHandle(release_);
}

}  // namespace test_support
