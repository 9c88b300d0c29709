#include "launcher/update/request_remote_state.h"

#include <memory>
#include <optional>
#include <utility>

#include <json/json.h>

#include "base/file_io.h"
#include "base/file_path.h"
#include "base/json_util.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/window_messages.h"
#include "launcher/update/check_version_state.h"
#include "launcher/update/exception_state.h"

namespace {

// The version a map file announces: its "version" string, or the "md5" of a
// "version" object. None when the file cannot be read or parsed or names no
// version of either form.
std::optional<std::string> AnnouncedVersion(const std::wstring& path) {
  std::string text;
  std::string error;
  Json::Value root;
  Json::Value version;
  if (!ReadFileToStringW(path, &text) || !ParseJson(text, &root, &error) ||
      !FindJsonMemberDeep(root, "version", &version)) {
    return std::nullopt;
  }
  if (version.isString()) return version.asString();
  if (!version.isObject()) return std::nullopt;
  const Json::Value& md5 = version["md5"];
  if (md5.isArray() || md5.isObject()) return std::nullopt;
  return md5.asString();
}

}  // namespace

RequestRemoteState::RequestRemoteState(UpdateMode mode, UpdateWorld* world)
    : UpdateState(mode, world) {}

void RequestRemoteState::Enter(State* /*previous*/) {
  world_->SendToMainWindow(WM_STATE_CHANGED, 0, 0);
  const bool game = mode() == UpdateMode::Game;
  remote_map_key_ = game ? VersionMapKey::kRemoteGame : VersionMapKey::kRemoteLauncher;
  tmp_map_path_ =
      game ? NormalizeDirPathW(LauncherContext::GetInstance()->GetSettings().gamePath, true) +
                 L"tmp_version_map.txt"
           : L".\\tmp_launcher_version_map.txt";
  status = 0;
  world_->UseHosts(HostList::Content);
  // Answered through OnRequestDone before this returns.
  world_->Request(game ? "version_map.txt" : "launcher_version_map.txt", StateId::RequestRemote);
  world_->SendToMainWindow(WM_CHECK_PROGRESS, 0, 95);
}

void RequestRemoteState::OnRequestDone(int32_t result, std::string url, const char* data,
                                       int32_t size, std::string error) {
  status = -1;
  if (result < 0) {
    errorCode = result;
    errorMessage = "Request Failed:" + error;
    errorDetail = url;
    return;
  }
  LauncherContext* context = LauncherContext::GetInstance();
  const std::string reply = data != nullptr && size > 0 ? std::string(data, size) : std::string();
  VersionMap& remote_map = context->versionMaps[remote_map_key_];
  std::string parse_error;
  if (!ParseVersionMap(reply, &remote_map, &parse_error)) {
    errorMessage = "Load Failed:" + parse_error;
    errorDetail = reply;
    return;
  }
  // A copy that cannot be written does not fail the pass.
  WriteStringToFileW(tmp_map_path_, reply);
  if (mode() == UpdateMode::Game) context->targetGameVersion = GetVersionMapVersion(remote_map);
  if (std::optional<std::string> version = AnnouncedVersion(tmp_map_path_)) {
    context->downloadGameVersion = std::move(*version);
  }
  status = 1;
}

void RequestRemoteState::Update() {
  if (status == 0) return;
  std::unique_ptr<State> next;
  if (status > 0) {
    next = std::make_unique<CheckVersionState>(mode(), world_);
  } else if (mode() == UpdateMode::Game) {
    next = std::make_unique<ExceptionState>(errorCode, errorMessage, errorDetail, true, world_);
  } else {
    next = world_->MakeEnterGameState();
  }
  // Destroys this state.
  world_->ChangeState(std::move(next));
}
