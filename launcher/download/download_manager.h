#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "launcher/download/curl_handle.h"
#include "launcher/download/download_manager_delegate.h"
#include "launcher/download/download_statistics.h"
#include "launcher/download/download_task.h"
#include "launcher/download/file_digester.h"
#include "launcher/download/file_handle.h"
#include "launcher/download/resume_file.h"
#include "launcher/download/resume_saver.h"

// Service addresses from "setting.json"; an empty value keeps the built-in or
// given one.
struct DownloadServiceSettings {
  std::vector<std::string> gateUrls;
  std::vector<std::string> dlcUrls;
  std::string trackUrl;
  // Where attribution events go; empty keeps the built-in service.
  std::string attributionUrl;
};

// The launcher's one HTTP(S) engine: queued ranged file downloads with resume
// files, synchronous requests and probes, speed limits, pause and statistics,
// and the reports. Everything runs on the thread that calls Poll (MiscThread);
// the setters of speed limits, Disable and the paused()/enabled() reads are
// safe from any thread.
class DownloadManager {
 public:
  static constexpr int kMaxRunningTasks = 5;
  static constexpr int kTriesPerHost = 3;
  static constexpr int kDefaultStallSeconds = 60;
  // No document the launcher asks for comes near this; the version map of a
  // large game is the biggest.
  static constexpr size_t kMaxReplyBytes = 32 * 1024 * 1024;

  static DownloadManager& GetInstance();

  DownloadManager();
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
  const std::vector<std::string>& gate_urls() const { return gateUrls_; }
  const std::vector<std::string>& dlc_urls() const { return dlcUrls_; }
  void SetActiveUrls(const std::vector<std::string>& urls) { activeUrls_ = urls; }
  const std::vector<std::string>& active_urls() const { return activeUrls_; }
  const std::string& track_url() const { return trackUrl_; }
  const std::string& attribution_url() const { return attributionUrl_; }
  const std::string& trace_path() const { return tracePath_; }

  bool enabled() const { return enabled_; }
  bool paused() const { return paused_; }
  DownloadMode mode() const { return mode_; }
  void SetTotalBytes(int64_t bytes) { statistics_.SetTotalBytes(bytes); }
  int64_t total_bytes() const { return statistics_.total_bytes(); }
  int64_t done_bytes() const { return statistics_.done_bytes(); }
  int64_t speed() const { return statistics_.speed(); }
  int64_t lowest_speed() const { return statistics_.lowest_speed(); }
  int64_t highest_speed() const { return statistics_.highest_speed(); }
  const std::string& lowest_speed_path() const { return statistics_.lowest_speed_path(); }
  size_t running_count() const { return runningTasks_.size(); }
  size_t waiting_count() const { return waitingTasks_.size(); }
  // True while any transfer or file check is left.
  bool HasWork() const;

  // Queued file downloads. `doneCallback` runs from DownloadFile or Poll and
  // may queue or cancel downloads; `speedCallback` runs inside libcurl and may
  // only record its sample (AddSpeedSample).
  void DownloadFile(std::string url, std::string path, std::string md5, int64_t size,
                    DownloadDoneCallback doneCallback, SpeedSampleCallback speedCallback,
                    int32_t tag, int32_t tries = 0, int32_t hostIndex = 0);
  void Poll();
  void CancelAll(DownloadMode mode);

  // Synchronous requests; each returns after its last attempt.
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
  // A finished file waiting for its digester to hash the last bytes.
  struct FileCheck {
    std::string url;
    std::string path;
    std::string md5;
    int64_t fileSize = 0;
    int32_t tag = 0;
    int32_t tries = 0;
    int32_t hostIndex = 0;
    DownloadDoneCallback doneCallback;
    SpeedSampleCallback speedCallback;
    // A file found complete on disk before any transfer.
    bool alreadyPresent = false;
    std::unique_ptr<FileDigester> digester;
    std::unique_ptr<ResumeSaver> saver;
  };

