#include "base/async_modal_runner_manager.h"

#include <algorithm>
#include <utility>

#include "base/thread_registry.h"

namespace qoz_comp {

AsyncModalRunnerManager* AsyncModalRunnerManager::GetInstance() {
  static AsyncModalRunnerManager manager;
  return &manager;
}

AsyncModalRunnerManager::AsyncModalRunnerManager() {
  // Made here: runner threads bind to it while the user-interface thread runs.
  GetWeakFlag();
}

AsyncModalRunnerManager::~AsyncModalRunnerManager() { CancelAllRunners(); }

bool AsyncModalRunnerManager::DoModal(std::unique_ptr<ModalWndBase> dialog) {
  if (!dialog) return false;
  auto runner = std::make_shared<AsyncModalRunner>(this);
  {
    qbase::AutoLock lock(lock_);
    runners_.push_back(runner);
  }
  if (runner->DoModal(std::move(dialog))) return true;
  RemoveRunner(runner.get());
  return false;
}

size_t AsyncModalRunnerManager::RunnerCount() {
  qbase::AutoLock lock(lock_);
  return runners_.size();
}

void AsyncModalRunnerManager::OnRunnerThreadExit(AsyncModalRunner* runner) {
  qbase::ThreadRegistry::PostTask(qbase::kMainThreadId,
                                  ToWeakCallback([this, runner] { RemoveRunner(runner); }));
}

void AsyncModalRunnerManager::RemoveRunner(AsyncModalRunner* runner) {
  std::shared_ptr<AsyncModalRunner> removed;
  {
    qbase::AutoLock lock(lock_);
    auto it = std::find_if(runners_.begin(), runners_.end(),
                           [runner](const auto& entry) { return entry.get() == runner; });
    if (it == runners_.end()) return;
    removed = std::move(*it);
    runners_.erase(it);
  }
  // Dropped outside the lock: destroying the runner joins its thread.
}

void AsyncModalRunnerManager::CancelAllRunners() {
  std::vector<std::shared_ptr<AsyncModalRunner>> runners;
  {
    qbase::AutoLock lock(lock_);
    runners.swap(runners_);
  }
  for (const auto& runner : runners) runner->CancelModalThenExit();
  for (const auto& runner : runners) runner->Close();
}

}  // namespace qoz_comp
