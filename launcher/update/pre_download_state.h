#pragma once

#include <cstdint>
#include <string>

#include "launcher/update/update_state.h"
#include "launcher/update/update_world.h"

// Fetches the next game version's files before its release into
// ".\update\predownload\<version>", named by their MD5, so that the update on
// release only takes them over. It runs beside the machine's current state in
// the context's own slot, one phase per tick: the pre-download query, the
// directory request, the next version's map, its patch list, the probe and
// the downloads, the end; it removes itself when done.
class PreDownloadState : public UpdateState {
 public:
  enum class Phase : int32_t {
    Idle = 0,
    Query = 1,
    Directory = 2,
    VersionMap = 3,
    PatchList = 4,
    Download = 5,
    End = 6,
    Failed = 7,
  };

  // `world` (not owned) outlives every state.
  explicit PreDownloadState(UpdateWorld* world);

  StateId GetId() const override { return StateId::PreDownload; }
  void Enter(State* previous) override;
  void Update() override;
  void Exit(State* next) override;
  void OnFileDownloaded(int32_t result, std::string url, std::string message) override;
  void OnRequestDone(int32_t result, std::string url, const char* data, int32_t size,
                     std::string error) override;
  void OnProbeDone(int32_t result, std::string url, bool exists, std::string error) override;
  void OnDownloadSpeed(double bytes_per_second) override;
  bool IsDownloading() const override { return phase_ == Phase::Download; }

  Phase phase() const { return phase_; }
  int32_t pendingFiles() const { return pending_files_; }
  bool filesOutstanding() const { return files_outstanding_; }

 private:
  void RunPhase();
  void OnDirectoryReply(const std::string& reply);
  void OnVersionMapReply(const std::string& reply);
  void StartDownloads();
  void CheckCompletion();
  // Removes the state: nothing of it may be used afterwards.
  void Finish();
  void Fail(int32_t code, const std::string& message, const std::string& detail);
  void GoTo(Phase phase);
  void SendPage(int32_t page, LPARAM detail);

  bool files_outstanding_ = false;
  Phase phase_ = Phase::Idle;
  int32_t pending_files_ = 0;
};

// The download manager's callbacks for the pre-download: each result reaches
// the context's pre-download state whenever one exists, whatever its tag.
void ForwardPreDownloadFileDownloaded(int32_t tag, int32_t result, const std::string& url,
                                      const std::string& message);
void ForwardPreDownloadRequestDone(int32_t tag, int32_t result, const std::string& url,
                                   const char* data, int32_t size, const std::string& error);
void ForwardPreDownloadProbeDone(int32_t tag, int32_t result, const std::string& url, bool exists,
                                 const std::string& error);
void ForwardPreDownloadSpeed(int32_t tag, double bytes_per_second);
