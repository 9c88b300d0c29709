#include "browser/delegate_slot.h"

namespace qoz_comp {

DelegateSlot::DelegateSlot() : idle_(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

void DelegateSlot::Attach(HandlerDelegate* delegate) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    delegate_ = delegate;
    if (delegate != nullptr || running_calls_ == 0) return;
  }
  // A running call may wait on a message it sent to this thread.
  HANDLE idle = idle_.Get();
  for (;;) {
    const DWORD woken = MsgWaitForMultipleObjects(1, &idle, FALSE, INFINITE, QS_SENDMESSAGE);
    if (woken != WAIT_OBJECT_0 + 1) {
      std::lock_guard<std::mutex> hold(lock_);
      if (running_calls_ == 0) return;
      continue;
    }
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

HandlerDelegate* DelegateSlot::attached() {
  std::lock_guard<std::mutex> hold(lock_);
  return delegate_;
}

bool DelegateSlot::Call(const std::function<void(HandlerDelegate*)>& call) {
  HandlerDelegate* delegate = nullptr;
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (delegate_ == nullptr) return false;
    delegate = delegate_;
    if (running_calls_++ == 0) ResetEvent(idle_.Get());
  }
  call(delegate);
  std::lock_guard<std::mutex> hold(lock_);
  if (--running_calls_ == 0) SetEvent(idle_.Get());
  return true;
}

}  // namespace qoz_comp
