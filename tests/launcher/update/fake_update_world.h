#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "launcher/core/state.h"
#include "launcher/core/version_map.h"
#include "launcher/update/update_world.h"
#include "tests/support/fake_clock.h"

namespace update_test {

// A state the fake hands out for the steps after this half of the chain; it
// only answers its identifier and mode.
class StageState : public State {
 public:
  StageState(StateId id, UpdateMode mode) : State(mode), id_(id) {}
  StateId GetId() const override { return id_; }
  void Enter(State* /*previous*/) override {}
  void Update() override {}
  void Exit(State* /*next*/) override {}

 private:
  StateId id_;
};

// A pre-download state beside the machine that records its end.
class FakePreDownloadState : public State {
 public:
  FakePreDownloadState(bool downloading, std::vector<std::string>* log)
      : downloading_(downloading), log_(log) {}
  ~FakePreDownloadState() override { log_->push_back("pre-download destroyed"); }
  StateId GetId() const override { return StateId::PreDownload; }
  void Enter(State* /*previous*/) override {}
  void Update() override {}
  void Exit(State* next) override {
    log_->push_back(next ? "pre-download exit" : "pre-download exit(null)");
  }
  bool IsDownloading() const override { return downloading_; }

 private:
  bool downloading_;
  std::vector<std::string>* log_;
};

// Records what the states do to the world and answers from scripts: replies
// by request path, free space, and the dialogs' answers (the tests call the
// captured callbacks).
class FakeUpdateWorld : public UpdateWorld {
 public:
  struct Message {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    bool operator==(const Message& other) const {
      return message == other.message && wparam == other.wparam && lparam == other.lparam;
    }
  };
  struct Reply {
    int32_t result = 0;
    std::string body;
    std::string error;
  };
  // The lists the downloads would be given, copied when they are made.
  struct Stage {
    StateId id;
    UpdateMode mode;
    VersionMap update;
    VersionMap patches;
  };

  void SendToMainWindow(UINT message, WPARAM wparam, LPARAM lparam) override;
  void SendToGameWindows(UINT message, WPARAM wparam, LPARAM lparam) override;
  void CollectGameWindows() override { log.push_back("collect game windows"); }
  void UseHosts(HostList hosts) override { activeHosts = hosts; }
  void SetContentHosts(const std::vector<std::string>& hosts) override;
  // Answers from `replies`, else with a failure like a 404 on every host.
  void Request(const std::string& path, StateId tag) override;
  void LookUpPublicAddress() override { log.push_back("public address"); }
  void StopPreDownloadTransfers() override { log.push_back("stop pre-download transfers"); }
  State* PreDownloadState() override { return preDownload.get(); }
  void EndPreDownloadState() override;
  void ChangeState(std::unique_ptr<State> next) override;
  std::unique_ptr<State> MakeDownloadFilesState(UpdateMode mode) override;
  std::unique_ptr<State> MakeEnterGameState() override;
  void PostToWorker(std::function<void()> task) override { workerTasks.push_back(task); }
  bool CheckDiskSpaceForUpdate(DialogCallback answer) override;
  void ShowUpdateError(const UpdateErrorDialog& dialog) override { dialogs.push_back(dialog); }
  void ReloadSkin(std::function<void()> continuation) override;
  void StartGamePass() override { log.push_back("start game pass"); }
  const qbase::Clock& ReadyClock() override { return clock; }
  void SendQueuedReport() override { ++queuedReportsSent; }
  void StartLauncherPass() override { log.push_back("start launcher pass"); }
  void StartPreDownload() override { log.push_back("start pre-download"); }
  void StopPreDownload() override { log.push_back("stop pre-download"); }
  void ShowMessageBox(const std::wstring& title_key, const std::wstring& content_key,
                      const std::wstring& first_caption_key, const std::wstring& second_caption_key,
                      DialogCallback callback) override;
  void RunSelfUpdate() override { log.push_back("self-update"); }
  // Answers from `probeReplies`, else as a found file; false when `probeHosts` is off.
  bool Probe(const std::string& path, StateId tag) override;
  void DownloadFile(const std::string& url, const std::string& target, const std::string& md5,
                    int64_t size, StateId tag) override;
  void CancelTransfers(DownloadMode mode) override;
  void ResetTransferStatistics() override { log.push_back("reset statistics"); }
  void SetTransferTotal(int64_t bytes) override { transferTotal = bytes; }
  int64_t TransferredBytes() override { return transferredBytes; }
  void AddSpeedSample(double bytes_per_second) override {
    speedSamples.push_back(bytes_per_second);
  }
  void ReportTransferStatistics(const std::string& action) override {
    log.push_back("statistics " + action);
  }
  void ReportDownloadSummary(const std::string& action_id, const std::string& event,
                             bool only_when_active) override {
    log.push_back("summary " + action_id + " " + event + (only_when_active ? " active" : ""));
  }

  // The next state handed to ChangeState, kept unentered.
  State* next() const { return next_.get(); }
  std::unique_ptr<State> TakeNext() { return std::move(next_); }
  int changes = 0;

  // By the first content host and the path, by request path, or by the path
  // before its query.
  std::map<std::string, Reply> replies;
  std::vector<std::string> requests;  // "gate:" or "content:" and the path
  HostList activeHosts = HostList::Gate;
  std::vector<Message> mainMessages;
  std::vector<Message> gameMessages;
  std::vector<std::string> contentHosts;
  std::vector<std::string> log;
  std::unique_ptr<State> preDownload;
  std::vector<Stage> stages;
  std::vector<std::function<void()>> workerTasks;
  bool diskHasRoom = true;
  DialogCallback diskAnswer;
  std::vector<UpdateErrorDialog> dialogs;
  std::function<void()> skinContinuation;

  struct Box {
    std::wstring title;
    std::wstring content;
    std::wstring firstCaption;
    std::wstring secondCaption;
    DialogCallback callback;
  };
  struct Probed {
    int32_t result = 0;
    bool exists = true;
  };
  struct Transfer {
    std::string url;
    std::string target;
    std::string md5;
    int64_t size;
    StateId tag;
  };
  test_support::FakeClock clock;
  int queuedReportsSent = 0;
  std::vector<Box> boxes;
  bool probeHosts = true;
  std::map<std::string, Probed> probeReplies;
  std::vector<std::string> probes;  // the paths asked, with the active hosts as requests
  std::vector<Transfer> transfers;
  int64_t transferTotal = 0;
  int64_t transferredBytes = 0;
  std::vector<double> speedSamples;

 private:
  std::unique_ptr<State> next_;
};

}  // namespace update_test
