#include "launcher/update/request_patch_state.h"

#include "launcher/core/launcher_context.h"
#include "launcher/update/service_paths.h"

RequestPatchState::RequestPatchState(UpdateMode mode, UpdateWorld* world)
    : UpdateState(mode, world) {}

void RequestPatchState::Enter(State* /*previous*/) {
  patch_map_key_ =
      mode() == UpdateMode::Game ? VersionMapKey::kGamePatch : VersionMapKey::kLauncherPatch;
  LauncherContext::GetInstance()->ResetVersionMap(patch_map_key_);
  status = 0;
  world_->UseHosts(HostList::Content);
  // Answered through OnRequestDone before this returns.
  world_->Request(BuildPatchPath(*this, "patch_list.txt"), StateId::RequestPatch);
}

void RequestPatchState::OnRequestDone(int32_t result, std::string /*url*/, const char* data,
                                      int32_t size, std::string /*error*/) {
  status = -1;
  if (result < 0) return;
  const std::string list = data != nullptr && size > 0 ? std::string(data, size) : std::string();
  // A list that does not parse leaves the map empty: every file is then fetched whole.
  std::string error;
  ParseVersionMap(list, &LauncherContext::GetInstance()->versionMaps[patch_map_key_], &error);
  status = 1;
}

void RequestPatchState::Update() {
  if (status == 0) return;
  // Destroys this state.
  world_->ChangeState(world_->MakeDownloadFilesState(mode()));
}
