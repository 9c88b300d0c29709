#include "launcher/update/enter_game_state.h"

#include <windows.h>

#include <fstream>
#include <utility>
#include <vector>

#include <json/json.h>

#include "base/file_path.h"
#include "base/folder_util.h"
#include "base/json_util.h"
#include "base/md5.h"
#include "base/scoped_handle.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/launcher_folders.h"
#include "launcher/core/version_text.h"
#include "launcher/update/directory_reply.h"
#include "launcher/update/service_paths.h"

namespace {

// The system's tick count wraps here for the timers' comparisons.
constexpr int64_t kTickModulus = 0x7fffffff;
constexpr uint32_t kMinuteMs = 60000;

// "setting.json" intervals are whole minutes from 1 to 99.
bool IsValidInterval(int minutes) { return minutes >= 1 && minutes <= 99; }

// Moves a file of the launcher's "save" folder into the game's, keeping the
// source when the copy fails.
void MoveIntoGameSave(const std::wstring& game_save, const wchar_t* name) {
  const std::wstring source = NormalizeDirPathW(GetSaveDirW(), true) + name;
  const std::wstring target = game_save + name;
  {
    const qbase::ScopedHandle file(CreateFileW(source.c_str(), GENERIC_READ,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return;
  }
  if (CopyFileW(source.c_str(), target.c_str(), FALSE)) DeleteFileW(source.c_str());
}

}  // namespace

uint32_t EnterGameState::lastContentRefreshTick = 0;
bool EnterGameState::contentRefreshed = false;
uint32_t EnterGameState::lastLauncherCheckTick = 0;
uint32_t EnterGameState::lastPreDownloadQueryTick = 0;

EnterGameState::EnterGameState(UpdateWorld* world) : UpdateState(world) {}

uint32_t EnterGameState::Now() const {
  return static_cast<uint32_t>(world_->ReadyClock().NowMilliseconds() % kTickModulus);
}

void EnterGameState::Enter(State* /*previous*/) {
  world_->SendToMainWindow(WM_STATE_CHANGED, 0, 0);
  status = 0;
  query_step_ = 0;
  content_hosts_.clear();
  pre_download_hosts_.clear();

  LauncherContext* context = LauncherContext::GetInstance();
  const ServiceSettings settings = context->serviceSettings;
  refresh_interval_ms_ = IsValidInterval(settings.RefreshInterval)
                             ? static_cast<uint32_t>(settings.RefreshInterval) * kMinuteMs
                             : kDefaultRefreshIntervalMs;
  const bool update_interval_valid = IsValidInterval(settings.UpdateInterval);
  const uint32_t update_interval_ms = static_cast<uint32_t>(settings.UpdateInterval) * kMinuteMs;
  lastLauncherCheckTick = Now();
  launcher_check_interval_ms_ =
      update_interval_valid ? update_interval_ms : kDefaultLauncherCheckIntervalMs;
  lastPreDownloadQueryTick = 0;
  pre_download_query_due_ = true;
  pre_download_query_interval_ms_ =
      (update_interval_valid ? update_interval_ms : kDefaultPreDownloadQueryIntervalMs) +
      kPreDownloadQueryDelayMs;

  if (OfferSelfUpdate()) return;
  if (context->startGameAfterPass) StartGame();
}

bool EnterGameState::OfferSelfUpdate() {
  LauncherContext* context = LauncherContext::GetInstance();
  const bool files_waiting =
      context->launcherExeUpdated || context->cefFilesUpdated || context->fontsUpdated;
  if (!files_waiting || !context->restartPromptArmed) return false;
  context->restartPromptArmed = false;
  world_->SendToMainWindow(WM_SHOW_LAUNCHER, 0, 0);
  UpdateWorld* world = world_;
  if (context->forceUpdateLauncher) {
    // Closing the box counts as agreeing.
    world_->ShowMessageBox(L"STRING_UPDATE_NOTICE", L"STRING_UPDATE_LAUNCHER", L"",
                           L"STRING_CONFIRM",
                           [world](DialogResult /*result*/) { world->RunSelfUpdate(); });
  } else {
    // Declined, the files wait for the helper the launcher's exit starts.
    world_->ShowMessageBox(L"STRING_UPDATE_NOTICE", L"STRING_UPDATE_LAUNCHER", L"STRING_CANCEL",
                           L"STRING_CONFIRM", [world](DialogResult result) {
                             if (result != DialogResult::Cancel) world->RunSelfUpdate();
                           });
  }
  return true;
}

void EnterGameState::StartGame() {
  LauncherContext* context = LauncherContext::GetInstance();
  const std::wstring game_folder = NormalizeDirPathW(context->GetSettings().gamePath, true);
  std::string md5;
  {
    std::ifstream stream((game_folder + L"version_map.txt").c_str(), std::ios::binary);
    int64_t size = 0;
    if (!stream.is_open() || !ComputeStreamMd5(stream, &md5, &size)) {
      world_->ShowMessageBox(L"STRING_ERROR_NOTICE", L"STRING_ERROR_CHECK_GAME_FAILED", L"",
                             L"STRING_CONFIRM", nullptr);
      return;
    }
  }
  context->downloadLog.downloadSize = 0;
  context->downloadLog.downloadSpeed = 0;
  context->downloadLog.downloadTime = 0;

  const std::wstring game_save = game_folder + L"save\\";
  if (!DirectoryExistsW(game_save)) MakeDirectoriesW(game_save);
  MoveIntoGameSave(game_save, L"gid.txt");
  MoveIntoGameSave(game_save, L"TransToGame");

  std::vector<int> free_slots;
  context->GetFreeGameInstanceSlots(&free_slots);
  if (free_slots.empty()) {
    world_->ShowMessageBox(L"STRING_ERROR_NOTICE", L"STRING_ERROR_EXCEED_MAX_GAME_INSTANCE", L"",
                           L"STRING_CONFIRM", nullptr);
    return;
  }
  world_->SendToMainWindow(WM_HIDE_LAUNCHER, 0, 0);
  context->RunGame(md5, free_slots.front());
  if (context->downloadLog.firstInstall) {
    context->downloadLog.firstInstall = false;
    context->SaveDownloadLog();
  }
}

void EnterGameState::Update() {
  const uint32_t now = Now();
  if (!contentRefreshed || now - lastContentRefreshTick >= refresh_interval_ms_) {
    contentRefreshed = true;
    lastContentRefreshTick = now;
    world_->SendToMainWindow(WM_REFRESH_CONTENT, 0, 0);
  }
  if (query_step_ != 0) return;
  world_->SendQueuedReport();
  if (query_step_ != 0) return;
  if (now - lastLauncherCheckTick >= launcher_check_interval_ms_) {
    lastLauncherCheckTick = now;
    world_->StartLauncherPass();
    return;
  }
  if (!pre_download_query_due_ && now - lastPreDownloadQueryTick < pre_download_query_interval_ms_)
    return;
  // Asked again on every tick until a version is installed.
  if (LauncherContext::GetInstance()->gameVersion.empty()) return;
  pre_download_query_due_ = false;
  lastPreDownloadQueryTick = now;
  RequestStep(1, HostList::Gate, BuildPreDownloadPath());
}

void EnterGameState::RequestStep(int32_t step, HostList hosts, const std::string& path) {
  query_step_ = step;
  world_->UseHosts(hosts);
  // Answered through OnRequestDone before this returns.
  world_->Request(path, StateId::EnterGame);
}

void EnterGameState::OnRequestDone(int32_t result, std::string /*url*/, const char* data,
                                   int32_t size, std::string /*error*/) {
  if (result < 0) {
    // The pre-download query and the patch list are optional.
    if (query_step_ == 1) {
      OnPreDownloadQueryReply("{}");
    } else if (query_step_ == 5) {
      OnPreDownloadPatchListReply("{}");
    } else {
      query_step_ = 0;
    }
    return;
  }
  const std::string reply = data != nullptr && size > 0 ? std::string(data, size) : std::string();
  switch (query_step_) {
    case 1:
      OnPreDownloadQueryReply(reply);
      break;
    case 2:
      OnDirectoryReply(reply);
      break;
    case 3:
      OnGameVersionMapReply(reply);
      break;
    case 4:
      OnPreDownloadMapReply(reply);
      break;
    case 5:
      OnPreDownloadPatchListReply(reply);
      break;
    default:
      break;
  }
}

void EnterGameState::OnPreDownloadQueryReply(const std::string& reply) {
  query_step_ = 0;
  std::string error;
  // Without hosts here the directory reply's "PreDlcAddr" may name them.
  ParsePreDownloadReply(reply, &pre_download_hosts_, &error);
  RequestStep(2, HostList::Gate, BuildGetUrlsPath());
}

void EnterGameState::OnDirectoryReply(const std::string& reply) {
  query_step_ = 0;
  std::vector<std::string> pre_download_hosts;
  std::string error;
  if (!ParseDirectoryReply(reply, &content_hosts_, &pre_download_hosts, &error,
                           pre_download_hosts_.empty())) {
    return;
  }
  if (pre_download_hosts_.empty()) pre_download_hosts_ = std::move(pre_download_hosts);
  world_->SetContentHosts(content_hosts_);
  RequestStep(3, HostList::Content, "version_map.txt");
}

void EnterGameState::OnGameVersionMapReply(const std::string& reply) {
  query_step_ = 0;
  LauncherContext* context = LauncherContext::GetInstance();
  Json::Value root;
  Json::Value version;
  std::string error;
  if (reply.empty() || !ParseJson(reply, &root, &error) ||
      !FindJsonMemberDeep(root, "version", &version) || !version.isObject() ||
      !version["md5"].isString() || version["md5"].asString().empty()) {
    return;
  }
  context->targetGameVersion = version["md5"].asString();
  if (context->IsGameUpdateAvailable()) world_->SendToMainWindow(WM_REFRESH_GAME_BUTTON, 0, 0);
  if (world_->PreDownloadState() != nullptr || context->preDownloadPaused) return;
  if (!context->preDownloadFolders.empty() && context->PrunePreDownloadFolders() <= 0) {
    SendPreDownloadPage(PreDownloadPage::None);
  }
  if (pre_download_hosts_.empty()) {
    SendPreDownloadPage(PreDownloadPage::None);
    return;
  }
  world_->SetContentHosts(pre_download_hosts_);
  RequestStep(4, HostList::Content, "version_map.txt");
}

void EnterGameState::OnPreDownloadMapReply(const std::string& reply) {
  query_step_ = 0;
  LauncherContext* context = LauncherContext::GetInstance();
  VersionMap& remote = context->versionMaps[VersionMapKey::kRemotePreDownload];
  std::string error;
  if (!ParseVersionMap(reply, &remote, &error)) return;
  const std::string version = GetVersionMapVersion(remote);
  if (version.empty()) return;
  // The version names a folder of its own; anything else is not offered.
  if (!IsVersionFolderName(version)) {
    SendPreDownloadPage(PreDownloadPage::None);
    return;
  }
  context->preDownloadVersion = version;
  if (CompareVersions(version, context->gameVersion, context->targetGameVersion) !=
      VersionComparison::VersionNewer) {
    SendPreDownloadPage(PreDownloadPage::None);
    return;
  }
  if (context->patchOption > 0) {
    world_->SetContentHosts(pre_download_hosts_);
    RequestStep(5, HostList::Content, BuildPatchPath(*this, "patch_list.txt"));
    return;
  }
  FinishPreDownloadQuery();
}

void EnterGameState::OnPreDownloadPatchListReply(const std::string& reply) {
  query_step_ = 0;
  std::string error;
  // Without a usable list the whole files are offered.
  ParseVersionMap(reply,
                  &LauncherContext::GetInstance()->versionMaps[VersionMapKey::kPreDownloadPatch],
                  &error);
  FinishPreDownloadQuery();
}

void EnterGameState::FinishPreDownloadQuery() {
  LauncherContext* context = LauncherContext::GetInstance();
  const int complete = context->CheckPreDownloadComplete();
  if (complete == -1) {
    SendPreDownloadPage(PreDownloadPage::None);
    return;
  }
  if (complete == 0) {
    SendPreDownloadPage(PreDownloadPage::Finish);
    return;
  }
  if (context->preDownloadAutoStart) {
    world_->StartPreDownload();
    return;
  }
  if (!context->LoadLocalGameVersionMap()) {
    SendPreDownloadPage(PreDownloadPage::None);
    return;
  }
  VersionMap& update = context->ResetVersionMap(VersionMapKey::kUpdatePreDownload);
  std::vector<std::string> deleted;
  DiffVersionMaps(&context->versionMaps[VersionMapKey::kLocalGame],
                  context->versionMaps[VersionMapKey::kRemotePreDownload], &update, &deleted);
  if (update.empty()) {
    SendPreDownloadPage(PreDownloadPage::Finish);
    return;
  }
  const VersionMap& patches = context->versionMaps[VersionMapKey::kPreDownloadPatch];
  const bool patches_usable = context->patchOption > 0 && !patches.empty();
  int64_t size = 0;
  for (const auto& [name, entry] : update) {
    const auto patch = patches_usable ? patches.find(name) : patches.end();
    size += patch != patches.end() ? patch->second.size : entry.size;
  }
  context->preDownloadSize = size;
  SendPreDownloadPage(PreDownloadPage::Offer);
}

void EnterGameState::SendPreDownloadPage(PreDownloadPage page) {
  world_->SendToMainWindow(WM_PREDOWNLOAD_STATUS, static_cast<WPARAM>(page), 0);
}
