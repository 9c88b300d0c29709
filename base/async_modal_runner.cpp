#include "base/async_modal_runner.h"

namespace qoz_comp {

AsyncModalRunner::AsyncModalRunner(Delegate* delegate)
    : delegate_(delegate), started_event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

AsyncModalRunner::~AsyncModalRunner() {
  CancelModalThenExit();
  // Joined before the dialog goes, so its loop never outlives it.
  Close();
  dialog_.reset();
}

bool AsyncModalRunner::DoModal(std::unique_ptr<ModalWndBase> dialog) {
  dialog_ = std::move(dialog);
  if (!Create()) return false;
  running_ = WaitForSingleObject(started_event_.Get(), INFINITE) == WAIT_OBJECT_0;
  return running_;
}

void AsyncModalRunner::CancelModalThenExit() {
  if (!running_ || quit_posted_) return;
  quit_posted_ = true;
  PostThreadMessageW(thread_id(), WM_QUIT, 0, 0);
}

void AsyncModalRunner::Run() {
  // Give the thread its message queue before anyone may post WM_QUIT to it.
  MSG message;
  PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  SetEvent(started_event_.Get());
  if (dialog_) dialog_->Run();
  delegate_->OnRunnerThreadExit(this);
}

}  // namespace qoz_comp
