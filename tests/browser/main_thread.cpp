#include "tests/browser/main_thread.h"

#include <memory>

#include "base/scoped_handle.h"
#include "base/thread_registry.h"

namespace test_support {

void MainThread::Init() { qbase::ThreadRegistry::RegisterThread(qbase::kMainThreadId); }

void MainThread::Cleanup() { qbase::ThreadRegistry::UnregisterThread(); }

bool MainThread::RunAndWait(const std::function<void()>& task) {
  auto done = std::make_shared<qbase::ScopedHandle>(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!qbase::ThreadRegistry::PostTask(qbase::kMainThreadId, [task, done] {
        task();
        SetEvent(done->Get());
      })) {
    return false;
  }
  return WaitForSingleObject(done->Get(), 60000) == WAIT_OBJECT_0;
}

}  // namespace test_support
