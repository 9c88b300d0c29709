#include "base/async_modal_runner_manager.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "base/framework_thread.h"
#include "base/thread_registry.h"

namespace qoz_comp {
namespace {

// Thread 0, where runners are removed.
class UiThread : public qbase::FrameworkThread {
 public:
  UiThread() : FrameworkThread("UiThread") {}
  ~UiThread() override { Stop(); }

 protected:
  void Init() override { qbase::ThreadRegistry::RegisterThread(qbase::kMainThreadId); }
  void Cleanup() override { qbase::ThreadRegistry::UnregisterThread(); }
};

// A blocking system dialog: a message box with a title of its own.
class BoxDialog : public ModalWndBase {
 public:
  BoxDialog(std::wstring title, std::atomic<int>* destroyed, std::atomic<DWORD>* thread)
      : title_(std::move(title)), destroyed_(destroyed), thread_(thread) {}
  ~BoxDialog() override { ++*destroyed_; }
  void Run() override {
    *thread_ = GetCurrentThreadId();
    MessageBoxW(nullptr, L"pick", title_.c_str(), MB_OKCANCEL);
  }

 private:
  std::wstring title_;
  std::atomic<int>* destroyed_;
  std::atomic<DWORD>* thread_;
};

std::wstring UniqueTitle(const wchar_t* name) {
  return std::wstring(name) + L" " + std::to_wstring(GetCurrentProcessId());
}

HWND WaitForWindow(const std::wstring& title) {
  for (int i = 0; i < 6000; ++i) {
    if (HWND window = FindWindowW(nullptr, title.c_str())) return window;
    Sleep(10);
  }
  return nullptr;
}

// Removal finishes on thread 0 after the list entry is gone: wait for both.
bool WaitForRemoval(AsyncModalRunnerManager& manager, size_t count,
                    const std::atomic<int>& destroyed, int destroyed_count) {
  for (int i = 0; i < 6000; ++i) {
    if (manager.RunnerCount() == count && destroyed == destroyed_count) return true;
    Sleep(10);
  }
  return false;
}

TEST(AsyncModalRunnerManagerTest, NullDialogStartsNothing) {
  AsyncModalRunnerManager manager;
  EXPECT_FALSE(manager.DoModal(nullptr));
  EXPECT_EQ(0u, manager.RunnerCount());
}

TEST(AsyncModalRunnerManagerTest, TwoDialogsRunOnTheirOwnThreadsAndLeaveWhenClosed) {
  UiThread ui_thread;
  ASSERT_TRUE(ui_thread.Start(qbase::MessageLoop::Type::kUI));
  AsyncModalRunnerManager manager;
  std::atomic<int> destroyed{0};
  std::atomic<DWORD> first_thread{0};
  std::atomic<DWORD> second_thread{0};
  const std::wstring first_title = UniqueTitle(L"First picker");
  const std::wstring second_title = UniqueTitle(L"Second picker");

  // DoModal returns at once although each dialog blocks its own thread. The
  // second opens once the first shows: Wine can lose one of two message
  // boxes that two threads create at the same moment.
  ASSERT_TRUE(manager.DoModal(std::make_unique<BoxDialog>(first_title, &destroyed, &first_thread)));
  HWND first = WaitForWindow(first_title);
  ASSERT_NE(nullptr, first);
  ASSERT_TRUE(
      manager.DoModal(std::make_unique<BoxDialog>(second_title, &destroyed, &second_thread)));
  HWND second = WaitForWindow(second_title);
  ASSERT_NE(nullptr, second);
  EXPECT_EQ(2u, manager.RunnerCount());
  EXPECT_NE(first_thread.load(), second_thread.load());
  EXPECT_NE(GetCurrentThreadId(), first_thread.load());

  PostMessageW(second, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  EXPECT_TRUE(WaitForRemoval(manager, 1, destroyed, 1));
  EXPECT_TRUE(IsWindow(first));

  PostMessageW(first, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  EXPECT_TRUE(WaitForRemoval(manager, 0, destroyed, 2));
}

TEST(AsyncModalRunnerManagerTest, EndingTheManagerQuitsOpenDialogsAndJoinsTheirThreads) {
  std::atomic<int> destroyed{0};
  std::atomic<DWORD> dialog_thread{0};
  const std::wstring title = UniqueTitle(L"Open at exit");
  {
    // No thread 0 here: the removal task is dropped and the manager's end
    // does the work.
    AsyncModalRunnerManager manager;
    ASSERT_TRUE(manager.DoModal(std::make_unique<BoxDialog>(title, &destroyed, &dialog_thread)));
    ASSERT_NE(nullptr, WaitForWindow(title));
  }
  EXPECT_EQ(1, destroyed.load());
  EXPECT_EQ(nullptr, FindWindowW(nullptr, title.c_str()));
  // The runner thread has ended: it can no longer be opened as running.
  HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, dialog_thread);
  if (thread != nullptr) {
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 0));
    CloseHandle(thread);
  }
}

}  // namespace
}  // namespace qoz_comp
