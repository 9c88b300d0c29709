#pragma once

#include <cstdint>
#include <string>

// What the download manager tells the rest of the launcher: the main window's
// notifications, the download log and the reports. The launcher context
// implements it; the default does nothing.
class DownloadManagerDelegate {
 public:
  virtual ~DownloadManagerDelegate() = default;

  // WM_DOWNLOAD_PROGRESS (total bytes, bytes done).
  virtual void OnDownloadProgress(int64_t /*total_bytes*/, int64_t /*done_bytes*/) {}
  // WM_DOWNLOAD_SPEED (remaining seconds, bytes per second).
  virtual void OnDownloadSpeed(int32_t /*remaining_seconds*/, int64_t /*bytes_per_second*/) {}
  // WM_DOWNLOAD_PAUSED (0, paused).
  virtual void OnDownloadPaused(bool /*paused*/) {}

  // The download log's "downloadSize": bytes of the run that needed no download.
  virtual void SetLoggedDownloadSize(int64_t /*bytes*/) {}
  // "downloadSpeed" := speed, "downloadSize" := size, "downloadTime" += seconds.
  virtual void RecordDownloadSummary(int64_t /*speed*/, int64_t /*size*/, int64_t /*seconds*/) {}

  virtual void ReportLauncherEvent(const std::string& /*print_info*/, const std::string& /*speed*/,
                                   const std::string& /*size*/, const std::string& /*action_type*/,
                                   const std::string& /*step*/, bool /*immediate*/) {}
  virtual void ReportLauncherDetail(const std::string& /*action_id*/, const std::string& /*speed*/,
                                    const std::string& /*size*/, const std::string& /*time*/) {}
  virtual void ReportAttributionEvent(const std::string& /*event*/, const std::string& /*value1*/,
                                      const std::string& /*value2*/,
                                      const std::string& /*value3*/) {}
};

// The delegate that tells nobody, used until the launcher sets its own.
inline DownloadManagerDelegate* SilentDownloadDelegate() {
  static DownloadManagerDelegate silent;
  return &silent;
}
