#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "launcher/core/apply_list.h"
#include "launcher/update/update_state.h"
#include "launcher/update/update_world.h"

// Puts the files the downloads left in ".\update" in place. The launcher pass
// patches or copies its own files at once and leaves its executable, the
// browser runtime's files and the fonts for the self-update; the game pass
// patches or moves the game's files into the game folder in slices of about a
// second per tick, records each applied name in ".\update\apply_list.txt" so
// that an interrupted update resumes, and at the end makes the new version
// map current.
//
// A patch's output is installed only when it has the MD5 of the update map.
// A patch that fails or builds other bytes (the installed file was not the
// one the patch was made from) is dropped and the whole file downloaded in
// its place; the name fails only when that download fails too.
class ApplyUpdateState : public UpdateState {
 public:
  // The code a failure text carries for a failed in-memory patch, and for a
  // patch whose output did not have the expected MD5.
  static constexpr int kInMemoryPatchFailed = 10000;
  static constexpr int kPatchOutputMismatch = 10001;
  // A game slice ends at the first name after this long.
  static constexpr int64_t kSliceMilliseconds = 1000;

  // `world` (not owned) outlives every state.
  ApplyUpdateState(UpdateMode mode, UpdateWorld* world);

  StateId GetId() const override { return StateId::ApplyUpdate; }
  void Enter(State* previous) override;
  void Update() override;
  void Exit(State* next) override;
  // The whole files fetched in place of failed patches.
  void OnFileDownloaded(int32_t result, std::string url, std::string message) override;

  // The whole launcher apply, from Enter; ends with the status set unless
  // whole files are still being fetched for failed patches.
  void ApplyLauncherUpdate();
  // One slice of the game apply, from Update while the status is 0.
  void ApplyGameStep();

  int32_t totalCount() const { return total_count_; }
  const std::deque<std::string>& pendingNames() const { return pending_names_; }
  const std::vector<std::string>& failedNames() const { return failed_names_; }
  const ApplyList& applyList() const { return apply_list_; }

 private:
  struct PatchTry {
    bool ok = false;
    int code = 0;  // for the failure text
  };

  bool PatchesUsable() const;
  // Applies the patch and keeps its output at `new_path` only when it has `md5`.
  PatchTry ApplyVerifiedPatch(const std::string& old_path, const std::string& new_path,
                              const std::string& patch_path, const std::string& md5) const;
  // Drops the patch and downloads the whole file instead; false when that
  // cannot be done (the launcher is exiting, or the name is not in the map).
  bool FetchWholeFile(const std::string& name, const std::string& patch_path, int code);

  void ApplyLauncherFile(const std::string& name);
  void FinishLauncherUpdate();
  void ApplyGameFile(const std::string& name);
  void FinishGameUpdate();

  int32_t total_count_ = 0;
  std::deque<std::string> pending_names_;
  std::vector<std::string> failed_names_;
  ApplyList apply_list_;
  // Applied names whose patch files go once the apply list records them.
  std::vector<std::string> patch_cleanup_;
  // Names downloading whole, with the code of the patch that failed.
  std::map<std::string, int> fetching_whole_;
  // Names applied without their patch from now on.
  std::set<std::string> whole_names_;

  // The launcher apply's lists, kept until the last whole file has come.
  std::vector<std::string> cef_files_;
  std::vector<std::string> font_files_;
  std::vector<std::string> applied_patches_;
  std::string error_text_;
  bool applying_launcher_files_ = false;
};
