#pragma once

#include <cstdint>
#include <string>

#include "launcher/update/update_state.h"
#include "launcher/update/update_world.h"

// Fetches the pass's patch list ("patch_list.txt" in the patch folder of the
// installed version) into its patch map, then hands the pass to the downloads.
// It never fails a pass: without a usable list whole files are fetched.
class RequestPatchState : public UpdateState {
 public:
  // `world` (not owned) outlives every state.
  RequestPatchState(UpdateMode mode, UpdateWorld* world);

  StateId GetId() const override { return StateId::RequestPatch; }
  void Enter(State* previous) override;
  void Update() override;
  void Exit(State* /*next*/) override {}
  void OnRequestDone(int32_t result, std::string url, const char* data, int32_t size,
                     std::string error) override;

 private:
  std::string patch_map_key_;
};
