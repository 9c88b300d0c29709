#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "base/framework_thread.h"

namespace test_support {

// A framework thread registered under an identifier while it runs: stands in
// for the launcher's UI thread (0, with a UI loop) or its worker (1).
class RegisteredThread : public qbase::FrameworkThread {
 public:
  RegisteredThread(const char* name, int id) : qbase::FrameworkThread(name), id_(id) {}
  ~RegisteredThread() override { Stop(); }

  DWORD system_thread_id() const { return system_thread_id_; }

 protected:
  void Init() override;
  void Cleanup() override;

 private:
  const int id_;
  DWORD system_thread_id_ = 0;
};

// Runs `task` on the thread registered as `id` and waits for it, so every
// task posted there before has run too. False when nothing is registered
// under `id` or the task did not run within a generous limit.
bool RunOnThread(int id, const std::function<void()>& task);

struct ReceivedMessage {
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
  DWORD thread;  // where the window procedure ran
  int sequence;  // across all recording windows of the process
};

// A hidden top-level window that records the messages from WM_USER up. It
// belongs to the thread that creates it, which must also destroy it.
class RecordingWindow {
 public:
  explicit RecordingWindow(const wchar_t* class_name = L"LauncherCoreTestWindow");
  ~RecordingWindow();
  RecordingWindow(const RecordingWindow&) = delete;
  RecordingWindow& operator=(const RecordingWindow&) = delete;

  HWND handle() const { return handle_; }
  std::vector<ReceivedMessage> received() const;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  HWND handle_ = nullptr;
  mutable std::mutex mutex_;
  std::vector<ReceivedMessage> received_;
};

// A recording window on a thread that never takes a message until it is
// released, as a hung game is seen.
class HungWindowThread {
 public:
  HungWindowThread();
  ~HungWindowThread();  // releases the thread and joins it
  HungWindowThread(const HungWindowThread&) = delete;
  HungWindowThread& operator=(const HungWindowThread&) = delete;

  HWND handle() const { return handle_; }

 private:
  HANDLE created_;
  HANDLE release_;
  HWND handle_ = nullptr;
  std::thread thread_;
};

}  // namespace test_support
