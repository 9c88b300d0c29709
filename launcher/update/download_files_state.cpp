#include "launcher/update/download_files_state.h"

#include <windows.h>

#include <memory>
#include <utility>

#include "base/file_io.h"
#include "base/file_path.h"
#include "base/folder_util.h"
#include "base/md5.h"
#include "base/scoped_handle.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/launcher_folders.h"
#include "launcher/core/window_messages.h"
#include "launcher/download/resume_file.h"
#include "launcher/update/apply_update_state.h"
#include "launcher/update/exception_state.h"
#include "launcher/update/patch_suffix.h"
#include "launcher/update/service_paths.h"

namespace {

// The game executable whose patch tells which suffix the content hosts use.
constexpr char kProbedPatch[] = "TOVA.exe.patch";

bool FileOpensForReading(const std::string& path) {
  const qbase::ScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.IsValid();
}

// Pre-downloaded files are named by their MD5; anything else could name a
// path outside the pre-download folder.
bool IsMd5Text(const std::string& text) {
  if (text.size() != 32) return false;
  for (const char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

bool FileHasMd5(const std::string& path, const std::string& md5) {
  std::string actual;
  int64_t size = 0;
  return VerifyFileMd5(path, md5, &actual, &size);
}

bool MoveOrCopy(const std::string& source, const std::string& target) {
  return MoveFileA(source.c_str(), target.c_str()) ||
         CopyFileA(source.c_str(), target.c_str(), FALSE);
}

// A complete pre-downloaded file counts only once its copy has the MD5 the
// pass wants; a bad copy is removed and the file is downloaded instead.
bool CopyVerified(const std::string& source, const std::string& target, const std::string& md5) {
  if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) return false;
  if (FileHasMd5(target, md5)) return true;
  DeleteFileA(target.c_str());
  return false;
}

// A partial file goes with its resume file, so the queued transfer resumes it.
void MovePartial(const std::string& source, const std::string& target) {
  MoveOrCopy(source, target);
  MoveOrCopy(ResumeFilePath(source), ResumeFilePath(target));
}

}  // namespace

DownloadFilesState::DownloadFilesState(UpdateMode mode, UpdateWorld* world)
    : UpdateState(mode, world) {}

void DownloadFilesState::Enter(State* /*previous*/) {
  if (mode() == UpdateMode::Launcher) {
    StartDownloads();
    return;
  }
  world_->UseHosts(HostList::Content);
  // Answered through OnProbeDone before this returns, unless no host exists.
  const std::string probe = BuildPatchPath(*this, kProbedPatch);
  probe_answered_ = false;
  world_->Probe(probe, StateId::DownloadFiles);
  if (!probe_answered_) {
    // Without an answer nothing would ever move the pass on.
    status = -1;
    errorCode = -1;
    errorMessage = "Request Failed:no content host";
    errorDetail = probe;
  }
}

void DownloadFilesState::OnProbeDone(int32_t result, std::string url, bool exists,
                                     std::string error) {
  probe_answered_ = true;
  if (result < 0) {
    status = -1;
    errorCode = result;
    errorMessage = std::move(error);
    errorDetail = std::move(url);
    return;
  }
  CurrentPatchSuffix = !exists;
  StartDownloads();
}

void DownloadFilesState::StartDownloads() {
  world_->SendToMainWindow(WM_STATE_CHANGED, 0, 0);
  LauncherContext* context = LauncherContext::GetInstance();
  const bool game = mode() == UpdateMode::Game;
  const VersionMap& update_map =
      context->versionMaps[game ? VersionMapKey::kUpdateGame : VersionMapKey::kUpdateLauncher];
  const VersionMap& patch_map =
      context->versionMaps[game ? VersionMapKey::kGamePatch : VersionMapKey::kLauncherPatch];
  const bool use_patches = context->patchOption > 0 && !patch_map.empty();
  status = 0;
  world_->UseHosts(HostList::Content);
  world_->CancelTransfers(DownloadMode::Game);

  const std::string update_folder = NormalizeDirPathA(GetUpdateDirA(), false);
  const std::string pre_download_folder =
      NormalizeDirPathA(GetPreDownloadDirA(), true) + context->targetGameVersion;
  bool adopt = false;
  if (game) {
    adopt = DirectoryExistsA(pre_download_folder);
    if (FileOpensForReading(pre_download_folder + "\\tmp_predownload_version_map.txt")) {
      UpdateWorld* world = world_;
      world_->ShowMessageBox(L"STRING_ERROR_NOTICE", L"STRING_ERROR_DLC_CLOSE", L"",
                             L"STRING_CONFIRM", [world](DialogResult /*answer*/) {
                               world->SendToMainWindow(WM_PREDOWNLOAD_STATUS, 0, 0);
                             });
    }
  }

  world_->ResetTransferStatistics();
  queued_count_ = 0;
  done_count_ = 0;
  int64_t total = 0;
  for (const auto& [entry_name, entry] : update_map) {
    if (!IsSafeEntryName(entry_name)) {
      // The map reader refuses such names; one that got here anyway is never
      // turned into a path.
      status = -1;
      errorMessage = "Load Failed:unsafe file name";
      errorDetail = entry_name;
      break;
    }
    std::string name = entry_name;
    std::string url = entry_name;
    FileEntry file = entry;
    const auto patch = use_patches ? patch_map.find(entry_name) : patch_map.end();
    if (patch != patch_map.end()) {
      name += PatchSuffix();
      url = BuildPatchPath(*this, name);
      file = patch->second;
    }
    if (adopt && AdoptPreDownloadedFile(pre_download_folder, update_folder, name, file.md5)) {
      continue;
    }
    // Counted before the call: a file already in place completes inside it.
    ++queued_count_;
    total += file.size;
    world_->DownloadFile(url, update_folder + "\\" + name, file.md5, file.size,
                         StateId::DownloadFiles);
  }
  world_->SetTransferTotal(total);
  world_->SendToMainWindow(WM_DOWNLOAD_PROGRESS, static_cast<WPARAM>(total),
                           static_cast<LPARAM>(world_->TransferredBytes()));
}

bool DownloadFilesState::AdoptPreDownloadedFile(const std::string& folder,
                                                const std::string& update_folder,
                                                const std::string& name, const std::string& md5) {
  if (!IsMd5Text(md5) || !IsSafeEntryName(name)) return false;
  const std::string source = folder + "\\" + md5;
  const std::string target = update_folder + "\\" + name;
  const std::string target_resume = ResumeFilePath(target);
  if (!FileOpensForReading(source)) return false;
  const bool complete = !FileOpensForReading(ResumeFilePath(source));

  if (!FileOpensForReading(target)) {
    CreateParentFolders(target);
    DeleteFileA(target_resume.c_str());
    if (complete) return CopyVerified(source, target, md5);
    MovePartial(source, target);
    return false;
  }
  // A finished download of its own awaits only its check.
  if (!FileOpensForReading(target_resume)) return false;
  // A partial download of the same content goes on unless the pre-download has it whole.
  if (ResumeFileMatchesMd5(target, md5) && !complete) return false;
  DeleteFileA(target.c_str());
  DeleteFileA(target_resume.c_str());
  if (complete) return CopyVerified(source, target, md5);
  MovePartial(source, target);
  return false;
}

void DownloadFilesState::OnFileDownloaded(int32_t result, std::string url, std::string message) {
  if (result >= 0) {
    ++done_count_;
    return;
  }
  status = -1;
  errorCode = result;
  errorMessage = std::move(message);
  errorDetail = std::move(url);
}

void DownloadFilesState::Update() {
  if (status < 0) {
    // Destroys this state.
    if (mode() == UpdateMode::Game) {
      world_->ChangeState(
          std::make_unique<ExceptionState>(errorCode, errorMessage, errorDetail, true, world_));
    } else {
      world_->ChangeState(world_->MakeEnterGameState());
    }
    return;
  }
  if (done_count_ < queued_count_) return;
  world_->ReportTransferStatistics("done");
  if (mode() == UpdateMode::Game) {
    if (LauncherContext::GetInstance()->downloadLog.firstInstall) {
      world_->ReportDownloadSummary("17", "download_game_finish", true);
    } else {
      world_->ReportDownloadSummary("22", "update_game_finish", true);
    }
  }
  world_->ChangeState(std::make_unique<ApplyUpdateState>(mode(), world_));
}

void DownloadFilesState::Exit(State* /*next*/) {
  queued_count_ = 0;
  done_count_ = 0;
}
