#pragma once

#include <functional>

#include "base/framework_thread.h"

namespace test_support {

// Thread 0 of a browser test: a UI loop registered as the launcher's main
// thread, where the handler's notifications run.
class MainThread : public qbase::FrameworkThread {
 public:
  MainThread() : FrameworkThread("MainThread") {}
  ~MainThread() override { Stop(); }

  // Runs `task` on the thread; false when the thread did not run it.
  bool RunAndWait(const std::function<void()>& task);

 protected:
  void Init() override;
  void Cleanup() override;
};

}  // namespace test_support
