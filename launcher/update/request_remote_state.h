#pragma once

#include <cstdint>
#include <string>

#include "launcher/update/update_state.h"
#include "launcher/update/update_world.h"

// Fetches the pass's remote version map from the content hosts when the
// directory reply did not carry it, keeps a copy beside the local map, records
// the versions it announces and hands the pass to the version check. Failures
// end the pass like the first state's.
class RequestRemoteState : public UpdateState {
 public:
  // `world` (not owned) outlives every state.
  RequestRemoteState(UpdateMode mode, UpdateWorld* world);

  StateId GetId() const override { return StateId::RequestRemote; }
  void Enter(State* previous) override;
  void Update() override;
  void Exit(State* /*next*/) override {}
  void OnRequestDone(int32_t result, std::string url, const char* data, int32_t size,
                     std::string error) override;

 private:
  std::string remote_map_key_;
  std::wstring tmp_map_path_;
};
