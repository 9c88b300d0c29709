#include "launcher/update/pre_download_state.h"

#include <set>
#include <utility>
#include <vector>

#include "base/file_io.h"
#include "base/file_path.h"
#include "base/folder_util.h"
#include "base/scoped_handle.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/launcher_folders.h"
#include "launcher/core/version_text.h"
#include "launcher/core/window_messages.h"
#include "launcher/update/directory_reply.h"
#include "launcher/update/patch_suffix.h"
#include "launcher/update/service_paths.h"
#include "launcher/update/update_error_dialog.h"
#include "ui/resources/language_string_table.h"

namespace {

constexpr char kUnfinishedMapName[] = "tmp_predownload_version_map.txt";
constexpr char kFinishedMapName[] = "predownload_version_map.txt";
// Every request failure names this phase, whichever phase failed.
constexpr char kRequestFailedPrefix[] = "PreDlc Request:7 Failed:";

std::string VersionFolder(const std::string& version) {
  return NormalizeDirPathA(GetPreDownloadDirA(), true) + version;
}

bool FileOpensForReading(const std::string& path) {
  const qbase::ScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.IsValid();
}

State* PreDownloadSlot() { return LauncherContext::GetInstance()->preDownloadState.get(); }

}  // namespace

PreDownloadState::PreDownloadState(UpdateWorld* world) : UpdateState(world) {}

void PreDownloadState::Enter(State* /*previous*/) {
  if (!DirectoryExistsA(GetPreDownloadDirA())) MakeDirectoriesA(GetPreDownloadDirA());
  files_outstanding_ = false;
  GoTo(Phase::Query);
  SendPage(static_cast<int32_t>(PreDownloadPage::Download), 0);
}

void PreDownloadState::GoTo(Phase phase) {
  phase_ = phase;
  status = static_cast<int32_t>(phase);
}

void PreDownloadState::SendPage(int32_t page, LPARAM detail) {
  world_->SendToMainWindow(WM_PREDOWNLOAD_STATUS, static_cast<WPARAM>(page), detail);
}

void PreDownloadState::Fail(int32_t code, const std::string& message, const std::string& detail) {
  status = -1;
  phase_ = Phase::Failed;
  errorCode = code;
  errorMessage = message;
  errorDetail = detail;
}

void PreDownloadState::Update() {
  if (status == 0) {
    if (phase_ == Phase::Download) CheckCompletion();
    return;
  }
  if (status > 0) {
    RunPhase();
    return;
  }
  if (phase_ != Phase::Failed) return;
  phase_ = Phase::Idle;
  SendPage(static_cast<int32_t>(PreDownloadPage::None), 0);
  LauncherContext::GetInstance()->preDownloadAutoStart = false;
  if (errorMessage.empty()) {
    // Destroys this state.
    world_->EndPreDownloadState();
    return;
  }
  // The state idles in its slot until the dialog has been closed.
  UpdateWorld* world = world_;
  ShowUpdateError(
      *this, L"", L"STRING_CONFIRM", [world](bool /*yes*/) { world->StopPreDownload(); }, world_);
}

void PreDownloadState::RunPhase() {
  switch (phase_) {
    case Phase::Query:
      status = 0;
      world_->UseHosts(HostList::Gate);
      world_->Request(BuildPreDownloadPath(), StateId::PreDownload);
      break;
    case Phase::Directory:
      status = 0;
      world_->UseHosts(HostList::Gate);
      world_->Request(BuildGetUrlsPath(), StateId::PreDownload);
      break;
    case Phase::VersionMap:
      status = 0;
      world_->UseHosts(HostList::Content);
      world_->Request("version_map.txt", StateId::PreDownload);
      break;
    case Phase::PatchList:
      status = 0;
      world_->UseHosts(HostList::Content);
      world_->Request(BuildPatchPath(*this, "patch_list.txt"), StateId::PreDownload);
      break;
    case Phase::Download:
      world_->UseHosts(HostList::Content);
      // The answer sets the status; a probe that cannot be asked would leave
      // the state waiting for ever.
      if (!world_->Probe(BuildPatchPath(*this, "TOVA.exe.patch"), StateId::PreDownload)) {
        Fail(0, "PreDlc probe failed: no content host", "");
      }
      break;
    case Phase::End:
      // Destroys this state.
      Finish();
      break;
    case Phase::Idle:
    case Phase::Failed:
      break;
  }
}

