#include "launcher/update/service_paths.h"

#include <string>

#include <gtest/gtest.h>

#include "launcher/core/launcher_context.h"
#include "launcher/core/system_info.h"

namespace {

TEST(ServicePathsTest, DirectoryRequest) {
  struct Case {
    const char* gateKey;
    const char* gameVersion;
    const char* deviceId;
    bool qaGate;
    const char* path;
  };
  const Case cases[] = {
      {"K9", "3_2_7", "dev", false, "get/urls?key=K9&udid=dev"},
      {"", "3_2_7", "dev", false, "get/urls?key=WIN10TW_3_2_7&udid=dev"},
      {"", "", "dev", false, "get/urls?key=WIN10TW_&udid=dev"},  // before the first install
      {"K9", "", "dev", true, "get/urls?key=K9&udid=dev&is_qa=true"},
      // White space goes wherever it stands; nothing else is encoded.
      {" K 9\t", "3_2_7", "d\r\ne v\f\v", false, "get/urls?key=K9&udid=dev"},
      {"a&b#c", "", "d%20", false, "get/urls?key=a&b#c&udid=d%20"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MakeGetUrlsPath(c.gateKey, c.gameVersion, c.deviceId, c.qaGate), c.path)
        << c.gateKey << "|" << c.gameVersion;
  }
}

TEST(ServicePathsTest, PreDownloadQuery) {
  EXPECT_EQ(MakePreDownloadPath("dev"), "pre_download?channel=TW&udid=dev");
  EXPECT_EQ(MakePreDownloadPath(" d e\nv"), "pre_download?channel=TW&udid=dev");
}

TEST(ServicePathsTest, PatchFolders) {
  struct Case {
    UpdateMode mode;
    const char* gameVersion;
    const char* launcherVersion;
    const char* path;
  };
  const Case cases[] = {
      {UpdateMode::Game, "3_2_7", "1.4.0", "patchs/3_2_7/patch_list.txt"},
      {UpdateMode::Launcher, "3_2_7", "1.4.0", "patchs/1_4_0/patch_list.txt"},
      {UpdateMode::Launcher, "3_2_7", "1_4_0", "patchs/1_4_0/patch_list.txt"},
      {UpdateMode::Game, "", "1.0.0", "patchs//patch_list.txt"},  // no game installed yet
      {UpdateMode::Launcher, "", "", "patchs//patch_list.txt"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MakePatchPath(c.mode, c.gameVersion, c.launcherVersion, "patch_list.txt"), c.path)
        << c.gameVersion << "|" << c.launcherVersion;
  }
}

TEST(ServicePathsTest, BuiltFromTheContext) {
  LauncherContext* context = LauncherContext::GetInstance();
  context->serviceSettings.GateKey = "";
  context->serviceSettings.QaGate = true;
  context->gameVersion = "1_2_3";
  context->launcherVersion = "2.0.1";
  EXPECT_EQ(BuildGetUrlsPath(), MakeGetUrlsPath("", "1_2_3", GetDeviceId(), true));
  EXPECT_EQ(BuildGetUrlsPath().rfind("get/urls?key=WIN10TW_1_2_3&udid=", 0), 0u);
  EXPECT_EQ(BuildPreDownloadPath(), MakePreDownloadPath(GetDeviceId()));

  struct Idle : State {
    using State::State;
    void Enter(State*) override {}
    void Update() override {}
    void Exit(State*) override {}
  };
  EXPECT_EQ(BuildPatchPath(Idle(UpdateMode::Game), "a.exe.patch"), "patchs/1_2_3/a.exe.patch");
  EXPECT_EQ(BuildPatchPath(Idle(UpdateMode::Launcher), "b.patch"), "patchs/2_0_1/b.patch");
}

}  // namespace
