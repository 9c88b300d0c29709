#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "launcher/download/curl_handle.h"
#include "launcher/download/download_manager_delegate.h"
#include "launcher/download/download_statistics.h"
#include "launcher/download/download_task.h"
#include "launcher/download/file_digester.h"
#include "launcher/download/host_requester.h"
#include "launcher/download/report_sender.h"
#include "launcher/download/resume_file.h"
#include "launcher/download/resume_saver.h"

// The queued file downloads. A file is cut into ranges (DownloadTask) that
// wait first in, first out and run at most kMaxRunningTasks at once on one
// multi handle over a pool of reusable easy handles. A range resumes where
// it stopped; the progress of each file is kept in its resume file; every
// transfer is paced to the speed cap of the current mode; a failed range is
// counted on its host cursor and tried again; and a finished file is checked
// (its MD5, hashed while it arrives, or its size) before its caller hears of
// it. Runs on the polling thread; SetSpeedLimit, ApplySpeedLimit,
// SetStallTimeout, SetUseWebExtraParam and paused() are safe from any thread.
class TransferQueue {
 public:
  static constexpr int kMaxRunningTasks = 5;
  static constexpr int kDefaultStallSeconds = 60;

  // Nothing given is owned and everything must outlive the queue: `clock`
  // times the pacing and the resume saves; `enabled` false aborts the
  // transfers and silences their results; `requester` holds the hosts and
  // counts failed attempts; `statistics` counts the bytes; `reports` keeps
  // the failure trace.
  TransferQueue(const qbase::Clock& clock, const std::atomic<bool>& enabled,
                const HostRequester& requester, DownloadStatistics& statistics,
                ReportSender& reports);
  ~TransferQueue();
  TransferQueue(const TransferQueue&) = delete;
  TransferQueue& operator=(const TransferQueue&) = delete;

  // Not owned, never null: told of the progress and the bytes that needed
  // no transfer.
  void SetDelegate(DownloadManagerDelegate* delegate) { delegate_ = delegate; }
  // The user's limit for a mode: `on` caps every transfer of that mode at
  // speed x 204 bytes per second.
  void SetSpeedLimit(DownloadMode mode, bool on, int32_t speed);
  // The running transfers of `mode` get its current cap on the next Poll
  // (libcurl handles are only touched on the polling thread).
  void ApplySpeedLimit(DownloadMode mode);
  // A transfer that receives nothing for this long fails and is retried.
  void SetStallTimeout(int32_t seconds) { stall_seconds_ = seconds; }
  // File URLs carry "?t=" and the time.
  void SetUseWebExtraParam(bool on) { use_web_extra_param_ = on; }

  // The multi handle and a pool of easy handles; a run in the game mode.
  void Open();
  // Drops every task and releases every handle.
  void Close();

  bool paused() const { return paused_; }
  DownloadMode mode() const { return mode_; }
  size_t running_count() const { return running_tasks_.size(); }
  size_t waiting_count() const { return waiting_tasks_.size(); }
  // True while any transfer or file check is left.
  bool HasWork() const;
  // The file of the transfer that reported the latest speed sample.
  const std::string& current_path() const { return current_path_; }

  // Queues a file. Its doneCallback runs from here or from Poll and may
  // queue or cancel downloads; its speedCallback runs inside libcurl.
  void DownloadFile(FileRequest request);
  void Poll();
  // Holds every running transfer and starts none until Continue.
  void Pause();
  void Continue();
  // Drops every task silently (resume files and partial files stay) and
  // starts a new run in `mode`.
  void CancelAll(DownloadMode mode);

 private:
  // A finished file waiting for its digester to hash the last bytes.
  struct FileCheck {
    FileRequest request;
    // A file found complete on disk before any transfer.
    bool alreadyPresent = false;
    std::unique_ptr<FileDigester> digester;
    std::unique_ptr<ResumeSaver> saver;
  };

  void CreateHandlePool();
  int64_t SpeedCap(DownloadMode mode) const;
  void ApplyPendingSpeedLimits();
  // Restarts a transfer's pacing under `cap` from now.
  void StartPacing(DownloadTask* task, int64_t cap) const;
  // Continues the transfers that their cap had held once their time has come.
  void ReleasePacedTransfers();
  void AddDoneBytes(int64_t bytes, bool copy_to_log);
  void NewTask(const FileRequest& request, const ChunkInfo& chunk);
  // Plans the ranges of a file from nothing.
  void StartFreshDownload(const FileRequest& request);
  int RemoveChunk(const std::string& path, int32_t index);
  void SaveResumeFile(DownloadTask* task);
  // Pumps the running transfers; false when libcurl cannot say what to wait on.
  bool PumpTransfers();
  void StartWaitingTasks();
  bool StartTask(DownloadTask* task, std::string* error);
  // Closes the task's file and returns its handle to the pool.
  void ReleaseTransfer(DownloadTask* task);
  // Ends a file one of whose ranges no host delivered: its other ranges are
  // dropped and the caller is notified once.
  void AbandonFile(std::unique_ptr<DownloadTask> task, DownloadResult result,
                   const std::string& message);
  void DropAllTasks();
  void OnTransferDone(CURL* easy, CURLcode result);
  void CompleteChunk(std::unique_ptr<DownloadTask> task);
  // Tells each file's digester how far the file is written from its start.
  void AdvanceDigesters();
  void StartFileCheck(FileRequest request);
  void ContinueFileChecks();
  void FinishFileCheck(std::unique_ptr<FileCheck> check, bool verified, const std::string& actual);
  // The caller hears of its file, unless the manager was disabled.
  void Notify(const FileRequest& request, DownloadResult result, const std::string& message) const;
  bool IsRunning(const DownloadTask* task) const;

  static size_t OnReceive(char* data, size_t size, size_t count, void* task);
  static int OnTransferProgress(void* task, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
  size_t Receive(DownloadTask* task, const char* data, size_t bytes);

  const qbase::Clock& clock_;
  const std::atomic<bool>& enabled_;
  const HostRequester& requester_;
  DownloadStatistics& statistics_;
  ReportSender& reports_;
  DownloadManagerDelegate* delegate_;

  CurlMultiHandle multi_handle_;
  std::atomic<bool> paused_{false};
  DownloadMode mode_ = DownloadMode::Game;
  std::list<std::unique_ptr<DownloadTask>> waiting_tasks_;
  std::list<std::unique_ptr<DownloadTask>> running_tasks_;
  std::list<CURL*> idle_handles_;
  // Every pooled handle, idle or lent to a running task.
  std::vector<CurlEasyHandle> pooled_handles_;
  std::map<std::string, std::vector<ChunkInfo>> chunk_lists_;
  std::list<std::unique_ptr<FileCheck>> file_checks_;
  // Files with an MD5 whose ranges are being written, by path: their digest
  // is computed while the bytes arrive.
  std::map<std::string, std::unique_ptr<FileDigester>> digesters_;
  // Files whose resume file is kept current, by path.
  std::map<std::string, std::unique_ptr<ResumeSaver>> resume_savers_;
  std::string current_path_;
  // The clock when the Poll under way began.
  int64_t poll_ms_ = 0;

  std::atomic<bool> limit_on_[2] = {{false}, {false}};
  std::atomic<int32_t> limit_speed_[2] = {{4096}, {4096}};
  std::atomic<bool> limit_changed_[2] = {{false}, {false}};
  std::atomic<int32_t> stall_seconds_{kDefaultStallSeconds};
  std::atomic<bool> use_web_extra_param_{false};
};
