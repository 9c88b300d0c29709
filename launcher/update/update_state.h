#pragma once

#include "launcher/core/state.h"
#include "launcher/update/update_world.h"

// A state of the update engine: everything outside its own files and the
// context's data it reaches through its world.
class UpdateState : public State {
 protected:
  // `world` (not owned) outlives every state.
  explicit UpdateState(UpdateWorld* world) : world_(world) {}  // the game pass
  UpdateState(UpdateMode mode, UpdateWorld* world) : State(mode), world_(world) {}

  UpdateWorld* world_;
};
