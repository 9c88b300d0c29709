#pragma once

#include <memory>

#include "launcher/core/state_factory.h"
#include "launcher/update/update_world.h"

// The first state of the passes the context starts, over the launcher's world.
class UpdateStateFactory : public StateFactory {
 public:
  // `world` (not owned) outlives the factory and every state.
  explicit UpdateStateFactory(UpdateWorld* world) : world_(world) {}

  std::unique_ptr<State> CreatePrepareState(UpdateMode mode) override;
  std::unique_ptr<State> CreatePreDownloadState() override;

 private:
  UpdateWorld* world_;
};
