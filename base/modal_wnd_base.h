#pragma once

namespace qoz_comp {

// A dialog that runs its own blocking modal loop (the shell's folder browser).
// AsyncModalRunnerManager runs it on a thread of its own; the dialog hands its
// answer to the user-interface thread as a posted task.
class ModalWndBase {
 public:
  virtual ~ModalWndBase() = default;
  // The blocking modal loop; returns when the dialog is closed or its thread
  // receives WM_QUIT.
  virtual void Run() = 0;
};

}  // namespace qoz_comp
