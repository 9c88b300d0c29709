#include "launcher/update/check_version_state.h"

#include <algorithm>
#include <utility>

#include "base/file_path.h"
#include "launcher/core/apply_list.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/launcher_folders.h"
#include "launcher/core/window_messages.h"
#include "launcher/update/exception_state.h"
#include "launcher/update/request_patch_state.h"

namespace {

std::string ApplyListPath() { return NormalizeDirPathA(GetUpdateDirA(), true) + "apply_list.txt"; }

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

CheckVersionState::CheckVersionState(UpdateMode mode, UpdateWorld* world)
    : UpdateState(mode, world) {}

void CheckVersionState::Enter(State* /*previous*/) {
  world_->SendToMainWindow(WM_STATE_CHANGED, 0, 0);
  LauncherContext* context = LauncherContext::GetInstance();
  if (mode() == UpdateMode::Game) {
    local_map_key_ = VersionMapKey::kLocalGame;
    remote_map_key_ = VersionMapKey::kRemoteGame;
    update_map_key_ = VersionMapKey::kUpdateGame;
    const std::wstring game_folder = NormalizeDirPathW(context->GetSettings().gamePath, true);
    tmp_map_path_ = game_folder + L"tmp_version_map.txt";
    local_map_path_ = game_folder + L"version_map.txt";
  } else {
    local_map_key_ = VersionMapKey::kLocalLauncher;
    remote_map_key_ = VersionMapKey::kRemoteLauncher;
    update_map_key_ = VersionMapKey::kUpdateLauncher;
    tmp_map_path_ = L".\\tmp_launcher_version_map.txt";
    local_map_path_ = L".\\launcher_version_map.txt";
  }
  VersionMap& update_map = context->versionMaps[update_map_key_];
  VersionMap& local_map = context->versionMaps[local_map_key_];
  const VersionMap& remote_map = context->versionMaps[remote_map_key_];
  delete_list_.clear();
  // Leaves in the local map only the names it no longer has.
  DiffVersionMaps(&local_map, remote_map, &update_map, &delete_list_);
  world_->SendToMainWindow(WM_CHECK_PROGRESS, 0, 100);
  status = 1;
}

void CheckVersionState::Update() {
  if (status == 0) return;
  LauncherContext* context = LauncherContext::GetInstance();
  VersionMap& update_map = context->versionMaps[update_map_key_];
  const bool game = mode() == UpdateMode::Game;
  if (game) {
    ResumeInterruptedApply(&update_map);
  } else {
    RemoveDroppedSkin();
  }
  if (update_map.empty()) {
    FinishWithNothingToFetch();
    return;
  }

  const std::string version = game ? context->gameVersion : context->launcherVersion;
  context->ResetVersionMap(game ? VersionMapKey::kGamePatch : VersionMapKey::kLauncherPatch);
  if (game) {
    // The answer comes after this state is gone: it carries what it needs.
    UpdateWorld* world = world_;
    const UpdateMode pass = mode();
    const bool room = world_->CheckDiskSpaceForUpdate([world, version, pass](DialogResult answer) {
      if (answer == DialogResult::Cancel) return;
      world->PostToWorker([world, version, pass] {
        LauncherContext::GetInstance()->errorShown = false;
        world->ChangeState(NextForUpdate(version, pass, world));
      });
    });
    if (!room) {
      // Parks the pass without a dialog until the question is answered.
      world_->ChangeState(
          std::make_unique<ExceptionState>(errorCode, errorMessage, errorDetail, false, world_));
      return;
    }
  }
  // Destroys this state.
  world_->ChangeState(NextForUpdate(version, mode(), world_));
}

std::unique_ptr<State> CheckVersionState::NextForUpdate(const std::string& version, UpdateMode mode,
                                                        UpdateWorld* world) {
  if (LauncherContext::GetInstance()->patchOption > 0 && !version.empty()) {
    return std::make_unique<RequestPatchState>(mode, world);
  }
  return world->MakeDownloadFilesState(mode);
}

void CheckVersionState::ResumeInterruptedApply(VersionMap* update_map) {
  ApplyList applied;
  if (!ReadApplyList(ApplyListPath(), &applied)) return;
  if (applied.version != LauncherContext::GetInstance()->targetGameVersion) {
    // A record of another target never survives.
    DeleteFileA(ApplyListPath().c_str());
    return;
  }
  for (const std::string& name : applied.fileList) update_map->erase(name);
}

void CheckVersionState::RemoveDroppedSkin() {
  const auto skin = std::find(delete_list_.begin(), delete_list_.end(), "resources.zip");
  if (skin == delete_list_.end()) return;
  delete_list_.erase(skin);
  if (FileExists(L".\\resources.zip")) {
    DeleteFileW(L".\\resources.zip");
    LauncherContext::GetInstance()->skinReloadState = SkinReloadState::Removed;
  }
}

void CheckVersionState::FinishWithNothingToFetch() {
  LauncherContext* context = LauncherContext::GetInstance();
  if (FileExists(tmp_map_path_)) {
    CopyFileW(tmp_map_path_.c_str(), local_map_path_.c_str(), FALSE);
    DeleteFileW(tmp_map_path_.c_str());
    if (mode() == UpdateMode::Game) {
      context->LoadGameVersion();
      DeleteFileA(ApplyListPath().c_str());
    } else {
      context->LoadLauncherVersion();
    }
  }
  if (context->skinReloadState != SkinReloadState::Nothing) {
    // Later ticks wait for the reload, whose follow-up replaces whatever is current.
    status = 0;
    UpdateWorld* world = world_;
    world_->ReloadSkin([world] { world->ChangeState(world->MakeEnterGameState()); });
    return;
  }
  world_->ChangeState(world_->MakeEnterGameState());
}

void CheckVersionState::Exit(State* /*next*/) { delete_list_.clear(); }
