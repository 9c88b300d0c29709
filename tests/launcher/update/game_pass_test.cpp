// Game passes end to end: MiscThread ticks the real states with the real
// download manager, the fault host as directory service and nginx as the
// content host. A generated game (a few hundred files in nested folders,
// names with blanks and CJK characters, some of several MiB) is installed
// from an empty folder and updated by whole files and by patches; every file
// is then checked against the remote map.

#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <json/json.h>

#include "base/folder_util.h"
#include "base/json_util.h"
#include "base/md5.h"
#include "base/thread_registry.h"
#include "launcher/core/apply_list.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/launcher_lifecycle.h"
#include "launcher/core/misc_thread.h"
#include "launcher/download/download_manager.h"
#include "launcher/update/context_update_world.h"
#include "launcher/update/patch_suffix.h"
#include "tests/launcher/download/download_test_env.h"
#include "tests/launcher/update/pass_content.h"
#include "tests/launcher/update/pass_worker.h"
#include "tests/launcher/update/stop_recording_world.h"
#include "tests/support/main_window_thread.h"
#include "tests/support/patch_writer.h"

namespace {

using pass_test::RunOn;
using pass_test::WorkerLifecycle;

using download_test::GetServers;
using download_test::SeededBytes;
using pass_test::Files;
using pass_test::MapText;
using pass_test::Md5;
using pass_test::Path;

// The first version of the game: small files (one empty) in nested folders,
// some names with blanks or CJK characters, and three large archives.
Files MakeGame() {
  Files files;
  files["TOVA.exe"] = SeededBytes(300000, 1);
  for (int i = 0; i < 280; ++i) {
    const std::string number = std::to_string(i);
    const std::string folder = "data/d" + std::to_string(i % 7) + (i % 3 == 0 ? "/deep/er" : "");
    std::string name = folder + "/file_" + number + ".bin";
    if (i % 10 == 0)
      name = "\xe9\x81\x8a\xe6\x88\xb2 \xe8\xb3\x87\xe6\x96\x99/\xe6\xaa\x94 " + number + ".dat";
    if (i % 10 == 5) name = folder + "/with blank " + number + ".bin";
    files[name] = SeededBytes((i * 7919) % 20000, 100 + i);
  }
  files["big/large_1.pak"] = SeededBytes(4 << 20, 7);
  files["big/large 2.pak"] = SeededBytes(3 << 20, 8);
  files["big/\xe5\xa4\xa7\xe6\xaa\x94.pak"] = SeededBytes(5 << 20, 9);
  return files;
}

// The next version: the large archives and every fourth other file changed
// in a few places, some files added.
Files Evolve(const Files& old_files) {
  Files files = old_files;
  int i = 0;
  for (auto& [name, bytes] : files) {
    if (i++ % 4 != 0 && name.rfind("big/", 0) != 0) continue;
    if (bytes.size() > 100) bytes.replace(bytes.size() / 2, 16, "changed in 3_2_8");
    bytes += "3_2_8";
  }
  for (int k = 0; k < 12; ++k) {
    files["data/new/added " + std::to_string(k) + ".bin"] = SeededBytes(1000 + k, 900 + k);
  }
  return files;
}

// Every read is this many milliseconds after the one before, so that a game
// apply takes two names per slice.
class SteppingClock : public qbase::Clock {
 public:
  int64_t NowMilliseconds() const override { return now_ += 600; }

 private:
  mutable int64_t now_ = 0;
};

// The launcher's world, with the ready state stood in for: it records where
// each pass stopped.
class RecordingWorld : public pass_test::StopRecordingWorld {
 public:
  std::unique_ptr<State> MakeEnterGameState() override {
    return std::make_unique<pass_test::RestingState>(StateId::EnterGame, UpdateMode::Game);
  }
  const qbase::Clock& ReadyClock() override {
    return steppingSlices ? static_cast<const qbase::Clock&>(stepping_) : qbase::SystemClock();
  }

