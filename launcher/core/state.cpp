#include "launcher/core/state.h"

#include "launcher/core/launcher_context.h"
#include "launcher/download/download_manager.h"

namespace {

// The current state when it answers to `tag`, else null.
State* CurrentStateTagged(int32_t tag) {
  State* current = LauncherContext::GetInstance()->currentState.get();
  if (current == nullptr || static_cast<int32_t>(current->GetId()) != tag) return nullptr;
  return current;
}

}  // namespace

bool SameModeKind(UpdateMode first, UpdateMode second) {
  return (first == UpdateMode::Launcher) == (second == UpdateMode::Launcher);
}

State::State() : State(UpdateMode::Game) {}

State::State(UpdateMode mode) : mode_(mode) { LauncherContext::GetInstance()->errorShown = false; }

void ForwardFileDownloaded(int32_t tag, int32_t result, const std::string& url,
                           const std::string& message) {
  if (State* state = CurrentStateTagged(tag)) state->OnFileDownloaded(result, url, message);
}

void ForwardRequestDone(int32_t tag, int32_t result, const std::string& url, const char* data,
                        int32_t size, const std::string& error) {
  if (State* state = CurrentStateTagged(tag)) state->OnRequestDone(result, url, data, size, error);
}

void ForwardProbeDone(int32_t tag, int32_t result, const std::string& url, bool exists,
                      const std::string& error) {
  if (State* state = CurrentStateTagged(tag)) state->OnProbeDone(result, url, exists, error);
}

void ForwardDownloadSpeed(int32_t tag, double bytes_per_second) {
  if (tag != static_cast<int32_t>(StateId::DownloadFiles) || !CurrentStateTagged(tag)) return;
  DownloadManager::GetInstance().AddSpeedSample(bytes_per_second);
}