  void CreateHandlePool();
  int64_t SpeedCap(DownloadMode mode) const;
  void ApplyPendingSpeedLimits();
  // Restarts a transfer's pacing under `cap` from now.
  static void StartPacing(DownloadTask* task, int64_t cap);
  // Continues the transfers that their cap had held once their time has come.
  void ReleasePacedTransfers();
  void AddDoneBytes(int64_t bytes, bool copy_to_log);
  void NewTask(const std::string& url, const std::string& path, const std::string& md5,
               const ChunkInfo& chunk, int64_t size, const DownloadDoneCallback& done,
               const SpeedSampleCallback& speed, int32_t tag, int32_t tries, int32_t hostIndex);
  // Plans the ranges of a file from nothing.
  void StartFreshDownload(const std::string& url, const std::string& path, const std::string& md5,
                          int64_t size, const DownloadDoneCallback& done,
                          const SpeedSampleCallback& speed, int32_t tag, int32_t tries,
                          int32_t hostIndex);
  int RemoveChunk(const std::string& path, int32_t index);
  void SaveResumeFile(DownloadTask* task);
  bool StartTask(DownloadTask* task, std::string* error);
  // Closes the task's file, returns its handle to the pool and notifies when
  // asked (and enabled). Successes are reported by FinishFileCheck.
  void FinishTask(DownloadTask* task, int32_t code, const std::string& message, bool notify);
  void DestroyTask(DownloadTask* task);
  // Ends a file one of whose ranges no host delivered: its other ranges are
  // dropped and the caller is notified once.
  void AbandonFile(DownloadTask* task, DownloadResult result, const std::string& message);
  void DropAllTasks();
  // Counts a failed attempt; false when no host is left.
  bool CountTry(int32_t* tries, int32_t* hostIndex) const;
  void OnTransferDone(CURL* easy, CURLcode result);
  void CompleteChunk(DownloadTask* task);
  // Tells each file's digester how far the file is written from its start.
  void AdvanceDigesters();
  void StartFileCheck(DownloadTask* task);
  void ContinueFileChecks();
  void FinishFileCheck(std::unique_ptr<FileCheck> check, bool verified, const std::string& actual);
  bool IsRunning(const DownloadTask* task) const;
  void ConfigureRequest(CURL* easy, const std::string& url, const std::string& body,
                        long connect_timeout, long total_timeout) const;
  std::string RequestUrl(size_t host_index, const std::string& url) const;

  static size_t OnReceive(char* data, size_t size, size_t count, void* task);
  static int OnTransferProgress(void* task, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
  static size_t OnMemoryReceive(char* data, size_t size, size_t count, void* buffer);
  static size_t OnReportReceive(char* data, size_t size, size_t count, void* reply);
  static size_t DiscardReceive(char* data, size_t size, size_t count, void* unused);
  size_t Receive(DownloadTask* task, const char* data, size_t bytes);

  DownloadManagerDelegate* delegate_;
  DownloadServiceSettings serviceSettings_;

  CurlMultiHandle multiHandle_;
  std::atomic<bool> enabled_{false};
  std::atomic<bool> paused_{false};
  int32_t triesPerHost_ = 0;
  DownloadMode mode_ = DownloadMode::Game;
  std::vector<std::string> gateUrls_;
  std::vector<std::string> dlcUrls_;
  std::vector<std::string> activeUrls_;
  std::list<DownloadTask*> waitingTasks_;
  std::list<DownloadTask*> runningTasks_;
  std::list<CURL*> idleHandles_;
  // Every pooled handle, idle or lent to a running task.
  std::vector<CurlEasyHandle> pooledHandles_;
  std::map<std::string, std::vector<ChunkInfo>> chunkLists_;
  std::list<std::unique_ptr<FileCheck>> fileChecks_;
  // Files with an MD5 whose ranges are being written, by path: their digest
  // is computed while the bytes arrive.
  std::map<std::string, std::unique_ptr<FileDigester>> digesters_;
  // Files whose resume file is kept current, by path.
  std::map<std::string, std::unique_ptr<ResumeSaver>> resumeSavers_;
  DownloadStatistics statistics_{qbase::SystemClock()};
  std::string currentPath_;
  uint32_t tickNow_ = 0;
  std::string tracePath_;
  std::string trackUrl_;
  std::string attributionUrl_;
  std::string lastReply_;
  std::map<std::string, std::list<std::string>> queuedReports_;

  std::atomic<bool> limitOn_[2] = {{false}, {false}};
  std::atomic<int32_t> limitSpeed_[2] = {{4096}, {4096}};
  std::atomic<bool> limitChanged_[2] = {{false}, {false}};
  std::atomic<int32_t> stallSeconds_{kDefaultStallSeconds};
  std::atomic<bool> useWebExtraParam_{false};
};