  // Read on the worker; set while no pass runs.
  bool steppingSlices = false;

 private:
  SteppingClock stepping_;
};

class GamePassTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    threads_.Start(L"GamePassTestMainWindow", DefWindowProcW, &lifecycle_);
  }
  static void TearDownTestSuite() { threads_.Stop(); }

  GamePassTest() {
    download_test::ResetFaultHost();
    cdn = "game" + std::to_string(++test_number_);
    pass_test::ResetContext(scratch.Child(L"game"));
    RunOn(qbase::kMiscThreadId, [] { CurrentPatchSuffix = false; });
    MakeDirectoriesW(scratch.Child(L"game"));
    MakeDirectoriesW(scratch.Child(L"save"));
    pass_test::SetGateReply("/~gate/get/urls", pass_test::GameReply(ContentUrl()));
  }
  ~GamePassTest() override {
    RunOn(qbase::kMiscThreadId, [] { LauncherContext::GetInstance()->ChangeState(nullptr); });
  }

  std::string ContentUrl() const { return GetServers().contentUrl + "/" + cdn + "/"; }
  void Serve(const std::string& name, const std::string& bytes) {
    pass_test::ServeContent(cdn + "/" + name, bytes);
  }
  void ServeGame(const std::string& version, const Files& files) {
    for (const auto& [name, bytes] : files) Serve(name, bytes);
    Serve("version_map.txt", MapText(version, files));
  }
  // Patches from `installed_version` for `names`, under the suffix given.
  void ServePatches(const std::string& installed_version, const Files& from, const Files& to,
                    const std::vector<std::string>& names, const std::string& suffix) {
    Json::Value list(Json::objectValue);
    for (const std::string& name : names) {
      const std::string patch = test_support::MakePatch(from.at(name), to.at(name));
      Serve("patchs/" + installed_version + "/" + name + suffix, patch);
      list[name]["md5"] = Md5(patch);
      list[name]["size"] = static_cast<Json::Int64>(patch.size());
    }
    Serve("patchs/" + installed_version + "/patch_list.txt", WriteJsonText(list));
  }
  void Install(const std::string& version, const Files& files) {
    for (const auto& [name, bytes] : files) {
      test_support::WriteFileBytes(scratch.Child(L"game\\" + Path(name)), bytes);
    }
    test_support::WriteFileBytes(scratch.Child(L"game\\version_map.txt"), MapText(version, files));
  }
  RecordingWorld::Stop RunPass() { return world.RunPass(UpdateMode::Game); }
  // Every file of the remote map is installed with its MD5, and the map is current.
  void ExpectInstalled(const std::string& version, const Files& files) {
    for (const auto& [name, bytes] : files) {
      std::string installed;
      ASSERT_TRUE(test_support::TryReadFileBytes(scratch.Child(L"game\\" + Path(name)), &installed))
          << name;
      EXPECT_EQ(Md5(installed), Md5(bytes)) << name;
    }
    EXPECT_EQ(test_support::ReadFileBytes(scratch.Child(L"game\\version_map.txt")),
              MapText(version, files));
    EXPECT_FALSE(test_support::FileExists(scratch.Child(L"game\\tmp_version_map.txt")));
    EXPECT_FALSE(test_support::FileExists(scratch.Child(L"update\\apply_list.txt")));
  }
  std::vector<std::string> LeftInUpdateFolder() {
    std::vector<std::string> left;
    ListFilesRecursive(scratch.PathUtf8() + "\\update", &left, {"predownload"});
    return left;
  }

  static WorkerLifecycle lifecycle_;
  static pass_test::PassThreads threads_;
  static int test_number_;

  test_support::ScratchDir scratch;
  test_support::ScopedCurrentFolder folder{scratch.path()};
  std::string cdn;
  RecordingWorld world;
};

WorkerLifecycle GamePassTest::lifecycle_;
pass_test::PassThreads GamePassTest::threads_;
int GamePassTest::test_number_ = 0;

