#pragma once

#include <cstdint>
#include <string>

// The update engine's states derive from State; the context owns the current
// one and switches with LauncherContext::ChangeState. The base lives beside
// the context that drives it, the states above it.

// Which pass a state belongs to.
enum class UpdateMode : int32_t {
  Launcher = 0,  // the launcher's own files; failures end silently
  Game = 1,      // the game's installation; failures are shown
};

// Two modes are of the same kind when both are the launcher pass or neither is.
bool SameModeKind(UpdateMode first, UpdateMode second);

// What State::GetId answers; 1 to 6 mean a pass is running.
enum class StateId : int32_t {
  None = 0,
  Prepare = 1,
  RequestRemote = 2,
  CheckVersion = 3,
  RequestPatch = 4,
  DownloadFiles = 5,
  ApplyUpdate = 6,
  EnterGame = 7,
  Exception = 8,
  PreDownload = 9,
};

class State {
 public:
  // Both clear the context's error-shown flag.
  State();  // the game pass
  explicit State(UpdateMode mode);
  virtual ~State() = default;
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  virtual StateId GetId() const { return StateId::None; }
  // `previous` (may be null) still exists while the new state enters.
  virtual void Enter(State* previous) = 0;
  virtual void Update() = 0;
  // `next` may be null (shut-down).
  virtual void Exit(State* next) = 0;
  // Results of the transfers the state asked for; the base ignores them.
  virtual void OnFileDownloaded(int32_t /*result*/, std::string /*url*/, std::string /*message*/) {}
  virtual void OnRequestDone(int32_t /*result*/, std::string /*url*/, const char* /*data*/,
                             int32_t /*size*/, std::string /*error*/) {}
  virtual void OnProbeDone(int32_t /*result*/, std::string /*url*/, bool /*exists*/,
                           std::string /*error*/) {}
  virtual void OnDownloadSpeed(double /*bytes_per_second*/) {}
  // The pre-download state answers true while its files download, so that a
  // starting pass can pause them.
  virtual bool IsDownloading() const { return false; }

  UpdateMode mode() const { return mode_; }

  // 0 pending, above 0 done, below 0 failed.
  int32_t status = 0;
  int32_t errorCode = 0;
  std::string errorMessage;  // UTF-8
  std::string errorDetail;   // UTF-8, usually the URL or the reply that failed

 private:
  const UpdateMode mode_;
};

// The download manager's callbacks for the states of the main chain: a
// result reaches the current state when its tag is that state's identifier,
// and is dropped otherwise.
void ForwardFileDownloaded(int32_t tag, int32_t result, const std::string& url,
                           const std::string& message);
void ForwardRequestDone(int32_t tag, int32_t result, const std::string& url, const char* data,
                        int32_t size, const std::string& error);
void ForwardProbeDone(int32_t tag, int32_t result, const std::string& url, bool exists,
                      const std::string& error);
// Samples reach the download statistics only from a current download state.
void ForwardDownloadSpeed(int32_t tag, double bytes_per_second);
