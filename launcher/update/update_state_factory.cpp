#include "launcher/update/update_state_factory.h"

#include "launcher/update/pre_download_state.h"
#include "launcher/update/prepare_state.h"

std::unique_ptr<State> UpdateStateFactory::CreatePrepareState(UpdateMode mode) {
  return std::make_unique<PrepareState>(mode, world_);
}

std::unique_ptr<State> UpdateStateFactory::CreatePreDownloadState() {
  return std::make_unique<PreDownloadState>(world_);
}
