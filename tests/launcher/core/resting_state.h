#pragma once

#include "launcher/core/state.h"

namespace test_support {

// A state that stands still where a later stage would run, so a test can stop
// the machine there and look.
class RestingState : public State {
 public:
  explicit RestingState(StateId id, UpdateMode mode = UpdateMode::Game) : State(mode), id_(id) {}
  StateId GetId() const override { return id_; }
  void Enter(State*) override {}
  void Update() override {}
  void Exit(State*) override {}

 private:
  StateId id_;
};

}  // namespace test_support
