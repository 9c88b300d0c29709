#include "launcher/core/launcher_context.h"

#include <windows.h>

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "base/thread_registry.h"
#include "launcher/core/window_messages.h"
#include "tests/launcher/core/thread_test_support.h"

// These tests look at every top-level window of the Wine desktop, so they run
// alone among the tests that show game windows.
namespace {

using test_support::HungWindowThread;
using test_support::ReceivedMessage;
using test_support::RecordingWindow;
using test_support::RunOnThread;

constexpr wchar_t kGameProperty[] = L"_QEL_GAME_TW";

// Game windows live on the UI thread here, which takes their messages while
// the worker sends.
class GameWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ui_thread_.Start(qbase::MessageLoop::Type::kUI));
    ASSERT_TRUE(worker_.Start());
  }
  void TearDown() override {
    RunOnThread(qbase::kMainThreadId, [this] { windows_.clear(); });
    worker_.Stop();
    ui_thread_.Stop();
  }

  RecordingWindow* MakeWindow(const wchar_t* class_name = L"LauncherCoreTestWindow") {
    EXPECT_TRUE(RunOnThread(qbase::kMainThreadId, [this, class_name] {
      windows_.push_back(std::make_unique<RecordingWindow>(class_name));
    }));
    return windows_.back().get();
  }
  void Destroy(RecordingWindow* window) {
    ASSERT_TRUE(RunOnThread(qbase::kMainThreadId, [this, window] {
      for (auto& owned : windows_) {
        if (owned.get() == window) owned.reset();
      }
    }));
  }
  // Sends from the worker and waits until it is done.
  void Send(UINT message, WPARAM wparam, LPARAM lparam) {
    context_.SendToGameWindows(message, wparam, lparam);
    ASSERT_TRUE(RunOnThread(qbase::kMiscThreadId, nullptr));
  }

  test_support::RegisteredThread ui_thread_{"UiThread", qbase::kMainThreadId};
  test_support::RegisteredThread worker_{"Worker", qbase::kMiscThreadId};
  std::vector<std::unique_ptr<RecordingWindow>> windows_;
  LauncherContext context_;
};

TEST_F(GameWindowsTest, RegisteredWindowsGetTheMessageInOrderAndDeadOnesStayListed) {
  RecordingWindow* first = MakeWindow();
  RecordingWindow* gone = MakeWindow();
  RecordingWindow* last = MakeWindow();
  context_.RegisterGameWindow(first->handle());
  context_.RegisterGameWindow(gone->handle());
  context_.RegisterGameWindow(last->handle());
  const HWND gone_handle = gone->handle();
  Destroy(gone);

  Send(WM_GAME_PREDOWNLOAD_STATE, 0, 3);
  const std::vector<ReceivedMessage> to_first = first->received();
  const std::vector<ReceivedMessage> to_last = last->received();
  ASSERT_EQ(to_first.size(), 1u);
  ASSERT_EQ(to_last.size(), 1u);
  EXPECT_EQ(to_first[0].message, WM_GAME_PREDOWNLOAD_STATE);
  EXPECT_EQ(to_first[0].lparam, 3);
  EXPECT_LT(to_first[0].sequence, to_last[0].sequence);
  EXPECT_EQ(context_.GetGameWindows(),
            (std::vector<HWND>{first->handle(), gone_handle, last->handle()}));

  // Registering drops what is no longer a window, and a listed one is not
  // listed twice.
  context_.RegisterGameWindow(first->handle());
  EXPECT_EQ(context_.GetGameWindows(), (std::vector<HWND>{first->handle(), last->handle()}));
}

TEST_F(GameWindowsTest, HungGameWindowDoesNotStallTheWorker) {
  HungWindowThread hung;
  ASSERT_NE(hung.handle(), nullptr);
  RecordingWindow* answering = MakeWindow();
  context_.RegisterGameWindow(hung.handle());
  context_.RegisterGameWindow(answering->handle());

  Send(WM_GAME_PING, 0, 0);
  Send(WM_GAME_PROGRESS, 1, 2);
  const std::vector<ReceivedMessage> received = answering->received();
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[1].message, WM_GAME_PROGRESS);
}

TEST_F(GameWindowsTest, EmptyListFindsTheMarkedWindowsElseTheUnityWindow) {
  RecordingWindow* marked = MakeWindow();
  RecordingWindow* wrongly_marked = MakeWindow();
  RecordingWindow* unity = MakeWindow(L"UnityWndClass");
  ASSERT_TRUE(RunOnThread(qbase::kMainThreadId, [&] {
    SetPropW(marked->handle(), kGameProperty, marked->handle());
    SetPropW(wrongly_marked->handle(), kGameProperty, unity->handle());
  }));

  Send(WM_GAME_SPEED, 5, 6);
  EXPECT_EQ(context_.GetGameWindows(), (std::vector<HWND>{marked->handle()}));
  EXPECT_EQ(marked->received().size(), 1u);
  EXPECT_TRUE(wrongly_marked->received().empty());
  EXPECT_TRUE(unity->received().empty());

  // With no marked window left, the one window of the game's class.
  ASSERT_TRUE(
      RunOnThread(qbase::kMainThreadId, [&] { RemovePropW(marked->handle(), kGameProperty); }));
  context_.CollectGameWindows();
  ASSERT_TRUE(context_.GetGameWindows().empty());
  Send(WM_GAME_SPEED, 7, 8);
  ASSERT_EQ(unity->received().size(), 1u);
  EXPECT_EQ(unity->received()[0].wparam, 7u);
  EXPECT_EQ(marked->received().size(), 1u);

  // No game at all: nothing to send to.
  Destroy(unity);
  Send(WM_GAME_SPEED, 9, 9);
  EXPECT_EQ(marked->received().size(), 1u);
  EXPECT_TRUE(wrongly_marked->received().empty());
}

}  // namespace
