#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "launcher/update/update_state.h"
#include "launcher/update/update_world.h"

// The first state of every pass: stops a running pre-download, makes the
// pass's local version map ready (loaded, or queued to be rebuilt by hashing
// the files on disk), and asks the directory service where the content lives.
// Its first update hashes what was queued and moves on: to the version check
// when the reply carried the remote map, to the remote map request otherwise;
// a failed game pass ends in the error state, a failed launcher pass silently
// in the ready state.
class PrepareState : public UpdateState {
 public:
  // `world` (not owned) outlives every state.
  explicit PrepareState(UpdateMode mode, UpdateWorld* world);

  StateId GetId() const override { return StateId::Prepare; }
  void Enter(State* previous) override;
  void Update() override;
  void Exit(State* next) override;
  void OnRequestDone(int32_t result, std::string url, const char* data, int32_t size,
                     std::string error) override;

  int32_t hashTotal() const { return hash_total_; }
  bool remoteMapEmbedded() const { return remote_map_embedded_; }

 private:
  void PrepareLauncherFiles();
  void PrepareGameFiles();
  void ParseLauncherDirectoryReply(int32_t result, const std::string& reply);
  void ParseGameDirectoryReply(int32_t result, const std::string& url, const std::string& reply,
                               const std::string& error);
  // Keeps a long reply out of the dialog: it is saved to
  // "exception\response.txt" and the detail names that file.
  void SetReplyAsDetail(const std::string& reply);
  void QueueHashes(const std::string& base, const std::vector<std::string>& paths);

  std::string local_map_key_;
  std::string remote_map_key_;
  std::wstring local_map_path_;
  std::wstring tmp_map_path_;
  std::string hash_base_;  // ANSI code page
  bool remote_map_embedded_ = false;
  int32_t hash_total_ = 0;
  std::vector<std::string> pending_hashes_;
};
