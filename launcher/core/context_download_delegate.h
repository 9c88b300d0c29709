#pragma once

#include "launcher/download/download_manager.h"
#include "launcher/download/download_manager_delegate.h"

// The launcher's side of the download manager: notifications go to the main
// window through the LauncherContext and the statistics into its download log.
// Its reports are built and sent by the context.
class ContextDownloadDelegate : public DownloadManagerDelegate {
 public:
  void OnDownloadProgress(int64_t total_bytes, int64_t done_bytes) override;
  void OnDownloadSpeed(int32_t remaining_seconds, int64_t bytes_per_second) override;
  void OnDownloadPaused(bool paused) override;
  void SetLoggedDownloadSize(int64_t bytes) override;
  void RecordDownloadSummary(int64_t speed, int64_t size, int64_t seconds) override;
  void ReportLauncherEvent(const std::string& print_info, const std::string& speed,
                           const std::string& size, const std::string& action_type,
                           const std::string& step, bool immediate) override;
  void ReportLauncherDetail(const std::string& action_id, const std::string& speed,
                            const std::string& size, const std::string& time) override;
  void ReportAttributionEvent(const std::string& event, const std::string& value1,
                              const std::string& value2, const std::string& value3) override;
};

// Hands the context's service settings ("setting.json") and the user's two
// speed limits to the manager; speed limits take effect through
// DownloadManager::ApplySpeedLimit.
void ApplyContextSettings(DownloadManager* manager);
