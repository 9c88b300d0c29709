#include "launcher/update/apply_update_state.h"

#include <windows.h>

#include <memory>
#include <utility>

#include "base/file_io.h"
#include "base/file_path.h"
#include "base/folder_util.h"
#include "base/json_util.h"
#include "base/md5.h"
#include "base/string_util.h"
#include "launcher/core/exit_requested.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/launcher_folders.h"
#include "launcher/core/window_messages.h"
#include "launcher/update/exception_state.h"
#include "launcher/update/patch_apply.h"
#include "launcher/update/patch_suffix.h"

namespace {

constexpr char kApplyFailed[] = "Apply Failed";
// The game pass never replaces the launcher's executable.
constexpr char kLauncherExe[] = "launcher.exe";

std::string UpdateFolder() { return NormalizeDirPathA(GetUpdateDirA(), true); }
std::string ApplyListPath() { return UpdateFolder() + "apply_list.txt"; }

std::wstring Widen(const std::string& narrow) {
  std::wstring wide;
  qbase::MultiByteToWide(narrow, qbase::kCodePageAnsi, &wide);
  return wide;
}

std::string Narrow(const std::wstring& wide) {
  std::string narrow;
  qbase::WideToMultiByte(wide, qbase::kCodePageAnsi, &narrow);
  return narrow;
}

void CreateFolderOfW(const std::wstring& path) {
  std::wstring folder;
  std::wstring name;
  if (SplitPathW(path, &folder, &name) && !folder.empty() && !DirectoryExistsW(folder)) {
    MakeDirectoriesW(folder);
  }
}

bool FileHasMd5(const std::string& path, const std::string& md5) {
  std::string actual;
  int64_t size = 0;
  return VerifyFileMd5(path, md5, &actual, &size);
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

ApplyUpdateState::ApplyUpdateState(UpdateMode mode, UpdateWorld* world)
    : UpdateState(mode, world) {}

void ApplyUpdateState::Enter(State* /*previous*/) {
  world_->SendToMainWindow(WM_STATE_CHANGED, 0, 0);
  status = 0;
  ExitRequested = false;
  if (mode() == UpdateMode::Launcher) {
    ApplyLauncherUpdate();
    return;
  }
  LauncherContext* context = LauncherContext::GetInstance();
  apply_list_ = ApplyList();
  if (ReadApplyList(ApplyListPath(), &apply_list_) &&
      apply_list_.version != context->targetGameVersion) {
    apply_list_.fileList.clear();
  }
  apply_list_.version = context->targetGameVersion;
  // Patches an interrupted run applied and did not get to delete.
  patch_cleanup_ = apply_list_.fileList;
  pending_names_.clear();
  for (const auto& entry : context->versionMaps[VersionMapKey::kUpdateGame]) {
    if (entry.first != kLauncherExe) pending_names_.push_back(entry.first);
  }
  total_count_ = static_cast<int32_t>(pending_names_.size());
  failed_names_.clear();
  world_->SendToMainWindow(WM_CHECK_PROGRESS, 0, 0);
}

bool ApplyUpdateState::PatchesUsable() const {
  LauncherContext* context = LauncherContext::GetInstance();
  const char* key =
      mode() == UpdateMode::Game ? VersionMapKey::kGamePatch : VersionMapKey::kLauncherPatch;
  return context->patchOption > 0 && !context->versionMaps[key].empty();
}

ApplyUpdateState::PatchTry ApplyUpdateState::ApplyVerifiedPatch(const std::string& old_path,
                                                                const std::string& new_path,
                                                                const std::string& patch_path,
                                                                const std::string& md5) const {
  const bool in_memory = LauncherContext::GetInstance()->patchOption == 1;
  const std::wstring old_wide = Widen(old_path);
  const std::wstring new_wide = Widen(new_path);
  const std::wstring patch_wide = Widen(patch_path);
  PatchTry attempt;
  const PatchOutcome outcome = in_memory ? ApplyPatchInMemoryW(old_wide, new_wide, patch_wide)
                                         : ApplyPatchFileW(old_wide, new_wide, patch_wide,
                                                           [] { return ExitRequested.load(); });
  if (!outcome.ok()) {
    attempt.code = in_memory ? kInMemoryPatchFailed : outcome.code();
    return attempt;
  }
  if (!FileHasMd5(new_path, md5)) {
    // Never installed: the next step would move these bytes into place.
    DeleteFileW(new_wide.c_str());
    attempt.code = kPatchOutputMismatch;
    return attempt;
  }
  attempt.ok = true;
  return attempt;
}

bool ApplyUpdateState::FetchWholeFile(const std::string& name, const std::string& patch_path,
                                      int code) {
  if (ExitRequested) return false;
  LauncherContext* context = LauncherContext::GetInstance();
  const VersionMap& update_map =
      context->versionMaps[mode() == UpdateMode::Game ? VersionMapKey::kUpdateGame
                                                      : VersionMapKey::kUpdateLauncher];
  const auto entry = update_map.find(name);
  if (entry == update_map.end()) return false;
  DeleteFileA(patch_path.c_str());
  whole_names_.insert(name);
  // Before the call: a file that completes inside it is answered at once.
  fetching_whole_[name] = code;
  world_->UseHosts(HostList::Content);
  world_->DownloadFile(name, UpdateFolder() + name, entry->second.md5, entry->second.size,
                       StateId::ApplyUpdate);
  return true;
}

void ApplyUpdateState::OnFileDownloaded(int32_t result, std::string url, std::string /*message*/) {
  const auto fetching = fetching_whole_.find(url);
  if (fetching == fetching_whole_.end()) return;
  const std::string name = fetching->first;
  const int code = fetching->second;
  fetching_whole_.erase(fetching);
  const std::string failure = name + "(" + std::to_string(code) + ")";
  if (mode() == UpdateMode::Game) {
    if (result >= 0) {
      pending_names_.push_back(name);
    } else {
      failed_names_.push_back(failure);
    }
    return;
  }
  if (result >= 0) {
    ApplyLauncherFile(name);
  } else {
    error_text_ += " " + failure;
  }
  // The loop over the map finishes by itself when a file completes inside it.
  if (fetching_whole_.empty() && !applying_launcher_files_) FinishLauncherUpdate();
}

void ApplyUpdateState::ApplyLauncherUpdate() {
  LauncherContext* context = LauncherContext::GetInstance();
  context->launcherExeUpdated = false;
  context->cefFilesUpdated = false;
  context->fontsUpdated = false;
  DeleteFileA((UpdateFolder() + "cef_update.txt").c_str());
  DeleteFileA((UpdateFolder() + "font_update.txt").c_str());
  cef_files_.clear();
  font_files_.clear();
  applied_patches_.clear();
  error_text_.clear();
  // A copy: a whole file that completes inside its download call is applied
  // from there.
  const VersionMap update_map = context->versionMaps[VersionMapKey::kUpdateLauncher];
  applying_launcher_files_ = true;
  for (const auto& entry : update_map) ApplyLauncherFile(entry.first);
  applying_launcher_files_ = false;
  if (fetching_whole_.empty()) FinishLauncherUpdate();
}

void ApplyUpdateState::ApplyLauncherFile(const std::string& name) {
  LauncherContext* context = LauncherContext::GetInstance();
  if (!IsSafeEntryName(name)) {
    error_text_ += " " + name;
    return;
  }
  const std::string download = UpdateFolder() + name;
  const std::string installed = ".\\" + name;
  CreateParentFolders(installed);
  const VersionMap& patch_map = context->versionMaps[VersionMapKey::kLauncherPatch];
  if (PatchesUsable() && patch_map.count(name) != 0 && whole_names_.count(name) == 0) {
    const std::string patch = download + PatchSuffix();
    const std::string& md5 = context->versionMaps[VersionMapKey::kUpdateLauncher][name].md5;
    const PatchTry attempt = ApplyVerifiedPatch(installed, download, patch, md5);
    if (!attempt.ok) {
      if (!FetchWholeFile(name, patch, attempt.code)) {
        error_text_ += " " + name + "(" + std::to_string(attempt.code) + ")";
      }
      return;
    }
    applied_patches_.push_back(patch);
  }
  if (name == kLauncherExe) {
    context->launcherExeUpdated = true;
    context->restartPromptArmed = true;
  } else if (StartsWith(name, "cef")) {
    cef_files_.push_back(name);
    context->cefFilesUpdated = true;
  } else if (EndsWith(name, ".ttf")) {
    font_files_.push_back(name);
    context->fontsUpdated = true;
  } else if (CopyFileA(download.c_str(), installed.c_str(), FALSE)) {
    DeleteFileA(download.c_str());
    if (name == "resources.zip") context->skinReloadState = SkinReloadState::Replaced;
  } else {
    error_text_ += " " + name;
  }
}

void ApplyUpdateState::FinishLauncherUpdate() {
  if (!error_text_.empty()) {
    errorMessage = kApplyFailed;
    errorDetail = error_text_;
    status = -1;
    return;
  }
  LauncherContext* context = LauncherContext::GetInstance();
  const bool map_copied =
      CopyFileA(".\\tmp_launcher_version_map.txt", ".\\launcher_version_map.txt", FALSE);
  if (map_copied) {
    DeleteFileA(".\\tmp_launcher_version_map.txt");
    context->LoadLauncherVersion();
  }
  if (!cef_files_.empty()) WriteStringListFile(UpdateFolder() + "cef_update.txt", cef_files_);
  if (!font_files_.empty()) WriteStringListFile(UpdateFolder() + "font_update.txt", font_files_);
  for (const std::string& patch : applied_patches_) DeleteFileA(patch.c_str());
  if (map_copied) {
    status = 1;
    return;
  }
  // The files are in place but the launcher's map still names the old ones.
  errorMessage = kApplyFailed;
  errorDetail = " launcher_version_map.txt";
  status = -1;
}

void ApplyUpdateState::ApplyGameStep() {
  // Nothing to do until the whole files fetched for failed patches arrive.
  if (pending_names_.empty() && !fetching_whole_.empty()) return;
  const qbase::Clock& clock = world_->ReadyClock();
  const int64_t start = clock.NowMilliseconds();
  // At least one name per slice, however long its patch takes.
  while (!pending_names_.empty()) {
    const std::string name = pending_names_.front();
    pending_names_.pop_front();
    ApplyGameFile(name);
    if (clock.NowMilliseconds() - start >= kSliceMilliseconds) break;
  }
  WriteApplyList(ApplyListPath(), apply_list_);
  if (PatchesUsable()) {
    const VersionMap& patch_map =
        LauncherContext::GetInstance()->versionMaps[VersionMapKey::kGamePatch];
    for (const std::string& name : patch_cleanup_) {
      if (patch_map.count(name) != 0) DeleteFileA((UpdateFolder() + name + PatchSuffix()).c_str());
    }
  }
  patch_cleanup_.clear();
  if (pending_names_.empty() && fetching_whole_.empty()) FinishGameUpdate();
}

void ApplyUpdateState::ApplyGameFile(const std::string& name) {
  LauncherContext* context = LauncherContext::GetInstance();
  const std::wstring game_folder = NormalizeDirPathW(context->GetSettings().gamePath, true);
  const std::map<std::wstring, std::wstring> copy_pairs = context->GetFileCopyPairs();
  const auto pair = copy_pairs.find(Widen(name));
  // The game's folder is the base of both names; neither may leave it.
  if (!IsSafeEntryName(name) ||
      (pair != copy_pairs.end() && !IsSafeEntryName(Narrow(pair->second)))) {
    failed_names_.push_back(name);
    return;
  }
  const std::string download = UpdateFolder() + name;
  const std::wstring download_wide = Widen(download);
  const std::wstring installed = game_folder + Widen(name);
  CreateFolderOfW(installed);

  const VersionMap& patch_map = context->versionMaps[VersionMapKey::kGamePatch];
  if (PatchesUsable() && patch_map.count(name) != 0 && whole_names_.count(name) == 0) {
    const std::string patch = download + PatchSuffix();
    const std::wstring old = pair != copy_pairs.end() ? game_folder + pair->second : installed;
    const std::string& md5 = context->versionMaps[VersionMapKey::kUpdateGame][name].md5;
    const PatchTry attempt = ApplyVerifiedPatch(Narrow(old), download, patch, md5);
    if (!attempt.ok) {
      if (!FetchWholeFile(name, patch, attempt.code)) {
        failed_names_.push_back(name + "(" + std::to_string(attempt.code) + ")");
      }
      return;
    }
  }

  if (!MoveFileExW(download_wide.c_str(), installed.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    if (!CopyFileW(download_wide.c_str(), installed.c_str(), FALSE)) {
      failed_names_.push_back(name);
      return;
    }
    DeleteFileW(download_wide.c_str());
  }
  if (pair != copy_pairs.end()) {
    const std::wstring twin = game_folder + pair->second;
    if (!CopyFileW(installed.c_str(), twin.c_str(), FALSE)) {
      failed_names_.push_back(name);
      return;
    }
  }
  apply_list_.fileList.push_back(name);
  patch_cleanup_.push_back(name);
  if (total_count_ > 0) {
    const float left =
        static_cast<float>(pending_names_.size()) * 100.0f / static_cast<float>(total_count_);
    world_->SendToMainWindow(WM_CHECK_PROGRESS, 0, static_cast<LPARAM>(100.0f - left));
  }
}

void ApplyUpdateState::FinishGameUpdate() {
  if (!failed_names_.empty()) {
    errorMessage = kApplyFailed;
    errorDetail = " ";
    for (const std::string& failed : failed_names_) errorDetail += failed + " ";
    status = -1;
    return;
  }
  LauncherContext* context = LauncherContext::GetInstance();
  const std::wstring game_folder = NormalizeDirPathW(context->GetSettings().gamePath, true);
  const std::wstring tmp_map = game_folder + L"tmp_version_map.txt";
  const std::wstring map = game_folder + L"version_map.txt";
  if (!CopyFileW(tmp_map.c_str(), map.c_str(), FALSE)) {
    // The apply list and the new map stay: the next pass finishes the swap.
    errorMessage = kApplyFailed;
    errorDetail = " version_map.txt ";
    status = -1;
    return;
  }
  DeleteFileA(ApplyListPath().c_str());
  DeleteFileW(tmp_map.c_str());
  context->LoadGameVersion();
  if (!context->downloadLog.firstInstall) {
    world_->ReportDownloadSummary("23", "apply_update_game_success", false);
  }
  status = 1;
}

void ApplyUpdateState::Update() {
  if (mode() == UpdateMode::Game) {
    if (status == 0) {
      ApplyGameStep();
    } else if (status < 0) {
      // Destroys this state.
      world_->ChangeState(
          std::make_unique<ExceptionState>(errorCode, errorMessage, errorDetail, true, world_));
    } else {
      world_->ChangeState(world_->MakeEnterGameState());
    }
    return;
  }
  if (status == 0) return;
  // Success or failure alike: a failed launcher apply is never shown.
  LauncherContext* context = LauncherContext::GetInstance();
  if (context->skinReloadState != SkinReloadState::Nothing) {
    // Later ticks wait for the reload, whose follow-up replaces this state.
    status = 0;
    UpdateWorld* world = world_;
    world_->ReloadSkin([world] { world->ChangeState(world->MakeEnterGameState()); });
    return;
  }
  world_->ChangeState(world_->MakeEnterGameState());
}

void ApplyUpdateState::Exit(State* /*next*/) {
  total_count_ = 0;
  pending_names_.clear();
}