TEST_F(GamePassTest, AnEmptyFolderGetsTheWholeGame) {
  const Files game = MakeGame();
  ServeGame("3_2_7", game);
  const RecordingWorld::Stop stop = RunPass();
  EXPECT_EQ(stop.id, StateId::EnterGame) << stop.error;
  ExpectInstalled("3_2_7", game);
  EXPECT_EQ(LeftInUpdateFolder(), std::vector<std::string>());
  RunOn(qbase::kMiscThreadId,
        [] { EXPECT_EQ(LauncherContext::GetInstance()->gameVersion, "3_2_7"); });
}

TEST_F(GamePassTest, AnUpdateTakesThePatchesOfferedAndWholeFilesForTheRest) {
  for (const std::string suffix : {".patch", ".lgdiff"}) {
    SCOPED_TRACE(suffix);
    cdn = "game" + std::to_string(++test_number_);
    download_test::ResetFaultHost();
    pass_test::SetGateReply("/~gate/get/urls", pass_test::GameReply(ContentUrl()));

    const Files old_game = MakeGame();
    const Files new_game = Evolve(old_game);
    Install("3_2_7", old_game);
    ServeGame("3_2_8", new_game);
    // Patches for the executable, the large archives and half of the other changes.
    std::vector<std::string> patched;
    int i = 0;
    for (const auto& [name, bytes] : old_game) {
      if (new_game.at(name) == bytes) continue;
      if (name == "TOVA.exe" || name.rfind("big/", 0) == 0 || i++ % 2 == 0) patched.push_back(name);
    }
    ServePatches("3_2_7", old_game, new_game, patched, suffix);
    // The probe of the executable's ".patch" decides the suffix.
    if (suffix == ".lgdiff")
      DeleteFileW(
          (GetServers().contentRoot + L"\\" + Path(cdn + "/patchs/3_2_7/TOVA.exe.patch")).c_str());

    const RecordingWorld::Stop stop = RunPass();
    EXPECT_EQ(stop.id, StateId::EnterGame) << stop.error;
    ExpectInstalled("3_2_8", new_game);
    EXPECT_EQ(LeftInUpdateFolder(), std::vector<std::string>());
    // The patched files never came whole.
    EXPECT_FALSE(
        download_test::AwaitContentLogLines("/" + cdn + "/patchs/3_2_7/TOVA.exe" + suffix, 1)
            .empty());
    EXPECT_TRUE(download_test::ContentLogLines("/" + cdn + "/TOVA.exe ").empty());
    EXPECT_TRUE(download_test::ContentLogLines("/" + cdn + "/big/large_1.pak ").empty());
  }
}

TEST_F(GamePassTest, ABadPatchIsReplacedByTheWholeFile) {
  const Files old_game = MakeGame();
  const Files new_game = Evolve(old_game);
  Install("3_2_7", old_game);
  // Edited by hand since: its patch builds other bytes.
  test_support::WriteFileBytes(scratch.Child(L"game\\big\\large_1.pak"), SeededBytes(4 << 20, 70));
  ServeGame("3_2_8", new_game);
  ServePatches("3_2_7", old_game, new_game, {"TOVA.exe", "big/large_1.pak"}, ".patch");
  // A patch that is no patch at all, listed with its own MD5.
  Serve("patchs/3_2_7/TOVA.exe.patch", "garbage, not a container");
  Json::Value list;
  list["TOVA.exe"]["md5"] = Md5("garbage, not a container");
  list["TOVA.exe"]["size"] = 24;
  const std::string large_patch =
      test_support::MakePatch(old_game.at("big/large_1.pak"), new_game.at("big/large_1.pak"));
  list["big/large_1.pak"]["md5"] = Md5(large_patch);
  list["big/large_1.pak"]["size"] = static_cast<Json::Int64>(large_patch.size());
  Serve("patchs/3_2_7/patch_list.txt", WriteJsonText(list));

  const RecordingWorld::Stop stop = RunPass();
  EXPECT_EQ(stop.id, StateId::EnterGame) << stop.error;
  ExpectInstalled("3_2_8", new_game);
  EXPECT_FALSE(download_test::AwaitContentLogLines("/" + cdn + "/TOVA.exe ", 1).empty());
  EXPECT_FALSE(download_test::AwaitContentLogLines("/" + cdn + "/big/large_1.pak ", 1).empty());
}

