#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/clock.h"
#include "launcher/download/download_manager_delegate.h"
#include "launcher/download/download_statistics.h"
#include "launcher/download/download_task.h"
#include "launcher/download/host_requester.h"
#include "launcher/download/report_sender.h"
#include "launcher/download/resume_file.h"
#include "launcher/download/tls_options.h"
#include "launcher/download/transfer_queue.h"

// Service addresses from "setting.json"; an empty value keeps the built-in or
// given one.
struct DownloadServiceSettings {
  std::vector<std::string> gateUrls;
  std::vector<std::string> dlcUrls;
  std::string trackUrl;
  // Where attribution events go; empty keeps the built-in service.
  std::string attributionUrl;
};

// The launcher's one HTTP(S) engine, in front of the parts that do its jobs:
// the queued ranged file downloads (TransferQueue), the synchronous requests
// and probes over the host list (HostRequester), the speed statistics
// (DownloadStatistics) and the reports with the failure trace
// (ReportSender). Everything runs on the thread that calls Poll
// (MiscThread); the setters of speed limits, Disable and the
// paused()/enabled() reads are safe from any thread.
class DownloadManager {
 public:
  static constexpr int kMaxRunningTasks = TransferQueue::kMaxRunningTasks;
  static constexpr int kTriesPerHost = HostRequester::kTriesPerHost;
  static constexpr int kDefaultStallSeconds = TransferQueue::kDefaultStallSeconds;
  static constexpr size_t kMaxReplyBytes = kMaxDocumentBytes;

  static DownloadManager& GetInstance();

  // `clock` (not owned, outliving the manager) times the pacing, the resume
  // saves and the statistics.
  explicit DownloadManager(const qbase::Clock& clock = qbase::SystemClock());
  ~DownloadManager();
  DownloadManager(const DownloadManager&) = delete;
  DownloadManager& operator=(const DownloadManager&) = delete;

  // Not owned; must outlive the manager. Null restores the silent default.
  void SetDelegate(DownloadManagerDelegate* delegate);
  // Replaces the service overrides; read by Init and SetDlcUrls.
  void SetServiceSettings(const DownloadServiceSettings& settings);
  // The user's limit for a mode (any thread): `on` caps every transfer of
  // that mode at speed x 204 bytes per second.
  void SetSpeedLimit(DownloadMode mode, bool on, int32_t speed);
  // A transfer that receives nothing for this long fails and is retried.
  void SetStallTimeout(int32_t seconds);
  // The directory reply's "UseWebExtraParam": file URLs carry "?t=" and a tick.
  void SetUseWebExtraParam(bool on);

  // Once, on the polling thread: endpoints, handle pool, an empty trace file
  // ".\save\dltrace.log".
  void Init();
  // Stops everything: no new work, all tasks dropped, queued reports lost,
  // pooled handles released.
  void Shutdown();
  // From the UI thread at shut-down: transfers abort at their next callback
  // and no result is delivered any more.
  void Disable() { enabled_ = false; }

  void SetDlcUrls(const std::vector<std::string>& urls);
  const std::vector<std::string>& gate_urls() const { return gate_urls_; }
  const std::vector<std::string>& dlc_urls() const { return dlc_urls_; }
  void SetActiveUrls(const std::vector<std::string>& urls) { requester_.SetHosts(urls); }
  const std::vector<std::string>& active_urls() const { return requester_.hosts(); }
  const std::string& track_url() const { return reports_.track_url(); }
  const std::string& attribution_url() const { return reports_.attribution_url(); }
  const std::string& trace_path() const { return reports_.trace_path(); }

  bool enabled() const { return enabled_; }
  bool paused() const { return queue_.paused(); }
  DownloadMode mode() const { return queue_.mode(); }
  void SetTotalBytes(int64_t bytes) { statistics_.SetTotalBytes(bytes); }
  int64_t total_bytes() const { return statistics_.total_bytes(); }
  int64_t done_bytes() const { return statistics_.done_bytes(); }
  int64_t speed() const { return statistics_.speed(); }
  int64_t lowest_speed() const { return statistics_.lowest_speed(); }
  int64_t highest_speed() const { return statistics_.highest_speed(); }
  const std::string& lowest_speed_path() const { return statistics_.lowest_speed_path(); }
  size_t running_count() const { return queue_.running_count(); }
  size_t waiting_count() const { return queue_.waiting_count(); }
  // True while any transfer or file check is left.
  bool HasWork() const { return queue_.HasWork(); }

  // Queued file downloads. `doneCallback` runs from DownloadFile or Poll and
  // may queue or cancel downloads; `speedCallback` runs inside libcurl and may
  // only record its sample (AddSpeedSample).
  void DownloadFile(std::string url, std::string path, std::string md5, int64_t size,
                    DownloadDoneCallback doneCallback, SpeedSampleCallback speedCallback,
                    int32_t tag, int32_t tries = 0, int32_t hostIndex = 0);
  void Poll() { queue_.Poll(); }
  void CancelAll(DownloadMode mode);

  // Synchronous requests; each returns after its last attempt. Their codes
  // are RequestResult values.
  bool DownloadMemory(std::string url, std::string body, MemoryDoneCallback callback, int32_t tag);
  bool DownloadMemoryFromUrl(std::string url, std::string body, MemoryDoneCallback callback,
                             int32_t tag);
  bool ProbeFile(std::string url, std::string body, ProbeDoneCallback callback, int32_t tag);

  // Speed limits, pause and statistics.
  // Any thread: the running transfers of `mode` get its current cap on the
  // next Poll (libcurl handles are only touched on the polling thread).
  void ApplySpeedLimit(DownloadMode mode);
  void PauseDownloads();
  void ContinueDownloads();
  void AddSpeedSample(double bytes_per_second);
  void ResetStatistics();
  void ReportTransferStatistics(const std::string& action);
  void ReportDownloadSummary(const std::string& action_id, const std::string& event,
                             bool only_when_active);

  // Reports and the failure trace.
  void SubmitReport(std::string body, std::string url, bool immediate);
  void SendQueuedReport();
  void PostReportNow(const std::string& body, const std::string& url);
  void AppendTrace(const std::string& line);

 private:
  DownloadManagerDelegate* delegate_;
  DownloadServiceSettings service_settings_;
  std::atomic<bool> enabled_{false};
  std::vector<std::string> gate_urls_;
  std::vector<std::string> dlc_urls_;
  DownloadStatistics statistics_;
  ReportSender reports_;
  HostRequester requester_;
  // Last: it uses the parts above.
  TransferQueue queue_;
};
