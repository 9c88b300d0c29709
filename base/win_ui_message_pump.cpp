#include "base/win_ui_message_pump.h"

namespace qbase {

UINT TimerDelayFromDelay(int64_t delay_ms) {
  if (delay_ms < kMinTimerDelayMs) return static_cast<UINT>(kMinTimerDelayMs);
  if (delay_ms > kMaxTimerDelayMs) return static_cast<UINT>(kMaxTimerDelayMs);
  return static_cast<UINT>(delay_ms);
}

WinUIMessagePump::WinUIMessagePump() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = &WinUIMessagePump::WindowProc;
  window_class.hInstance = instance;
  window_class.lpszClassName = kMessagePumpWindowClass;
  // Every user-interface pump registers the class; one already registered is fine.
  RegisterClassExW(&window_class);
  message_window_ = CreateWindowExW(0, kMessagePumpWindowClass, nullptr, 0, 0, 0, 0, 0,
                                    HWND_MESSAGE, nullptr, instance, nullptr);
  SetWindowLongPtrW(message_window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

WinUIMessagePump::~WinUIMessagePump() {
  DestroyWindow(message_window_);
  UnregisterClassW(kMessagePumpWindowClass, GetModuleHandleW(nullptr));
}

void WinUIMessagePump::ScheduleWork() {
  if (InterlockedExchange(&have_work_, 1) != 0) return;  // A wake-up is outstanding.
  if (!PostMessageW(message_window_, kPumpHaveWorkMessage, reinterpret_cast<WPARAM>(this), 0)) {
    // The queue refused it: let the next post try again.
    InterlockedExchange(&have_work_, 0);
  }
}

void WinUIMessagePump::ScheduleDelayedWork(int64_t run_time) {
  delayed_work_time_ = run_time;
  SetTimer(message_window_, reinterpret_cast<UINT_PTR>(this),
           TimerDelayFromDelay(GetCurrentDelay()), nullptr);
}

LRESULT CALLBACK WinUIMessagePump::WindowProc(HWND window, UINT message, WPARAM wparam,
                                              LPARAM lparam) {
  auto* pump = reinterpret_cast<WinUIMessagePump*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (pump != nullptr) {
    if (message == kPumpHaveWorkMessage) {
      pump->HandleWorkMessage();
    } else if (message == WM_TIMER) {
      pump->HandleTimerMessage();
    }
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// Reached only when a loop other than ours dispatched the wake-up (a native
// modal loop); keeps tasks running there.
void WinUIMessagePump::HandleWorkMessage() {
  if (state_ == nullptr) {
    InterlockedExchange(&have_work_, 0);
    return;
  }
  ProcessPumpReplacementMessage();
  if (state_->delegate->DoWork()) ScheduleWork();
}

void WinUIMessagePump::HandleTimerMessage() {
  KillTimer(message_window_, reinterpret_cast<UINT_PTR>(this));
  if (state_ == nullptr) return;
  state_->delegate->DoDelayedWork(&delayed_work_time_);
  if (delayed_work_time_ != 0) ScheduleDelayedWork(delayed_work_time_);
}

void WinUIMessagePump::DoRunLoop() {
  for (;;) {
    bool more_work = ProcessNextWindowsMessage();
    if (state_->should_quit) break;
    more_work |= state_->delegate->DoWork();
    if (state_->should_quit) break;
    more_work |= state_->delegate->DoDelayedWork(&delayed_work_time_);
    if (more_work && delayed_work_time_ == 0) {
      KillTimer(message_window_, reinterpret_cast<UINT_PTR>(this));
    }
    if (state_->should_quit) break;
    if (more_work) continue;
    more_work = state_->delegate->DoIdleWork();
    if (state_->should_quit) break;
    if (more_work) continue;
    WaitForWork();
  }
}

void WinUIMessagePump::WaitForWork() {
  const DWORD delay = WaitMillisecondsFromDelay(GetCurrentDelay());
  const DWORD result =
      MsgWaitForMultipleObjectsEx(0, nullptr, delay, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  if (result == WAIT_OBJECT_0) {
    // Mouse input that is only a pending state change, with no message to
    // take, would make the wait return at once for ever.
    MSG message;
    const DWORD status = GetQueueStatus(QS_MOUSE);
    if ((HIWORD(status) & QS_MOUSE) != 0 &&
        !PeekMessageW(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE)) {
      WaitMessage();
    }
  }
}

bool WinUIMessagePump::ProcessNextWindowsMessage() {
  const DWORD status = GetQueueStatus(QS_SENDMESSAGE);
  const bool sent_messages_waiting = (HIWORD(status) & QS_SENDMESSAGE) != 0;
  MSG message;
  if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return ProcessMessageHelper(message);
  return sent_messages_waiting;
}

bool WinUIMessagePump::ProcessMessageHelper(const MSG& message) {
  if (message.message == WM_QUIT) {
    // Leave the quit queued so an enclosing loop ends too.
    state_->should_quit = true;
    PostQuitMessage(static_cast<int>(message.wParam));
    return false;
  }
  if (message.message == kPumpHaveWorkMessage && message.hwnd == message_window_) {
    return ProcessPumpReplacementMessage();
  }
  if (CallMsgFilterW(const_cast<MSG*>(&message), kPumpMsgFilterCode)) return true;

  WillProcessMessage(message);
  if (state_->dispatcher != nullptr) {
    if (!state_->dispatcher->Dispatch(message)) state_->should_quit = true;
  } else {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  DidProcessMessage(message);
  return true;
}

// A wake-up was taken off the queue. Process one other message in its place
// and queue a new wake-up behind it, so a stream of posted tasks cannot starve
// the window messages.
bool WinUIMessagePump::ProcessPumpReplacementMessage() {
  MSG message;
  const bool have_message = PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != 0;
  InterlockedExchange(&have_work_, 0);
  if (!have_message) return false;
  ScheduleWork();
  return ProcessMessageHelper(message);
}

}  // namespace qbase
