#include "launcher/windows/folder_dialog.h"

#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include <gtest/gtest.h>

#include "base/async_modal_runner_manager.h"
#include "base/folder_util.h"
#include "tests/launcher/windows/owned_box_test.h"
#include "tests/launcher/windows/shell_folder_picker.h"
#include "tests/support/wait_for.h"

namespace {

using qoz_comp::AsyncModalRunnerManager;
using test_support::WaitFor;

// What one picker answered, and on which thread.
struct PickerAnswer {
  std::atomic<int> count{0};
  std::atomic<int> result{-1};
  std::atomic<DWORD> thread{0};
  std::mutex mutex;
  std::wstring folder;

  FolderDialog::ResultCallback Callback() {
    return [this](int value, std::wstring picked) {
      {
        std::lock_guard<std::mutex> lock(mutex);
        folder = picked;
      }
      result = value;
      thread = GetCurrentThreadId();
      ++count;
    };
  }
  std::wstring Folder() {
    std::lock_guard<std::mutex> lock(mutex);
    return folder;
  }
};

class FolderDialogTest : public test_support::OwnedBoxTest {
 protected:
  AsyncModalRunnerManager* manager_ = AsyncModalRunnerManager::GetInstance();

  bool Open(const std::wstring& title, PickerAnswer* answer) {
    bool opened = false;
    env_.OnUi([&] {
      opened = manager_->DoModal(
          std::make_unique<FolderDialog>(owner_->GetHWND(), title, answer->Callback()));
    });
    return opened;
  }
  HWND WaitForPicker(const std::wstring& title) {
    HWND picker = nullptr;
    WaitFor([&] {
      return (picker = test_support::FindFolderPicker(owner_->GetHWND(), title)) != nullptr;
    });
    return picker;
  }
};

// A picked folder comes back as (1, folder) on the UI thread; the picker runs
// on a thread of its own, so the UI thread goes on meanwhile; the runner goes
// once the picker has closed.
TEST_F(FolderDialogTest, APickedFolderComesBackOnTheUiThread) {
  const std::wstring folder = env_.dir().path() + L"\\Picked";
  ASSERT_TRUE(MakeDirectoriesW(folder));
  PickerAnswer answer;
  ASSERT_TRUE(Open(L"Pick a test folder", &answer));
  const HWND picker = WaitForPicker(L"Pick a test folder");
  ASSERT_NE(picker, nullptr);
  const DWORD picker_thread = GetWindowThreadProcessId(picker, nullptr);
  EXPECT_NE(picker_thread, ui_thread_);
  EXPECT_NE(picker_thread, GetCurrentThreadId());
  EXPECT_TRUE(env_.OnUi(nullptr));
  EXPECT_EQ(manager_->RunnerCount(), 1u);
  EXPECT_EQ(answer.count, 0);

  ASSERT_TRUE(test_support::SelectInPicker(picker, folder));
  PostMessageW(picker, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitFor([&] { return answer.count > 0; }));
  ASSERT_TRUE(WaitFor([&] { return manager_->RunnerCount() == 0; }));
  env_.OnUi(nullptr);
  EXPECT_EQ(answer.count, 1);
  EXPECT_EQ(answer.result, 1);
  EXPECT_EQ(answer.Folder(), folder);
  EXPECT_EQ(answer.thread, ui_thread_);
  EXPECT_FALSE(IsWindow(picker));
}

// Two pickers at once, each on its own thread; each answers and goes by
// itself. A cancelled one answers (0, "").
TEST_F(FolderDialogTest, TwoPickersAnswerEachForItself) {
  PickerAnswer first;
  PickerAnswer second;
  ASSERT_TRUE(Open(L"First picker", &first));
  ASSERT_TRUE(Open(L"Second picker", &second));
  const HWND first_picker = WaitForPicker(L"First picker");
  const HWND second_picker = WaitForPicker(L"Second picker");
  ASSERT_NE(first_picker, nullptr);
  ASSERT_NE(second_picker, nullptr);
  EXPECT_NE(GetWindowThreadProcessId(first_picker, nullptr),
            GetWindowThreadProcessId(second_picker, nullptr));
  EXPECT_EQ(manager_->RunnerCount(), 2u);

  PostMessageW(second_picker, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(WaitFor([&] { return manager_->RunnerCount() == 1; }));
  env_.OnUi(nullptr);
  EXPECT_EQ(second.count, 1);
  EXPECT_EQ(second.result, 0);
  EXPECT_TRUE(second.Folder().empty());
  EXPECT_EQ(first.count, 0);
  EXPECT_TRUE(IsWindow(first_picker));

  ASSERT_TRUE(test_support::SelectInPicker(first_picker, L"C:\\"));
  PostMessageW(first_picker, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitFor([&] { return manager_->RunnerCount() == 0; }));
  env_.OnUi(nullptr);
  EXPECT_EQ(first.count, 1);
  EXPECT_EQ(first.result, 1);
  EXPECT_EQ(first.Folder(), L"C:\\");
  EXPECT_EQ(second.count, 1);
}

// At exit an open picker is ended: its thread is joined and it answers as
// cancelled.
TEST_F(FolderDialogTest, EndingTheRunnersEndsAnOpenPicker) {
  PickerAnswer answer;
  ASSERT_TRUE(Open(L"Picker at exit", &answer));
  const HWND picker = WaitForPicker(L"Picker at exit");
  ASSERT_NE(picker, nullptr);
  manager_->CancelAllRunners();
  EXPECT_EQ(manager_->RunnerCount(), 0u);
  EXPECT_FALSE(IsWindow(picker));
  ASSERT_TRUE(WaitFor([&] { return answer.count > 0; }));
  env_.OnUi(nullptr);
  EXPECT_EQ(answer.count, 1);
  EXPECT_EQ(answer.result, 0);
  EXPECT_TRUE(answer.Folder().empty());
}

}  // namespace
