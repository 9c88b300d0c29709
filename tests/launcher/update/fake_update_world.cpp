#include "tests/launcher/update/fake_update_world.h"

#include <utility>

#include "launcher/core/launcher_context.h"

namespace update_test {

void FakeUpdateWorld::SendToMainWindow(UINT message, WPARAM wparam, LPARAM lparam) {
  mainMessages.push_back({message, wparam, lparam});
}

void FakeUpdateWorld::SendToGameWindows(UINT message, WPARAM wparam, LPARAM lparam) {
  gameMessages.push_back({message, wparam, lparam});
}

void FakeUpdateWorld::SetContentHosts(const std::vector<std::string>& hosts) {
  contentHosts = hosts;
  log.push_back("content hosts");
}

void FakeUpdateWorld::Request(const std::string& path, StateId tag) {
  requests.push_back((activeHosts == HostList::Gate ? "gate:" : "content:") + path);
  Reply reply{-2, "", "404"};
  auto scripted = replies.end();
  // Content hosts may answer the same path differently (this and the next version).
  if (activeHosts == HostList::Content && !contentHosts.empty()) {
    scripted = replies.find(contentHosts.front() + path);
  }
  if (scripted == replies.end()) scripted = replies.find(path);
  if (scripted == replies.end()) scripted = replies.find(path.substr(0, path.find('?')));
  if (scripted != replies.end()) reply = scripted->second;
  // The download manager hands back the path as joined with an empty body.
  if (tag == StateId::PreDownload) {
    // The pre-download's own forwarder reaches the state beside the machine.
    if (preDownload) {
      preDownload->OnRequestDone(reply.result, path + "/", reply.body.c_str(),
                                 static_cast<int32_t>(reply.body.size()), reply.error);
    }
    return;
  }
  ForwardRequestDone(static_cast<int32_t>(tag), reply.result, path + "/", reply.body.c_str(),
                     static_cast<int32_t>(reply.body.size()), reply.error);
}

void FakeUpdateWorld::ShowMessageBox(const std::wstring& title_key, const std::wstring& content_key,
                                     const std::wstring& first_caption_key,
                                     const std::wstring& second_caption_key,
                                     DialogCallback callback) {
  boxes.push_back({title_key, content_key, first_caption_key, second_caption_key, callback});
}

bool FakeUpdateWorld::Probe(const std::string& path, StateId tag) {
  if (!probeHosts) return false;
  probes.push_back((activeHosts == HostList::Gate ? "gate:" : "content:") + path);
  Probed probed;
  const auto scripted = probeReplies.find(path);
  if (scripted != probeReplies.end()) probed = scripted->second;
  const std::string error = probed.result < 0 ? "404" : "";
  if (tag == StateId::PreDownload) {
    if (preDownload) preDownload->OnProbeDone(probed.result, path + "/", probed.exists, error);
    return true;
  }
  ForwardProbeDone(static_cast<int32_t>(tag), probed.result, path + "/", probed.exists, error);
  return true;
}

void FakeUpdateWorld::DownloadFile(const std::string& url, const std::string& target,
                                   const std::string& md5, int64_t size, StateId tag) {
  transfers.push_back({url, target, md5, size, tag});
}

void FakeUpdateWorld::CancelTransfers(DownloadMode mode) {
  log.push_back(mode == DownloadMode::PreDownload ? "cancel for pre-download" : "cancel for game");
}

void FakeUpdateWorld::EndPreDownloadState() {
  if (!preDownload) return;
  preDownload->Exit(nullptr);
  preDownload.reset();
}

void FakeUpdateWorld::ChangeState(std::unique_ptr<State> next) {
  ++changes;
  next_ = std::move(next);
}

std::unique_ptr<State> FakeUpdateWorld::MakeDownloadFilesState(UpdateMode mode) {
  const LauncherContext* context = LauncherContext::GetInstance();
  const bool game = mode == UpdateMode::Game;
  const auto map = [context](const char* key) {
    const auto found = context->versionMaps.find(key);
    return found == context->versionMaps.end() ? VersionMap() : found->second;
  };
  stages.push_back({StateId::DownloadFiles, mode,
                    map(game ? VersionMapKey::kUpdateGame : VersionMapKey::kUpdateLauncher),
                    map(game ? VersionMapKey::kGamePatch : VersionMapKey::kLauncherPatch)});
  return std::make_unique<StageState>(StateId::DownloadFiles, mode);
}

std::unique_ptr<State> FakeUpdateWorld::MakeEnterGameState() {
  stages.push_back({StateId::EnterGame, UpdateMode::Game, {}, {}});
  return std::make_unique<StageState>(StateId::EnterGame, UpdateMode::Game);
}

bool FakeUpdateWorld::CheckDiskSpaceForUpdate(DialogCallback answer) {
  log.push_back("disk space");
  if (!diskHasRoom) diskAnswer = std::move(answer);
  return diskHasRoom;
}

void FakeUpdateWorld::ReloadSkin(std::function<void()> continuation) {
  log.push_back("reload skin");
  skinContinuation = std::move(continuation);
}

}  // namespace update_test
