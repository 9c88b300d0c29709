#pragma once

#include <memory>
#include <vector>

#include "base/async_modal_runner.h"
#include "base/lock.h"
#include "base/modal_wnd_base.h"
#include "base/weak_callback.h"

namespace qoz_comp {

// Keeps every blocking modal dialog on a runner thread of its own, so the
// user-interface thread never blocks. A runner removes itself (through a task
// on thread 0) when its dialog's loop ends; dialogs still open when the
// manager goes away are ended with WM_QUIT and their threads joined.
class AsyncModalRunnerManager : public AsyncModalRunner::Delegate,
                                public qbase::SupportWeakCallback {
 public:
  static AsyncModalRunnerManager* GetInstance();

  AsyncModalRunnerManager();
  ~AsyncModalRunnerManager() override;
  AsyncModalRunnerManager(const AsyncModalRunnerManager&) = delete;
  AsyncModalRunnerManager& operator=(const AsyncModalRunnerManager&) = delete;

  // Takes ownership of the dialog and returns once its runner thread has
  // started; false for a null dialog or when the thread cannot be created.
  bool DoModal(std::unique_ptr<ModalWndBase> dialog);
  // Ends every open dialog and joins its thread.
  void CancelAllRunners();

  // The runners not yet removed.
  size_t RunnerCount();

 private:
  void OnRunnerThreadExit(AsyncModalRunner* runner) override;
  void RemoveRunner(AsyncModalRunner* runner);

  qbase::Lock lock_;
  std::vector<std::shared_ptr<AsyncModalRunner>> runners_;
};

}  // namespace qoz_comp
