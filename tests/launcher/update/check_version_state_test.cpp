#include "launcher/update/check_version_state.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/folder_util.h"
#include "launcher/core/apply_list.h"
#include "launcher/core/window_messages.h"
#include "launcher/update/exception_state.h"
#include "tests/launcher/update/update_state_fixture.h"

namespace {

using update_test::FakeUpdateWorld;
using update_test::FlatMapText;
using update_test::UpdateStateTest;

const std::string kOld(32, '0');
const std::string kNew(32, '1');

class CheckVersionStateTest : public UpdateStateTest {
 protected:
  // A game installed at 3_2_7 with a.bin, b.bin and gone.bin, and the remote
  // map of 3_2_8 with a new a.bin, the same b.bin and a new c.bin.
  void InstalledGame() {
    const std::string installed =
        FlatMapText("3_2_7", {{"a.bin", kOld, 1}, {"b.bin", kOld, 2}, {"gone.bin", kOld, 3}});
    const std::string remote =
        FlatMapText("3_2_8", {{"a.bin", kNew, 4}, {"b.bin", kOld, 2}, {"c.bin", kNew, 5}});
    WriteGameFile(L"version_map.txt", installed);
    WriteGameFile(L"tmp_version_map.txt", remote);
    std::string error;
    ASSERT_TRUE(ParseVersionMap(installed, &Map(VersionMapKey::kLocalGame), &error));
    ASSERT_TRUE(ParseVersionMap(remote, &Map(VersionMapKey::kRemoteGame), &error));
    context->gameVersion = "3_2_7";
    context->targetGameVersion = "3_2_8";
  }
  void WriteApplied(const std::string& version, const std::vector<std::string>& names) {
    MakeDirectoriesW(LauncherFile(L"update"));
    WriteApplyList(".\\update\\apply_list.txt", {version, names});
  }
  void Run(UpdateMode mode) {
    Enter(std::make_unique<CheckVersionState>(mode, &world));
    Tick();
  }
  std::vector<std::string> Names(const VersionMap& map) {
    std::vector<std::string> names;
    for (const auto& entry : map) names.push_back(entry.first);
    return names;
  }
};

TEST_F(CheckVersionStateTest, TheGameUpdateGoesToThePatchListOrStraightToTheDownloads) {
  struct Case {
    const char* what;
    int patchOption;
    std::string installed;
    StateId next;
  };
  const Case cases[] = {
      {"patches offered", 2, "3_2_7", StateId::RequestPatch},
      {"patches off", 0, "3_2_7", StateId::DownloadFiles},
      {"first install", 2, "", StateId::DownloadFiles},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    world = FakeUpdateWorld();
    InstalledGame();
    context->patchOption = c.patchOption;
    context->gameVersion = c.installed;
    Map(VersionMapKey::kGamePatch) = {{"stale", {"x", 1}}};
    Run(UpdateMode::Game);
    ASSERT_NE(world.next(), nullptr);
    EXPECT_EQ(world.next()->GetId(), c.next);
    EXPECT_EQ(world.next()->mode(), UpdateMode::Game);
    EXPECT_EQ(Names(Map(VersionMapKey::kUpdateGame)), (std::vector<std::string>{"a.bin", "c.bin"}));
    EXPECT_TRUE(Map(VersionMapKey::kGamePatch).empty());
    EXPECT_EQ(static_cast<const CheckVersionState*>(current())->deleteList(),
              std::vector<std::string>{"gone.bin"});
    const std::vector<FakeUpdateWorld::Message> expected = {{WM_STATE_CHANGED, 0, 0},
                                                            {WM_CHECK_PROGRESS, 0, 100}};
    EXPECT_EQ(world.mainMessages, expected);
    context->currentState.reset();
    Map(VersionMapKey::kUpdateGame).clear();
  }
}

TEST_F(CheckVersionStateTest, AnInterruptedApplyOfTheTargetResumes) {
  InstalledGame();
  WriteApplied("3_2_8", {"a.bin", "not-in-the-update.bin"});
  Run(UpdateMode::Game);
  ASSERT_EQ(world.stages.size(), 0u);
  EXPECT_EQ(world.next()->GetId(), StateId::RequestPatch);
  EXPECT_EQ(Names(Map(VersionMapKey::kUpdateGame)), std::vector<std::string>{"c.bin"});
  EXPECT_TRUE(test_support::FileExists(LauncherFile(L"update\\apply_list.txt")));
}

TEST_F(CheckVersionStateTest, AnApplyListOfAnotherVersionIsDeleted) {
  InstalledGame();
  context->patchOption = 0;
  WriteApplied("3_2_6", {"a.bin", "c.bin"});
  Run(UpdateMode::Game);
  EXPECT_FALSE(test_support::FileExists(LauncherFile(L"update\\apply_list.txt")));
  ASSERT_EQ(world.stages.size(), 1u);
  EXPECT_EQ(Names(world.stages[0].update), (std::vector<std::string>{"a.bin", "c.bin"}));
}

TEST_F(CheckVersionStateTest, AFullyAppliedUpdateMakesTheRemoteMapTheLocalOne) {
  InstalledGame();
  WriteApplied("3_2_8", {"a.bin", "c.bin"});
  Run(UpdateMode::Game);
  EXPECT_EQ(world.next()->GetId(), StateId::EnterGame);
  EXPECT_EQ(test_support::ReadFileBytes(GameFile(L"version_map.txt")),
            FlatMapText("3_2_8", {{"a.bin", kNew, 4}, {"b.bin", kOld, 2}, {"c.bin", kNew, 5}}));
  EXPECT_FALSE(test_support::FileExists(GameFile(L"tmp_version_map.txt")));
  EXPECT_FALSE(test_support::FileExists(LauncherFile(L"update\\apply_list.txt")));
  EXPECT_EQ(context->gameVersion, "3_2_8");
  EXPECT_EQ(context->targetGameVersion, "3_2_8");
  EXPECT_EQ(world.log, std::vector<std::string>{});
}

TEST_F(CheckVersionStateTest, NothingToFetchWithoutTheMapsCopyChangesNothing) {
  const std::string same = FlatMapText("3_2_7", {{"a.bin", kOld, 1}});
  WriteGameFile(L"version_map.txt", same);
  WriteApplied("3_2_7", {"a.bin"});
  std::string error;
  ASSERT_TRUE(ParseVersionMap(same, &Map(VersionMapKey::kLocalGame), &error));
  ASSERT_TRUE(ParseVersionMap(same, &Map(VersionMapKey::kRemoteGame), &error));
  context->gameVersion = "3_2_7";
  context->targetGameVersion = "3_2_7";
  Run(UpdateMode::Game);
  EXPECT_EQ(world.next()->GetId(), StateId::EnterGame);
  EXPECT_EQ(test_support::ReadFileBytes(GameFile(L"version_map.txt")), same);
  EXPECT_TRUE(test_support::FileExists(LauncherFile(L"update\\apply_list.txt")));
  EXPECT_EQ(context->gameVersion, "3_2_7");
}

TEST_F(CheckVersionStateTest, ShortDrivesParkThePassUntilTheAnswer) {
  InstalledGame();
  world.diskHasRoom = false;
  Run(UpdateMode::Game);
  ASSERT_NE(world.next(), nullptr);
  ASSERT_EQ(world.next()->GetId(), StateId::Exception);
  EXPECT_FALSE(static_cast<const ExceptionState*>(world.next())->showDialog());
  ASSERT_TRUE(world.diskAnswer);

  // The state is gone by the time the player answers; later the installed
  // version changes, but the answer continues with the one asked about.
  context->currentState.reset();
  context->gameVersion.clear();
  world.diskAnswer(DialogResult::Cancel);
  EXPECT_TRUE(world.workerTasks.empty());
  world.diskAnswer(DialogResult::Ok);
  ASSERT_EQ(world.workerTasks.size(), 1u);
  context->errorShown = true;
  world.workerTasks[0]();
  EXPECT_FALSE(context->errorShown);
  EXPECT_EQ(world.next()->GetId(), StateId::RequestPatch);
  EXPECT_EQ(world.next()->mode(), UpdateMode::Game);
}

TEST_F(CheckVersionStateTest, TheLauncherPassNeverAsksForSpace) {
  world.diskHasRoom = false;
  Map(VersionMapKey::kRemoteLauncher) = {{"launcher.exe", {kNew, 9}}};
  Run(UpdateMode::Launcher);
  EXPECT_EQ(world.log, std::vector<std::string>{});
  EXPECT_EQ(world.next()->GetId(), StateId::RequestPatch);
  EXPECT_EQ(world.next()->mode(), UpdateMode::Launcher);
}

TEST_F(CheckVersionStateTest, ASkinTheLauncherMapDropsIsDeletedAndReloaded) {
  struct Case {
    const char* what;
    bool skinOnDisk;
    VersionMap remote;
    SkinReloadState reload;
    StateId next;
  };
  const Case cases[] = {
      {"nothing else to fetch", true, {}, SkinReloadState::Removed, StateId::None},
      {"no skin on disk", false, {}, SkinReloadState::Nothing, StateId::EnterGame},
      {"files to fetch",
       true,
       {{"launcher.exe", {kNew, 9}}},
       SkinReloadState::Removed,
       StateId::RequestPatch},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    world = FakeUpdateWorld();
    context->skinReloadState = SkinReloadState::Nothing;
    if (c.skinOnDisk) WriteLauncherFile(L"resources.zip", "zip");
    Map(VersionMapKey::kLocalLauncher) = {{"resources.zip", {kOld, 3}},
                                          {"launcher.exe", {kOld, 9}}};
    Map(VersionMapKey::kRemoteLauncher) = c.remote;
    Map(VersionMapKey::kRemoteLauncher)["launcher.exe"] =
        c.remote.empty() ? FileEntry{kOld, 9} : c.remote.at("launcher.exe");
    Run(UpdateMode::Launcher);
    EXPECT_FALSE(test_support::FileExists(LauncherFile(L"resources.zip")));
    EXPECT_EQ(context->skinReloadState, c.reload);
    EXPECT_TRUE(static_cast<const CheckVersionState*>(current())->deleteList().empty());
    if (c.next == StateId::None) {
      // The reload comes first; its follow-up enters the ready state.
      EXPECT_EQ(world.next(), nullptr);
      ASSERT_TRUE(world.skinContinuation);
      Tick();
      EXPECT_EQ(world.changes, 0);
      world.skinContinuation();
      ASSERT_NE(world.next(), nullptr);
      EXPECT_EQ(world.next()->GetId(), StateId::EnterGame);
    } else {
      ASSERT_NE(world.next(), nullptr);
      EXPECT_EQ(world.next()->GetId(), c.next);
      EXPECT_FALSE(world.skinContinuation);
    }
    context->currentState.reset();
    Map(VersionMapKey::kUpdateLauncher).clear();
  }
}

}  // namespace
