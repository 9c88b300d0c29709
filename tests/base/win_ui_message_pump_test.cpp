#include "base/win_ui_message_pump.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/message_loop.h"
#include "base/message_loop_proxy.h"
#include "base/scoped_handle.h"

namespace qbase {
namespace {

// A message-only window whose procedure the test supplies.
class TestWindow {
 public:
  using Handler = std::function<void(UINT message, WPARAM wparam)>;

  explicit TestWindow(Handler handler) : handler_(std::move(handler)) {
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = &TestWindow::Proc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"PumpTestWindow";
    RegisterClassExW(&window_class);
    window_ = CreateWindowExW(0, L"PumpTestWindow", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~TestWindow() { DestroyWindow(window_); }

  HWND hwnd() const { return window_; }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr && message >= WM_APP) self->handler_(message, wparam);
    return DefWindowProcW(window, message, wparam, lparam);
  }

  Handler handler_;
  HWND window_ = nullptr;
};

void QuitLoop() { MessageLoop::current()->Quit(); }

TEST(WinUIMessagePumpTest, TimerDelaysAreClamped) {
  const struct {
    int64_t delay_ms;
    UINT timer_ms;
  } cases[] = {
      {-1, 10}, {0, 10},  {3, 10},
      {10, 10}, {11, 11}, {100 * 24 * 3600 * int64_t{1000}, 0xFFFFFFFEu},
  };
  for (const auto& test_case : cases) {
    EXPECT_EQ(test_case.timer_ms, TimerDelayFromDelay(test_case.delay_ms)) << test_case.delay_ms;
  }
  EXPECT_EQ(-1, DelayUntil(0, 5000));
  EXPECT_EQ(0, DelayUntil(4000, 5000));
  EXPECT_EQ(3, DelayUntil(7001, 5000));
  EXPECT_EQ(INFINITE, WaitMillisecondsFromDelay(-1));
  EXPECT_EQ(0xFFFFFFFEu, WaitMillisecondsFromDelay(int64_t{1} << 40));
}

TEST(WinUIMessagePumpTest, ManyCrossThreadPostsQueueOneWakeUp) {
  UIMessageLoop loop;
  std::shared_ptr<MessageLoopProxy> proxy = loop.message_loop_proxy();
  int ran = 0;
  std::thread poster([proxy, &ran] {
    for (int i = 0; i < 200; ++i) proxy->PostTask([&ran] { ++ran; });
  });
  poster.join();

  MSG wake_up = {};
  int wake_ups = 0;
  MSG message;
  while (PeekMessageW(&message, nullptr, kPumpHaveWorkMessage, kPumpHaveWorkMessage, PM_REMOVE)) {
    wake_up = message;
    ++wake_ups;
  }
  ASSERT_EQ(1, wake_ups);
  // Put the one wake-up back and let the loop drain the tasks.
  PostMessageW(wake_up.hwnd, wake_up.message, wake_up.wParam, wake_up.lParam);
  proxy->PostTask(QuitLoop);
  loop.Run();
  EXPECT_EQ(200, ran);
}

TEST(WinUIMessagePumpTest, TasksKeepRunningInsideANativeModalLoop) {
  UIMessageLoop loop;
  std::shared_ptr<MessageLoopProxy> proxy = loop.message_loop_proxy();
  const std::wstring title = L"Modal pump test " + std::to_wstring(GetCurrentProcessId());
  bool in_modal_loop = false;
  std::vector<std::string> log;
  ScopedHandle both_ran(CreateEventW(nullptr, TRUE, FALSE, nullptr));

  TestWindow window([&](UINT message, WPARAM) {
    if (message != WM_APP) return;
    in_modal_loop = true;
    MessageBoxW(nullptr, L"waiting", title.c_str(), MB_OK);
    in_modal_loop = false;
    log.push_back("box closed");
    QuitLoop();
  });

  std::thread helper([&] {
    HWND box = nullptr;
    for (int i = 0; i < 500 && box == nullptr; ++i) {
      box = FindWindowW(nullptr, title.c_str());
      if (box == nullptr) Sleep(10);
    }
    if (box == nullptr) return;
    proxy->PostTask([&] { log.push_back(in_modal_loop ? "task in box" : "task outside"); });
    proxy->PostDelayedTask(
        [&] {
          log.push_back(in_modal_loop ? "delayed in box" : "delayed outside");
          SetEvent(both_ran.Get());
        },
        TimeDelta::FromMilliseconds(3));
    WaitForSingleObject(both_ran.Get(), 60000);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });

  PostMessageW(window.hwnd(), WM_APP, 0, 0);
  loop.Run();
  helper.join();
  EXPECT_EQ((std::vector<std::string>{"task in box", "delayed in box", "box closed"}), log);
}

TEST(WinUIMessagePumpTest, QuitMessageEndsTheInnerRunAndStaysQueuedForTheOuter) {
  UIMessageLoop loop;
  std::vector<std::string> log;
  TestWindow window([&](UINT message, WPARAM) {
    if (message != WM_APP) return;
    log.push_back("inner run");
    loop.Run();  // Nested: not inside a task, so tasks run at depth 2.
    log.push_back("inner ended");
  });
  PostMessageW(window.hwnd(), WM_APP, 0, 0);
  loop.PostTask([&] {
    log.push_back("task at depth " + std::to_string(loop.run_depth()));
    PostQuitMessage(7);
  });
  loop.Run();
  log.push_back("outer ended");
  EXPECT_EQ(
      (std::vector<std::string>{"inner run", "task at depth 2", "inner ended", "outer ended"}),
      log);
  MSG message;
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(7u, message.wParam);
}

TEST(WinUIMessagePumpTest, NonNestableTaskWaitsForTheOutermostRun) {
  UIMessageLoop loop;
  std::vector<std::string> log;
  TestWindow window([&](UINT message, WPARAM) {
    if (message != WM_APP) return;
    loop.PostNonNestableTask([&] { log.push_back("non-nestable"); });
    loop.PostTask([&] {
      log.push_back("nestable at depth " + std::to_string(loop.run_depth()));
      QuitLoop();  // Ends the inner run.
    });
    loop.Run();
    log.push_back("inner ended");
    loop.PostTask(QuitLoop);
  });
  PostMessageW(window.hwnd(), WM_APP, 0, 0);
  loop.Run();
  EXPECT_EQ((std::vector<std::string>{"nestable at depth 2", "inner ended", "non-nestable"}), log);
}

int g_claimed = 0;

LRESULT CALLBACK ClaimAppPlusOne(int code, WPARAM wparam, LPARAM lparam) {
  const MSG* message = reinterpret_cast<const MSG*>(lparam);
  if (code == kPumpMsgFilterCode && message->message == WM_APP + 1) {
    ++g_claimed;
    return 1;
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

TEST(WinUIMessagePumpTest, MessageClaimedByAFilterHookIsNotDispatched) {
  UIMessageLoop loop;
  std::vector<UINT> dispatched;
  TestWindow window([&](UINT message, WPARAM) {
    dispatched.push_back(message);
    if (message == WM_APP + 2) QuitLoop();
  });
  HHOOK hook = SetWindowsHookExW(WH_MSGFILTER, &ClaimAppPlusOne, nullptr, GetCurrentThreadId());
  ASSERT_NE(nullptr, hook);
  g_claimed = 0;
  PostMessageW(window.hwnd(), WM_APP + 1, 0, 0);
  PostMessageW(window.hwnd(), WM_APP + 2, 0, 0);
  loop.Run();
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(1, g_claimed);
  EXPECT_EQ(std::vector<UINT>{WM_APP + 2}, dispatched);
}

class RecordingDispatcher : public WinMessagePump::Dispatcher {
 public:
  bool Dispatch(const MSG& message) override {
    if (message.message >= WM_APP) seen.push_back(message.message);
    return message.message != WM_APP + 3;
  }
  std::vector<UINT> seen;
};

TEST(WinUIMessagePumpTest, DispatcherReplacesDispatchingAndCanEndTheRun) {
  UIMessageLoop loop;
  int window_calls = 0;
  TestWindow window([&](UINT, WPARAM) { ++window_calls; });
  RecordingDispatcher dispatcher;
  bool task_ran = false;
  loop.PostTask([&] { task_ran = true; });
  PostMessageW(window.hwnd(), WM_APP, 0, 0);
  PostMessageW(window.hwnd(), WM_APP + 3, 0, 0);
  loop.Run(&dispatcher);
  EXPECT_EQ((std::vector<UINT>{WM_APP, WM_APP + 3}), dispatcher.seen);
  EXPECT_EQ(0, window_calls);
  EXPECT_TRUE(task_ran);
}

TEST(WinUIMessagePumpTest, ADelayedTaskDueSoonRunsFromTheTimer) {
  UIMessageLoop loop;
  const TimeTicks start = TimeTicks::Now();
  TimeTicks ran;
  loop.PostDelayedTask(
      [&] {
        ran = TimeTicks::Now();
        QuitLoop();
      },
      TimeDelta::FromMilliseconds(3));
  // A far-off task arms the longest timer and is discarded with the loop.
  bool far_ran = false;
  loop.PostDelayedTask([&] { far_ran = true; }, TimeDelta::FromSeconds(100LL * 24 * 3600));
  loop.Run();
  EXPECT_GE((ran - start).ToMilliseconds(), 3);
  EXPECT_FALSE(far_ran);
}

}  // namespace
}  // namespace qbase
