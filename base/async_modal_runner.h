#pragma once

#include <memory>

#include "base/modal_wnd_base.h"
#include "base/scoped_handle.h"
#include "base/thread.h"

namespace qoz_comp {

// Runs one modal dialog on a thread of its own. Held through shared pointers;
// destroying it ends the dialog's loop with WM_QUIT and joins the thread.
class AsyncModalRunner : public qbase::Thread {
 public:
  class Delegate {
   public:
    virtual ~Delegate() = default;
    // On the runner's thread, after the dialog's loop has returned.
    virtual void OnRunnerThreadExit(AsyncModalRunner* runner) = 0;
  };

  explicit AsyncModalRunner(Delegate* delegate);
  ~AsyncModalRunner() override;

  // Takes the dialog (deleting one handed over before), starts the thread and
  // waits until it has started. False when the thread could not be created.
  bool DoModal(std::unique_ptr<ModalWndBase> dialog);
  // Posts WM_QUIT to the dialog's thread once, when it runs.
  void CancelModalThenExit();

 protected:
  void Run() override;

 private:
  bool running_ = false;
  bool quit_posted_ = false;
  Delegate* delegate_;
  qbase::ScopedHandle started_event_;
  std::unique_ptr<ModalWndBase> dialog_;
};

}  // namespace qoz_comp
