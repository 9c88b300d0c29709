#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "launcher/update/context_update_world.h"
#include "tests/launcher/update/pass_worker.h"

namespace pass_test {

// The launcher's world as it is, recording where each pass stopped: at the
// error state or at the ready state.
class StopRecordingWorld : public ContextUpdateWorld {
 public:
  struct Stop {
    StateId id = StateId::None;
    std::string error;
  };

  void ChangeState(std::unique_ptr<State> next) override {
    const StateId id = next ? next->GetId() : StateId::None;
    const std::string error = next ? next->errorMessage + next->errorDetail : "";
    ContextUpdateWorld::ChangeState(std::move(next));
    if (id != StateId::Exception && id != StateId::EnterGame) return;
    std::lock_guard<std::mutex> lock(mutex_);
    stops_.push_back({id, error});
    changed_.notify_all();
  }

  // Waits for the next stop; false after a generous time.
  bool AwaitStop(Stop* stop) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!changed_.wait_for(lock, std::chrono::seconds(300), [this] { return !stops_.empty(); })) {
      return false;
    }
    *stop = stops_.front();
    stops_.clear();
    return true;
  }

  // Runs a pass of `mode` to its stop (see StartPass).
  Stop RunPass(UpdateMode mode, bool start_game = false) {
    StartPass(this, mode, start_game);
    Stop stop;
    EXPECT_TRUE(AwaitStop(&stop));
    return stop;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Stop> stops_;
};

}  // namespace pass_test
