#include "base/win_io_message_pump.h"

namespace qbase {

WinIOMessagePump::WinIOMessagePump()
    : port_(CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1)) {}

void WinIOMessagePump::ScheduleWork() {
  if (InterlockedExchange(&have_work_, 1) != 0) return;
  if (!PostQueuedCompletionStatus(port_.Get(), 0, reinterpret_cast<ULONG_PTR>(this),
                                  reinterpret_cast<OVERLAPPED*>(this))) {
    InterlockedExchange(&have_work_, 0);
  }
}

bool WinIOMessagePump::RegisterIOHandler(HANDLE file, IOHandler* handler) {
  return CreateIoCompletionPort(file, port_.Get(), reinterpret_cast<ULONG_PTR>(handler), 1) ==
         port_.Get();
}

void WinIOMessagePump::DoRunLoop() {
  bool more_work = state_->delegate->DoWork();
  if (state_->should_quit) return;
  for (;;) {
    more_work |= WaitForIOCompletion(0);
    if (state_->should_quit) break;
    more_work |= state_->delegate->DoDelayedWork(&delayed_work_time_);
    if (state_->should_quit) break;
    if (!more_work) {
      more_work = state_->delegate->DoIdleWork();
      if (state_->should_quit) break;
      if (!more_work) WaitForIOCompletion(WaitMillisecondsFromDelay(GetCurrentDelay()));
    }
    more_work = state_->delegate->DoWork();
    if (state_->should_quit) break;
  }
}

bool WinIOMessagePump::WaitForIOCompletion(DWORD timeout) {
  DWORD bytes = 0;
  ULONG_PTR key = 0;
  OVERLAPPED* overlapped = nullptr;
  DWORD error = ERROR_SUCCESS;
  if (!GetQueuedCompletionStatus(port_.Get(), &bytes, &key, &overlapped, timeout)) {
    if (overlapped == nullptr) return false;  // Timed out.
    error = GetLastError();
    bytes = 0;
  }
  if (key == reinterpret_cast<ULONG_PTR>(this) &&
      overlapped == reinterpret_cast<OVERLAPPED*>(this)) {
    InterlockedExchange(&have_work_, 0);
    return true;
  }
  auto* context = reinterpret_cast<IOContext*>(overlapped);
  if (context->handler != nullptr) {
    reinterpret_cast<IOHandler*>(key)->OnIOCompleted(context, bytes, error);
  } else {
    delete context;  // Its handler has gone.
  }
  return true;
}

}  // namespace qbase
