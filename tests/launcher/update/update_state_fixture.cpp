#include "tests/launcher/update/update_state_fixture.h"

#include <json/json.h>

#include "base/folder_util.h"
#include "base/json_util.h"

namespace update_test {

std::string FlatMapText(const std::string& version, const std::vector<MapFile>& files) {
  Json::Value root(Json::objectValue);
  if (!version.empty()) root["version"]["md5"] = version;
  for (const MapFile& file : files) {
    root[file.name]["md5"] = file.md5;
    root[file.name]["size"] = static_cast<Json::Int64>(file.size);
  }
  return WriteJsonText(root);
}

UpdateStateTest::UpdateStateTest() {
  context->currentState.reset();
  context->preDownloadState.reset();
  context->versionMaps.clear();
  context->serviceSettings = ServiceSettings();
  LauncherSettings settings = context->GetSettings();
  settings.gamePath = scratch.Child(L"game");
  context->SetSettings(settings);
  MakeDirectoriesW(settings.gamePath);
  // The context makes it at start-up.
  MakeDirectoriesW(scratch.Child(L"save"));
  context->fileCopyPairs.clear();
  context->gameVersion.clear();
  context->launcherVersion = "1.0.0";
  context->targetGameVersion.clear();
  context->downloadGameVersion.clear();
  context->patchOption = 2;
  context->useWebExtraParam = false;
  context->deleteLogTxt = false;
  context->preDlcCheck = false;
  context->activityAddr.clear();
  context->forceUpdateLauncher = false;
  context->skinReloadState = SkinReloadState::Nothing;
  context->publicIp = "203.0.113.7";
  context->preDownloadAutoStart = false;
  context->preDownloadPaused = false;
  context->errorShown = false;
}

UpdateStateTest::~UpdateStateTest() {
  context->currentState.reset();
  context->preDownloadState.reset();
}

void UpdateStateTest::Enter(std::unique_ptr<State> state) {
  context->ChangeState(std::move(state));
}

void UpdateStateTest::Tick() {
  ASSERT_NE(current(), nullptr);
  current()->Update();
}

void UpdateStateTest::WriteLauncherFile(const std::wstring& relative, const std::string& bytes) {
  test_support::WriteFileBytes(LauncherFile(relative), bytes);
}

void UpdateStateTest::WriteGameFile(const std::wstring& relative, const std::string& bytes) {
  test_support::WriteFileBytes(GameFile(relative), bytes);
}

std::wstring UpdateStateTest::LauncherFile(const std::wstring& relative) const {
  return scratch.Child(relative);
}

std::wstring UpdateStateTest::GameFile(const std::wstring& relative) const {
  return scratch.Child(L"game\\" + relative);
}

std::vector<FakeUpdateWorld::Message> UpdateStateTest::MainMessages(UINT message) const {
  std::vector<FakeUpdateWorld::Message> found;
  for (const FakeUpdateWorld::Message& sent : world.mainMessages) {
    if (sent.message == message) found.push_back(sent);
  }
  return found;
}

}  // namespace update_test