void PreDownloadState::OnRequestDone(int32_t result, std::string url, const char* data,
                                     int32_t size, std::string error) {
  status = -1;
  if (result < 0) {
    if (phase_ == Phase::Query) {
      GoTo(Phase::Directory);
    } else if (phase_ == Phase::PatchList) {
      GoTo(Phase::Download);
    } else {
      Fail(result, kRequestFailedPrefix + error, url);
    }
    return;
  }
  const std::string reply = data != nullptr && size > 0 ? std::string(data, size) : std::string();
  switch (phase_) {
    case Phase::Query: {
      std::vector<std::string> hosts;
      std::string parse_error;
      if (ParsePreDownloadReply(reply, &hosts, &parse_error) && !hosts.empty()) {
        world_->SetContentHosts(hosts);
        GoTo(Phase::VersionMap);
      } else {
        GoTo(Phase::Directory);
      }
      break;
    }
    case Phase::Directory:
      OnDirectoryReply(reply);
      break;
    case Phase::VersionMap:
      OnVersionMapReply(reply);
      break;
    case Phase::PatchList: {
      std::string parse_error;
      // Without a usable list whole files are fetched.
      ParseVersionMap(
          reply, &LauncherContext::GetInstance()->versionMaps[VersionMapKey::kPreDownloadPatch],
          &parse_error);
      GoTo(Phase::Download);
      break;
    }
    default:
      Fail(errorCode, std::string(kRequestFailedPrefix) + " unknown", url);
      break;
  }
}

void PreDownloadState::OnDirectoryReply(const std::string& reply) {
  std::vector<std::string> content_hosts;
  std::vector<std::string> pre_download_hosts;
  std::string error;
  if (!ParseDirectoryReply(reply, &content_hosts, &pre_download_hosts, &error, true)) {
    Fail(errorCode, "PreDlc parse gate dlcAddr Failed:" + error, reply);
    return;
  }
  if (pre_download_hosts.empty()) {
    // No next version is out: the state ends without a word.
    Fail(errorCode, "", errorDetail);
    return;
  }
  world_->SetContentHosts(pre_download_hosts);
  GoTo(Phase::VersionMap);
}

void PreDownloadState::OnVersionMapReply(const std::string& reply) {
  LauncherContext* context = LauncherContext::GetInstance();
  VersionMap& remote = context->versionMaps[VersionMapKey::kRemotePreDownload];
  std::string error;
  if (!ParseVersionMap(reply, &remote, &error)) {
    Fail(errorCode, "PreDlc parse remote Failed: :" + error, reply);
    return;
  }
  const std::string version = GetVersionMapVersion(remote);
  // The version names a folder: only a version text may.
  const VersionComparison comparison =
      IsVersionFolderName(version)
          ? CompareVersions(version, context->gameVersion, context->targetGameVersion)
          : VersionComparison::VersionUnreadable;
  if (comparison != VersionComparison::VersionNewer) {
    std::string message;
    const ui::LanguageStringTable* strings = ui::LanguageStringTable::GetInstance();
    switch (comparison) {
      case VersionComparison::VersionBelowDependence:
        message = strings->GetStringByIdUtf8("STRING_ERROR_DLC_OUTDATED");
        break;
      case VersionComparison::VersionNotNewer:
        message = strings->GetStringByIdUtf8("STRING_ERROR_DLC_LAST");
        break;
      case VersionComparison::VersionAboveDependence:
        message = strings->GetStringByIdUtf8("STRING_ERROR_DLC_FIRST");
        break;
      default:
        message = "PreDlc check failed:" + std::to_string(static_cast<int32_t>(comparison));
        break;
    }
    Fail(errorCode, message, errorDetail);
    return;
  }

  context->preDownloadVersion = version;
  const std::string folder = VersionFolder(version);
  if (!DirectoryExistsA(folder)) MakeDirectoriesA(folder);
  if (context->preDownloadAutoStart) {
    WriteStringToFileA(folder + "\\" + kUnfinishedMapName, reply);
  }
  VersionMap& update = context->ResetVersionMap(VersionMapKey::kUpdatePreDownload);
  if (context->LoadLocalGameVersionMap()) {
    std::vector<std::string> deleted;
    DiffVersionMaps(&context->versionMaps[VersionMapKey::kLocalGame], remote, &update, &deleted);
  }
  if (update.empty()) {
    GoTo(Phase::End);
    return;
  }
  files_outstanding_ = true;
  if (!context->preDownloadAutoStart) {
    // Only the offer is shown.
    GoTo(Phase::End);
    return;
  }
  context->ResetVersionMap(VersionMapKey::kPreDownloadPatch);
  GoTo(context->patchOption > 0 && !context->gameVersion.empty() ? Phase::PatchList
                                                                 : Phase::Download);
}

void PreDownloadState::OnProbeDone(int32_t result, std::string url, bool exists,
                                   std::string error) {
  if (result >= 0) {
    CurrentPatchSuffix = !exists;
    StartDownloads();
    return;
  }
  if (status >= 0) Fail(result, error, url);
}

