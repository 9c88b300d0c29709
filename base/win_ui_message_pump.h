#pragma once

#include <windows.h>

#include <cstdint>

#include "base/win_message_pump.h"

namespace qbase {

// Wakes the user-interface pump; wParam is the pump, lParam 0.
constexpr UINT kPumpHaveWorkMessage = WM_USER + 1;
// Handed to CallMsgFilterW for every message before it is dispatched.
constexpr int kPumpMsgFilterCode = 0x5001;
// Bounds of the timer that drives delayed work.
constexpr int64_t kMinTimerDelayMs = 10;
constexpr int64_t kMaxTimerDelayMs = 0xFFFFFFFE;
constexpr wchar_t kMessagePumpWindowClass[] = L"QorvexaMessagePumpWindow";

// The timer delay for delayed work `delay_ms` away (-1 for none), clamped to
// [kMinTimerDelayMs, kMaxTimerDelayMs].
UINT TimerDelayFromDelay(int64_t delay_ms);

// The pump of the user-interface thread: the Windows message queue, with a
// message-only window whose procedure also runs tasks while a native modal
// loop (a message box, a window being moved) owns the thread.
class WinUIMessagePump : public WinMessagePump {
 public:
  WinUIMessagePump();
  ~WinUIMessagePump() override;
  WinUIMessagePump(const WinUIMessagePump&) = delete;
  WinUIMessagePump& operator=(const WinUIMessagePump&) = delete;

  void ScheduleWork() override;
  void ScheduleDelayedWork(int64_t run_time) override;

  HWND message_window() const { return message_window_; }

 protected:
  void DoRunLoop() override;
  // Observer notifications around each dispatched message.
  virtual void WillProcessMessage(const MSG&) {}
  virtual void DidProcessMessage(const MSG&) {}

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void HandleWorkMessage();
  void HandleTimerMessage();
  void WaitForWork();
  bool ProcessNextWindowsMessage();
  bool ProcessMessageHelper(const MSG& message);
  bool ProcessPumpReplacementMessage();

  HWND message_window_ = nullptr;
};

}  // namespace qbase
