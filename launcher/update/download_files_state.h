#pragma once

#include <cstdint>
#include <string>

#include "launcher/update/update_state.h"
#include "launcher/update/update_world.h"

// Fetches every file of the pass's update map into ".\update": a patch where
// the patch map offers one, else the whole file. The game pass first probes
// the content hosts for the game executable's ".patch" to learn which patch
// suffix they use, and takes over what a pre-download of the same version
// already holds. Once every queued transfer has reported, the pass moves on to
// the apply stage; a failure ends a game pass in the error state and a
// launcher pass silently in the ready state.
class DownloadFilesState : public UpdateState {
 public:
  // `world` (not owned) outlives every state.
  DownloadFilesState(UpdateMode mode, UpdateWorld* world);

  StateId GetId() const override { return StateId::DownloadFiles; }
  void Enter(State* previous) override;
  void Update() override;
  void Exit(State* next) override;
  void OnFileDownloaded(int32_t result, std::string url, std::string message) override;
  void OnProbeDone(int32_t result, std::string url, bool exists, std::string error) override;

  // Queues everything; the game pass calls it once its probe has answered.
  void StartDownloads();

  // Takes over the pre-downloaded file of `md5` in `folder` as `name` below
  // `update_folder`: a complete one is copied and kept only when its MD5
  // checks out, a partial one is moved there with its resume file so that
  // its download resumes. True means the file is in place and need not be
  // downloaded.
  static bool AdoptPreDownloadedFile(const std::string& folder, const std::string& update_folder,
                                     const std::string& name, const std::string& md5);

  int32_t queuedCount() const { return queued_count_; }
  int32_t doneCount() const { return done_count_; }

 private:
  int32_t queued_count_ = 0;
  int32_t done_count_ = 0;
  bool probe_answered_ = false;
};