void PreDownloadState::StartDownloads() {
  LauncherContext* context = LauncherContext::GetInstance();
  world_->UseHosts(HostList::Content);
  world_->CancelTransfers(DownloadMode::PreDownload);
  status = 0;
  world_->ResetTransferStatistics();

  const VersionMap& patches = context->versionMaps[VersionMapKey::kPreDownloadPatch];
  const bool patches_usable = context->patchOption > 0 && !patches.empty();
  const VersionMap& update = context->versionMaps[VersionMapKey::kUpdatePreDownload];
  const std::string folder = VersionFolder(context->preDownloadVersion);
  // Files are named by their content: entries of the same content share
  // one target, which is fetched once.
  std::set<std::string> targets;
  int64_t total = 0;
  pending_files_ = 0;
  for (const auto& [name, entry] : update) {
    std::string url = name;
    std::string md5 = entry.md5;
    int64_t size = entry.size;
    const auto patch = patches_usable ? patches.find(name) : patches.end();
    if (patch != patches.end()) {
      url = BuildPatchPath(*this, name + PatchSuffix());
      md5 = patch->second.md5;
      size = patch->second.size;
    }
    const std::string target = folder + "\\" + md5;
    if (!targets.insert(target).second) continue;
    ++pending_files_;
    total += size;
    world_->DownloadFile(url, target, md5, size, StateId::PreDownload);
  }
  world_->SetTransferTotal(total);
  world_->SendToMainWindow(WM_DOWNLOAD_PROGRESS, static_cast<WPARAM>(total),
                           static_cast<LPARAM>(world_->TransferredBytes()));
  SendPage(static_cast<int32_t>(PreDownloadPage::Download), 1);
  world_->SendToGameWindows(WM_GAME_PREDOWNLOAD_STATE, 0, 3);
}

void PreDownloadState::OnFileDownloaded(int32_t result, std::string url, std::string message) {
  if (result >= 0) {
    --pending_files_;
    return;
  }
  // Only the first failure is reported.
  if (status >= 0) Fail(result, message, url);
}

void PreDownloadState::OnDownloadSpeed(double bytes_per_second) {
  world_->AddSpeedSample(bytes_per_second);
}

void PreDownloadState::CheckCompletion() {
  if (pending_files_ > 0) return;
  const std::string folder = VersionFolder(LauncherContext::GetInstance()->preDownloadVersion);
  const std::string unfinished = folder + "\\" + kUnfinishedMapName;
  if (FileOpensForReading(unfinished)) {
    MoveFileExA(unfinished.c_str(), (folder + "\\" + kFinishedMapName).c_str(),
                MOVEFILE_REPLACE_EXISTING);
  }
  files_outstanding_ = false;
  GoTo(Phase::End);
  world_->ReportTransferStatistics("done");
}

void PreDownloadState::Finish() {
  LauncherContext* context = LauncherContext::GetInstance();
  phase_ = Phase::Idle;
  status = 0;
  if (files_outstanding_) {
    SendPage(static_cast<int32_t>(PreDownloadPage::Offer), 0);
  } else {
    std::vector<std::string>& folders = context->preDownloadFolders;
    bool listed = false;
    for (const std::string& name : folders) listed |= name == context->preDownloadVersion;
    if (!listed) folders.push_back(context->preDownloadVersion);
    SendPage(static_cast<int32_t>(PreDownloadPage::Finish), 0);
    world_->SendToGameWindows(WM_GAME_PREDOWNLOAD_STATE, 0, 4);
  }
  context->preDownloadAutoStart = false;
  // Destroys this state.
  world_->EndPreDownloadState();
}

void PreDownloadState::Exit(State* /*next*/) {
  if (phase_ == Phase::Download) world_->CancelTransfers(DownloadMode::PreDownload);
  phase_ = Phase::Idle;
  pending_files_ = 0;
  status = 0;
}

void ForwardPreDownloadFileDownloaded(int32_t /*tag*/, int32_t result, const std::string& url,
                                      const std::string& message) {
  if (State* state = PreDownloadSlot()) state->OnFileDownloaded(result, url, message);
}

void ForwardPreDownloadRequestDone(int32_t /*tag*/, int32_t result, const std::string& url,
                                   const char* data, int32_t size, const std::string& error) {
  if (State* state = PreDownloadSlot()) state->OnRequestDone(result, url, data, size, error);
}

void ForwardPreDownloadProbeDone(int32_t /*tag*/, int32_t result, const std::string& url,
                                 bool exists, const std::string& error) {
  if (State* state = PreDownloadSlot()) state->OnProbeDone(result, url, exists, error);
}

void ForwardPreDownloadSpeed(int32_t /*tag*/, double bytes_per_second) {
  if (State* state = PreDownloadSlot()) state->OnDownloadSpeed(bytes_per_second);
}
