#include "launcher/update/prepare_state.h"

#include <memory>
#include <utility>
#include <vector>

#include "base/file_io.h"
#include "base/file_path.h"
#include "base/folder_util.h"
#include "base/json_util.h"
#include "base/scoped_handle.h"
#include "base/string_util.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/launcher_folders.h"
#include "launcher/core/window_messages.h"
#include "launcher/update/check_version_state.h"
#include "launcher/update/directory_reply.h"
#include "launcher/update/exception_state.h"
#include "launcher/update/file_hasher.h"
#include "launcher/update/request_remote_state.h"
#include "launcher/update/service_paths.h"

namespace {

// Replies up to this many bytes are shown in the error dialog as they are.
constexpr size_t kLongestShownReply = 128;

// The launcher's own files hashed when its version map is missing, before
// everything below "cef".
const char* const kLauncherFiles[] = {"resources.zip", "SourceHanSansCNRegular.ttf",
                                      "SourceHanSansCNBold.ttf", "LomaN.ttf", "LomaB.ttf"};

bool FileOpensForReading(const std::wstring& path) {
  const qbase::ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.IsValid();
}

}  // namespace

PrepareState::PrepareState(UpdateMode mode, UpdateWorld* world) : UpdateState(mode, world) {}

void PrepareState::Enter(State* /*previous*/) {
  LauncherContext* context = LauncherContext::GetInstance();
  if (mode() == UpdateMode::Launcher && context->publicIp.empty()) world_->LookUpPublicAddress();

  if (const State* pre_download = world_->PreDownloadState()) {
    if (pre_download->IsDownloading()) {
      world_->StopPreDownloadTransfers();
      context->preDownloadAutoStart = !context->preDownloadPaused;
      world_->SendToMainWindow(WM_PREDOWNLOAD_STATUS, static_cast<WPARAM>(-1), -1);
      world_->SendToGameWindows(WM_GAME_PREDOWNLOAD_STATE, 0, 2);
    }
    world_->EndPreDownloadState();
  }

  world_->SendToMainWindow(WM_STATE_CHANGED, 0, 0);
  world_->CollectGameWindows();
  pending_hashes_.clear();
  hash_total_ = 0;
  if (mode() == UpdateMode::Game) {
    PrepareGameFiles();
  } else {
    PrepareLauncherFiles();
  }
  status = 0;
  world_->UseHosts(HostList::Gate);
  // Answered through OnRequestDone before this returns.
  world_->Request(BuildGetUrlsPath(), StateId::Prepare);
}

void PrepareState::PrepareLauncherFiles() {
  LauncherContext* context = LauncherContext::GetInstance();
  if (!DirectoryExistsW(GetUpdateDirW())) MakeDirectoriesW(GetUpdateDirW());
  if (!DirectoryExistsW(GetExceptionDirW())) MakeDirectoriesW(GetExceptionDirW());
  local_map_key_ = VersionMapKey::kLocalLauncher;
  remote_map_key_ = VersionMapKey::kRemoteLauncher;
  local_map_path_ = L".\\launcher_version_map.txt";
  tmp_map_path_ = L".\\tmp_launcher_version_map.txt";
  context->skinReloadState = SkinReloadState::Nothing;

  VersionMap& local_map = context->versionMaps[local_map_key_];
  std::string error;
  if (!LoadVersionMapFile(local_map_path_, &local_map, &error)) {
    std::vector<std::string> paths;
    for (const char* name : kLauncherFiles) paths.push_back(std::string(".\\") + name);
    ListFilesRecursive(".\\cef", &paths, {});
    QueueHashes(".", paths);
  }
  // The running executable is always compared by its real content.
  const FileHasher::Result executable = FileHasher::HashFile(".\\launcher.exe");
  if (executable.ok) local_map["launcher.exe"] = {executable.md5, executable.size};
}

void PrepareState::PrepareGameFiles() {
  LauncherContext* context = LauncherContext::GetInstance();
  const std::wstring game_folder = NormalizeDirPathW(context->GetSettings().gamePath, true);
  for (const auto& [server_name, local_name] : context->GetFileCopyPairs()) {
    const std::wstring source = game_folder + server_name;
    const std::wstring target = game_folder + local_name;
    if (FileOpensForReading(source) && !FileOpensForReading(target)) {
      CopyFileW(source.c_str(), target.c_str(), FALSE);
    }
  }
  local_map_key_ = VersionMapKey::kLocalGame;
  remote_map_key_ = VersionMapKey::kRemoteGame;
  local_map_path_ = game_folder + L"version_map.txt";
  tmp_map_path_ = game_folder + L"tmp_version_map.txt";

  VersionMap& local_map = context->ResetVersionMap(local_map_key_);
  std::string text;
  std::string error;
  if (!ReadFileToStringW(local_map_path_, &text) || !ParseVersionMap(text, &local_map, &error)) {
    std::string base;
    qbase::WideToMultiByte(context->GetSettings().gamePath, qbase::kCodePageAnsi, &base);
    base = NormalizeDirPathA(base, false);
    std::vector<std::string> paths;
    ListFilesRecursive(base, &paths, {"save", "update", "exception", "cef_temp"});
    QueueHashes(base, paths);
  }
  remote_map_embedded_ = false;
}