TEST_F(GamePassTest, ABadPatchWithoutItsWholeFileFailsThePassAndKeepsTheInstalledFile) {
  Files old_game = {{"TOVA.exe", SeededBytes(100000, 1)}, {"a.bin", SeededBytes(5000, 2)}};
  Files new_game = Evolve(old_game);
  new_game.erase(new_game.find("data/new/added 0.bin"), new_game.end());
  Install("3_2_7", old_game);
  test_support::WriteFileBytes(scratch.Child(L"game\\TOVA.exe"), SeededBytes(100000, 3));
  ServeGame("3_2_8", new_game);
  ServePatches("3_2_7", old_game, new_game, {"TOVA.exe"}, ".patch");
  DeleteFileW((GetServers().contentRoot + L"\\" + Path(cdn + "/TOVA.exe")).c_str());

  const RecordingWorld::Stop stop = RunPass();
  EXPECT_EQ(stop.id, StateId::Exception);
  EXPECT_EQ(stop.error, "Apply Failed TOVA.exe(10001) ");
  EXPECT_EQ(test_support::ReadFileBytes(scratch.Child(L"game\\TOVA.exe")), SeededBytes(100000, 3));
  EXPECT_EQ(test_support::ReadFileBytes(scratch.Child(L"game\\version_map.txt")),
            MapText("3_2_7", old_game));
}

TEST_F(GamePassTest, AnInterruptedApplyResumesFromTheApplyList) {
  const Files old_game = MakeGame();
  const Files new_game = Evolve(old_game);
  Install("3_2_7", old_game);
  ServeGame("3_2_8", new_game);
  std::vector<std::string> patched;
  int i = 0;
  for (const auto& [name, bytes] : old_game) {
    if (new_game.at(name) != bytes && i++ % 2 == 0) patched.push_back(name);
  }
  ServePatches("3_2_7", old_game, new_game, patched, ".patch");

  // Two names per slice; the pass is stopped between slices once some are applied.
  world.steppingSlices = true;
  pass_test::StartPass(&world, UpdateMode::Game);
  ApplyList applied;
  for (int wait = 0; wait < 3000; ++wait) {
    if (ReadApplyList(".\\update\\apply_list.txt", &applied) && applied.fileList.size() >= 20)
      break;
    Sleep(100);
  }
  RunOn(qbase::kMiscThreadId, [] { LauncherContext::GetInstance()->ChangeState(nullptr); });
  ASSERT_TRUE(ReadApplyList(".\\update\\apply_list.txt", &applied));
  EXPECT_EQ(applied.version, "3_2_8");
  EXPECT_GE(applied.fileList.size(), 20u);
  EXPECT_LT(applied.fileList.size(), 70u);
  EXPECT_EQ(test_support::ReadFileBytes(scratch.Child(L"game\\version_map.txt")),
            MapText("3_2_7", old_game));

  // The next pass applies the rest; nothing applied is fetched again.
  world.steppingSlices = false;
  const RecordingWorld::Stop stop = RunPass();
  EXPECT_EQ(stop.id, StateId::EnterGame) << stop.error;
  ExpectInstalled("3_2_8", new_game);
  for (const std::string& name : applied.fileList) {
    if (name.find(' ') != std::string::npos || name.find('\xe6') != std::string::npos) continue;
    EXPECT_LE(download_test::ContentLogLines("/" + cdn + "/" + name + " ").size(), 1u) << name;
  }
}

}  // namespace
