#pragma once

#include <memory>
#include <string>
#include <vector>

#include "launcher/core/version_map.h"
#include "launcher/update/update_state.h"
#include "launcher/update/update_world.h"

// Compares the pass's local and remote version maps into its update map and
// decides what the pass does next. The game pass first drops the names an
// interrupted apply already installed and makes sure the drives have room; the
// launcher pass deletes a skin package the remote map no longer lists. With
// files to fetch the pass goes on to the patch list when patches are offered,
// else to the downloads; with nothing to fetch the remote map becomes the
// local one and the pass ends in the ready state, after a skin reload when the
// skin changed.
class CheckVersionState : public UpdateState {
 public:
  // `world` (not owned) outlives every state.
  CheckVersionState(UpdateMode mode, UpdateWorld* world);

  StateId GetId() const override { return StateId::CheckVersion; }
  void Enter(State* previous) override;
  void Update() override;
  void Exit(State* next) override;

  const std::vector<std::string>& deleteList() const { return delete_list_; }

  // The patch rule: the patch list when patches are offered and the installed
  // `version` is known, else the downloads at once.
  static std::unique_ptr<State> NextForUpdate(const std::string& version, UpdateMode mode,
                                              UpdateWorld* world);

 private:
  void ResumeInterruptedApply(VersionMap* update_map);
  void RemoveDroppedSkin();
  void FinishWithNothingToFetch();

  std::string local_map_key_;
  std::string remote_map_key_;
  std::string update_map_key_;
  std::wstring tmp_map_path_;
  std::wstring local_map_path_;
  std::vector<std::string> delete_list_;
};