void PrepareState::QueueHashes(const std::string& base, const std::vector<std::string>& paths) {
  hash_base_ = base;
  pending_hashes_.assign(paths.begin(), paths.end());
  hash_total_ = static_cast<int32_t>(pending_hashes_.size());
}

void PrepareState::OnRequestDone(int32_t result, std::string url, const char* data, int32_t size,
                                 std::string error) {
  const std::string reply = data != nullptr && size > 0 ? std::string(data, size) : std::string();
  if (mode() == UpdateMode::Game) {
    ParseGameDirectoryReply(result, url, reply, error);
  } else {
    ParseLauncherDirectoryReply(result, reply);
  }
}

void PrepareState::ParseLauncherDirectoryReply(int32_t result, const std::string& reply) {
  status = -1;
  if (result < 0) return;
  LauncherContext* context = LauncherContext::GetInstance();
  const LauncherDirectoryReply parsed = ::ParseLauncherDirectoryReply(reply);
  if (parsed.patchOption) context->patchOption = *parsed.patchOption;
  if (parsed.useWebExtraParam) context->useWebExtraParam = *parsed.useWebExtraParam;
  if (parsed.deleteLogTxt) context->deleteLogTxt = *parsed.deleteLogTxt;
  if (parsed.preDlcCheck) context->preDlcCheck = *parsed.preDlcCheck;
  if (parsed.transToGame) {
    WriteJsonFileA(NormalizeDirPathA(GetSaveDirA(), true) + "TransToGame", *parsed.transToGame);
  }
  if (!parsed.contentHosts) return;
  context->forceUpdateLauncher = false;
  world_->SetContentHosts(*parsed.contentHosts);
  if (parsed.activityAddr) context->activityAddr = *parsed.activityAddr;
  if (parsed.forceUpdateLauncher) context->forceUpdateLauncher = true;
  if (parsed.usable) status = 1;
}

void PrepareState::ParseGameDirectoryReply(int32_t result, const std::string& url,
                                           const std::string& reply, const std::string& error) {
  status = -1;
  if (result < 0) {
    errorCode = result;
    errorMessage = "Request Failed:" + error;
    errorDetail = url;
    return;
  }
  const GameDirectoryReply parsed = ::ParseGameDirectoryReply(reply);
  if (parsed.result == GameDirectoryReply::Result::NotJson) {
    errorMessage = "Parse Failed:" + parsed.error;
    SetReplyAsDetail(reply);
    return;
  }
  if (parsed.result == GameDirectoryReply::Result::NoDlcAddr) {
    errorMessage = "Invalid DlcAddr";
    SetReplyAsDetail(reply);
    return;
  }
  world_->SetContentHosts(parsed.contentHosts);
  if (parsed.remoteMap) {
    VersionMap& remote_map = LauncherContext::GetInstance()->versionMaps[remote_map_key_];
    std::string map_error;
    if (ParseVersionMap(*parsed.remoteMap, &remote_map, &map_error)) {
      WriteStringToFileW(tmp_map_path_, *parsed.remoteMap);
      remote_map_embedded_ = true;
    }
  }
  status = 1;
}

void PrepareState::SetReplyAsDetail(const std::string& reply) {
  errorDetail = reply;
  if (reply.size() <= kLongestShownReply) return;
  // A game pass may come before any launcher pass made the folder.
  MakeDirectoriesW(GetExceptionDirW());
  WriteStringToFileW(NormalizeDirPathW(GetExceptionDirW(), true) + L"response.txt", reply);
  errorDetail = "The information has been saved to file:exception/response.txt";
}

void PrepareState::Update() {
  VersionMap& local_map = LauncherContext::GetInstance()->versionMaps[local_map_key_];
  const std::vector<std::string> paths = std::move(pending_hashes_);
  pending_hashes_.clear();
  FileHasher::HashAll(paths, [&](size_t index, const FileHasher::Result& hashed) {
    // Files that cannot be read are left out: the pass then fetches them.
    if (!hashed.ok) return;
    std::string name = paths[index].substr(hash_base_.size() + 1);
    qbase::ReplaceAll("\\", "/", &name);
    local_map[name] = {hashed.md5, hashed.size};
    const float remaining = static_cast<float>(paths.size() - index - 1);
    const int percent =
        static_cast<int>((1.0f - remaining / static_cast<float>(hash_total_)) * 90.0f);
    world_->SendToMainWindow(WM_CHECK_PROGRESS, 0, percent);
  });
  if (status == 0) return;
  std::unique_ptr<State> next;
  if (status > 0 && remote_map_embedded_) {
    next = std::make_unique<CheckVersionState>(mode(), world_);
  } else if (status > 0) {
    next = std::make_unique<RequestRemoteState>(mode(), world_);
  } else if (mode() == UpdateMode::Game) {
    next = std::make_unique<ExceptionState>(errorCode, errorMessage, errorDetail, true, world_);
  } else {
    next = world_->MakeEnterGameState();
  }
  // Destroys this state.
  world_->ChangeState(std::move(next));
}

void PrepareState::Exit(State* /*next*/) {
  pending_hashes_.clear();
  hash_total_ = 0;
}
