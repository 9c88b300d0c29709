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
  const qbase::Clock& ReadyClock() override;
  void SendQueuedReport() override;
  void StartLauncherPass() override;
  void StartPreDownload() override;
  void StopPreDownload() override;
  void ShowMessageBox(const std::wstring& title_key, const std::wstring& content_key,
                      const std::wstring& first_caption_key, const std::wstring& second_caption_key,
                      DialogCallback callback) override;
  void RunSelfUpdate() override;
  bool Probe(const std::string& path, StateId tag) override;
  void DownloadFile(const std::string& url, const std::string& target, const std::string& md5,
                    int64_t size, StateId tag) override;
  void CancelTransfers(DownloadMode mode) override;
  void ResetTransferStatistics() override;
  void SetTransferTotal(int64_t bytes) override;
  int64_t TransferredBytes() override;
  void AddSpeedSample(double bytes_per_second) override;
  void ReportTransferStatistics(const std::string& action) override;
  void ReportDownloadSummary(const std::string& action_id, const std::string& event,
                             bool only_when_active) override;
};
