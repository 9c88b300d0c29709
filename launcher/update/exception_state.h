#pragma once

#include <cstdint>
#include <string>

#include "launcher/update/update_state.h"
#include "launcher/update/update_world.h"

// Where a failed game pass ends: shows the update error dialog, whose retry
// starts a new game pass, and waits. The version check also parks the machine
// here, without a dialog, while its disk-space question is open.
class ExceptionState : public UpdateState {
 public:
  ExceptionState(int32_t error_code, std::string error_message, std::string error_detail,
                 bool show_dialog, UpdateWorld* world);

  StateId GetId() const override { return StateId::Exception; }
  void Enter(State* previous) override;
  void Update() override {}
  void Exit(State* /*next*/) override {}

  bool showDialog() const { return show_dialog_; }

 private:
  const bool show_dialog_;
};
