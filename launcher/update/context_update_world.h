#pragma once

#include <functional>
#include <memory>

#include "launcher/update/update_world.h"

// The update states' world in the launcher: the process-wide LauncherContext,
// the DownloadManager and the framework threads.
class ContextUpdateWorld : public UpdateWorld {
 public:
  // The process's world, the one the states use unless given another.
  static ContextUpdateWorld* GetInstance();

  // The states after the download stage's entry. Until they are given, the
  // pass stops where it would enter them, with no current state.
  struct LaterStates {
    std::function<std::unique_ptr<State>(UpdateMode)> downloadFiles;
    std::function<std::unique_ptr<State>()> enterGame;
  };
  // Before the worker's first pass.
  void SetLaterStates(LaterStates states) { later_states_ = std::move(states); }

  void SendToMainWindow(UINT message, WPARAM wparam, LPARAM lparam) override;
  void SendToGameWindows(UINT message, WPARAM wparam, LPARAM lparam) override;
  void CollectGameWindows() override;
  void UseHosts(HostList hosts) override;
  void SetContentHosts(const std::vector<std::string>& hosts) override;
  void Request(const std::string& path, StateId tag) override;
  void LookUpPublicAddress() override;
  void StopPreDownloadTransfers() override;
  State* PreDownloadState() override;
  void EndPreDownloadState() override;
  void ChangeState(std::unique_ptr<State> next) override;
  std::unique_ptr<State> MakeDownloadFilesState(UpdateMode mode) override;
  std::unique_ptr<State> MakeEnterGameState() override;
  void PostToWorker(std::function<void()> task) override;
  bool CheckDiskSpaceForUpdate(DialogCallback answer) override;
  void ShowUpdateError(const UpdateErrorDialog& dialog) override;
  void ReloadSkin(std::function<void()> continuation) override;
  void StartGamePass() override;

 private:
  LaterStates later_states_;
};
