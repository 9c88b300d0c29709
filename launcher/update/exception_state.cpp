#include "launcher/update/exception_state.h"

#include <utility>

#include "launcher/core/launcher_context.h"
#include "launcher/core/window_messages.h"
#include "launcher/update/update_error_dialog.h"

ExceptionState::ExceptionState(int32_t error_code, std::string error_message,
                               std::string error_detail, bool show_dialog, UpdateWorld* world)
    : UpdateState(world), show_dialog_(show_dialog) {
  errorCode = error_code;
  errorMessage = std::move(error_message);
  errorDetail = std::move(error_detail);
}

void ExceptionState::Enter(State* /*previous*/) {
  world_->SendToMainWindow(WM_STATE_CHANGED, 0, 0);
  LauncherContext::GetInstance()->errorShown = true;
  if (!show_dialog_) return;
  // The answer arrives on the UI thread after this state may be gone: the
  // retry captures only the world, which outlives every state.
  UpdateWorld* world = world_;
  ShowUpdateError(
      *this, L"STRING_CANCEL", L"STRING_ERROR_RETRY",
      [world](bool retry) {
        if (retry) world->StartGamePass();
      },
      world_);
}
