#pragma once

#include <cstdint>
#include <string>

#include "launcher/core/state.h"
#include "launcher/update/update_world.h"

// Fetches the pass's remote version map from the content hosts when the
// directory reply did not carry it, keeps a copy beside the local map, records
// the versions it announces and hands the pass to the version check. Failures
// end the pass like the first state's.
class RequestRemoteState : public State {
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
  UpdateWorld* world_;
  std::string remote_map_key_;
  std::wstring tmp_map_path_;
};
