#include "launcher/update/apply_update_state.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/folder_util.h"
#include "base/md5.h"
#include "base/string_util.h"
#include "launcher/core/apply_list.h"
#include "launcher/core/exit_requested.h"
#include "launcher/core/window_messages.h"
#include "launcher/update/patch_suffix.h"
#include "tests/launcher/update/update_state_fixture.h"
#include "tests/support/patch_writer.h"

namespace update_test {
namespace {

using Names = std::vector<std::string>;

std::string Md5(const std::string& bytes) { return Md5OfBuffer(bytes.data(), bytes.size()); }

// A name of the maps ("/" separators, UTF-8) as a relative Windows path.
std::wstring Path(const std::string& name) {
  std::wstring wide;
  qbase::MultiByteToWide(name, qbase::kCodePageUtf8, &wide);
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  return wide;
}

// Bytes that differ from file to file and are long enough for several patch steps.
std::string Bytes(const std::string& seed, size_t size) {
  std::string bytes;
  uint32_t state = 2166136261u;
  for (const char c : seed) state = (state ^ static_cast<uint8_t>(c)) * 16777619u;
  while (bytes.size() < size) {
    state = state * 1103515245u + 12345u;
    bytes.push_back(static_cast<char>(state >> 24));
  }
  return bytes;
}

// Every read is `step` milliseconds after the one before.
class SteppingClock : public qbase::Clock {
 public:
  explicit SteppingClock(int64_t step) : step_(step) {}
  int64_t NowMilliseconds() const override { return now_ += step_; }

 private:
  int64_t step_;
  mutable int64_t now_ = 0;
};

class SteppingWorld : public FakeUpdateWorld {
 public:
  const qbase::Clock& ReadyClock() override { return stepping; }
  SteppingClock stepping{600};
};

class ApplyUpdateStateTest : public UpdateStateTest {
 protected:
  ApplyUpdateStateTest() {
    ExitRequested = false;
    CurrentPatchSuffix = false;
    context->downloadLog.firstInstall = false;
    context->targetGameVersion = "3_2_8";
  }
  ~ApplyUpdateStateTest() override {
    ExitRequested = false;
    CurrentPatchSuffix = false;
  }

  void EnterApply(UpdateMode mode, UpdateWorld* in_world = nullptr) {
    Enter(std::make_unique<ApplyUpdateState>(mode, in_world ? in_world : &world));
  }
  ApplyUpdateState* state() const { return static_cast<ApplyUpdateState*>(current()); }

  const char* UpdateKey(UpdateMode mode) const {
    return mode == UpdateMode::Game ? VersionMapKey::kUpdateGame : VersionMapKey::kUpdateLauncher;
  }
  // A whole file waiting in ".\update".
  void OfferWhole(UpdateMode mode, const std::string& name, const std::string& bytes) {
    Map(UpdateKey(mode))[name] = {Md5(bytes), static_cast<int64_t>(bytes.size())};
    WriteLauncherFile(L"update\\" + Path(name), bytes);
  }
  // A patch waiting in ".\update", with the suffix of the moment.
  void OfferPatch(UpdateMode mode, const std::string& name, const std::string& patch,
                  const std::string& new_bytes) {
    Map(UpdateKey(mode))[name] = {Md5(new_bytes), static_cast<int64_t>(new_bytes.size())};
    Map(mode == UpdateMode::Game ? VersionMapKey::kGamePatch
                                 : VersionMapKey::kLauncherPatch)[name] = {
        Md5(patch), static_cast<int64_t>(patch.size())};
    std::wstring suffix;
    qbase::MultiByteToWide(PatchSuffix(), qbase::kCodePageUtf8, &suffix);
    WriteLauncherFile(L"update\\" + Path(name) + suffix, patch);
  }
  std::wstring PatchFile(const std::string& name) const {
    std::wstring suffix;
    qbase::MultiByteToWide(PatchSuffix(), qbase::kCodePageUtf8, &suffix);
    return LauncherFile(L"update\\" + Path(name) + suffix);
  }
  std::vector<LPARAM> Progress() const {
    std::vector<LPARAM> values;
    for (const FakeUpdateWorld::Message& m : MainMessages(WM_CHECK_PROGRESS)) {
      values.push_back(m.lparam);
    }
    return values;
  }
};

TEST_F(ApplyUpdateStateTest, TheGamePassPatchesAndMovesFilesIntoTheGameFolder) {
  struct Case {
    int patchOption;
    bool lgdiff;
  };
  const std::string cjk = "\xe6\x96\xb0 \xe8\xb3\x87\xe6\x96\x99/a b.txt";
  for (const Case c : {Case{2, false}, Case{1, true}}) {
    SCOPED_TRACE(c.patchOption);
    world = FakeUpdateWorld();
    context->currentState.reset();
    context->versionMaps.clear();
    context->patchOption = c.patchOption;
    CurrentPatchSuffix = c.lgdiff;
    const std::string old_bytes = Bytes("p old", 200000);
    std::string new_bytes = old_bytes;
    new_bytes.replace(1000, 50, "changed");
    new_bytes += "tail";
    WriteGameFile(L"data\\p.bin", old_bytes);
    WriteGameFile(L"TOVA.exe", "exe");
    OfferPatch(UpdateMode::Game, "data/p.bin", test_support::MakePatch(old_bytes, new_bytes),
               new_bytes);
    OfferWhole(UpdateMode::Game, cjk, "whole");
    OfferWhole(UpdateMode::Game, "launcher.exe", "not the game's");
    WriteGameFile(L"tmp_version_map.txt", "map 3_2_8");

    EnterApply(UpdateMode::Game);
    EXPECT_EQ(state()->pendingNames(), (std::deque<std::string>{"data/p.bin", cjk}));
    EXPECT_EQ(state()->totalCount(), 2);
    EXPECT_EQ(Progress(), (std::vector<LPARAM>{0}));
    Tick();
    EXPECT_EQ(current()->status, 1);
    EXPECT_EQ(test_support::ReadFileBytes(GameFile(L"data\\p.bin")), new_bytes);
    EXPECT_EQ(test_support::ReadFileBytes(GameFile(Path(cjk))), "whole");
    EXPECT_FALSE(test_support::FileExists(GameFile(L"launcher.exe")));
    EXPECT_TRUE(test_support::FileExists(LauncherFile(L"update\\launcher.exe")));
    EXPECT_FALSE(test_support::FileExists(PatchFile("data/p.bin")));
    EXPECT_FALSE(test_support::FileExists(LauncherFile(L"update\\data\\p.bin")));
    EXPECT_EQ(Progress(), (std::vector<LPARAM>{0, 50, 100}));
    // The new map is current and nothing is left to resume.
    EXPECT_EQ(test_support::ReadFileBytes(GameFile(L"version_map.txt")), "map 3_2_8");
    EXPECT_FALSE(test_support::FileExists(GameFile(L"tmp_version_map.txt")));
    EXPECT_FALSE(test_support::FileExists(LauncherFile(L"update\\apply_list.txt")));
    EXPECT_EQ(world.log, (Names{"summary 23 apply_update_game_success"}));
    Tick();
    ASSERT_NE(world.next(), nullptr);
    EXPECT_EQ(world.next()->GetId(), StateId::EnterGame);
  }
}

TEST_F(ApplyUpdateStateTest, ABadPatchNeverReachesTheGameFolderAndTheWholeFileIsFetched) {
  const std::string old_bytes = Bytes("old", 70000);
  std::string new_bytes = old_bytes;
  new_bytes.replace(500, 10, "0123456789");
  struct Case {
    const char* what;
    int patchOption;
    std::string installed;
    std::string patch;
    int code;
    bool fetched;
  };
  const Case cases[] = {
      {"installed file is not the patch's old one", 2, Bytes("edited", 70000),
       test_support::MakePatch(old_bytes, new_bytes), ApplyUpdateState::kPatchOutputMismatch, true},
      {"in memory, not the old one", 1, Bytes("edited", 70000),
       test_support::MakePatch(old_bytes, new_bytes), ApplyUpdateState::kPatchOutputMismatch, true},
      {"corrupt container", 2, old_bytes, "not a patch container", 0, true},
      {"corrupt container in memory", 1, old_bytes, "not a patch container",
       ApplyUpdateState::kInMemoryPatchFailed, true},
      {"the whole file cannot be fetched either", 2, Bytes("edited", 70000),
       test_support::MakePatch(old_bytes, new_bytes), ApplyUpdateState::kPatchOutputMismatch,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    world = FakeUpdateWorld();
    context->currentState.reset();
    context->versionMaps.clear();
    context->patchOption = c.patchOption;
    // A finished case made its map current.
    context->targetGameVersion = "3_2_8";
    DeleteFileW(LauncherFile(L"update\\apply_list.txt").c_str());
    WriteGameFile(L"p.bin", c.installed);
    OfferPatch(UpdateMode::Game, "p.bin", c.patch, new_bytes);
    OfferWhole(UpdateMode::Game, "q.bin", "q");
    WriteGameFile(L"tmp_version_map.txt", "map");

    EnterApply(UpdateMode::Game);
    Tick();
    EXPECT_EQ(current()->status, 0);
    EXPECT_EQ(test_support::ReadFileBytes(GameFile(L"p.bin")), c.installed);
    EXPECT_FALSE(test_support::FileExists(LauncherFile(L"update\\p.bin")));
    EXPECT_FALSE(test_support::FileExists(PatchFile("p.bin")));
    EXPECT_EQ(test_support::ReadFileBytes(GameFile(L"q.bin")), "q");
    ASSERT_EQ(world.transfers.size(), 1u);
    EXPECT_EQ(world.transfers[0].url, "p.bin");
    EXPECT_EQ(world.transfers[0].target, ".\\update\\p.bin");
    EXPECT_EQ(world.transfers[0].md5, Md5(new_bytes));
    EXPECT_EQ(world.transfers[0].size, static_cast<int64_t>(new_bytes.size()));
    EXPECT_EQ(world.transfers[0].tag, StateId::ApplyUpdate);
    EXPECT_EQ(world.activeHosts, HostList::Content);
    // Waits for the whole file.
    Tick();
    EXPECT_EQ(current()->status, 0);

    if (c.fetched) {
      WriteLauncherFile(L"update\\p.bin", new_bytes);
      ForwardFileDownloaded(static_cast<int32_t>(StateId::ApplyUpdate), 0, "p.bin", "");
      Tick();
      EXPECT_EQ(current()->status, 1);
      EXPECT_EQ(test_support::ReadFileBytes(GameFile(L"p.bin")), new_bytes);
      continue;
    }
    ForwardFileDownloaded(static_cast<int32_t>(StateId::ApplyUpdate), -3, "p.bin", "gone");
    Tick();
    EXPECT_EQ(current()->status, -1);
    EXPECT_EQ(current()->errorMessage, "Apply Failed");
    EXPECT_EQ(current()->errorDetail, " p.bin(" + std::to_string(c.code) + ") ");
    EXPECT_EQ(test_support::ReadFileBytes(GameFile(L"p.bin")), c.installed);
    // What was applied stays recorded for the retry; the old map stays current.
    ApplyList applied;
    ASSERT_TRUE(ReadApplyList(".\\update\\apply_list.txt", &applied));
    EXPECT_EQ(applied.fileList, (Names{"q.bin"}));
    EXPECT_TRUE(test_support::FileExists(GameFile(L"tmp_version_map.txt")));
    Tick();
    ASSERT_NE(world.next(), nullptr);
    EXPECT_EQ(world.next()->GetId(), StateId::Exception);
    EXPECT_EQ(world.next()->errorDetail, " p.bin(" + std::to_string(c.code) + ") ");
  }
}

TEST_F(ApplyUpdateStateTest, AnExitStopsAStreamingPatchAndLeavesTheInstalledFile) {
  const std::string old_bytes = Bytes("old", 70000);
  const std::string new_bytes = Bytes("new", 70000);
  WriteGameFile(L"p.bin", old_bytes);
  OfferPatch(UpdateMode::Game, "p.bin", test_support::MakePatch(old_bytes, new_bytes), new_bytes);
  ExitRequested = true;
  EnterApply(UpdateMode::Game);
  // A new apply starts afresh.
  EXPECT_FALSE(ExitRequested);

  ExitRequested = true;
  Tick();
  EXPECT_EQ(current()->status, -1);
  EXPECT_EQ(current()->errorDetail, " p.bin(-6) ");
  EXPECT_EQ(test_support::ReadFileBytes(GameFile(L"p.bin")), old_bytes);
  EXPECT_FALSE(test_support::FileExists(LauncherFile(L"update\\p.bin")));
  // Nothing is fetched while the launcher exits; the patch stays for the next run.
  EXPECT_TRUE(world.transfers.empty());
  EXPECT_TRUE(test_support::FileExists(PatchFile("p.bin")));
}

TEST_F(ApplyUpdateStateTest, SlicesRecordTheAppliedNamesForAResume) {
  struct Case {
    std::string listVersion;
    Names kept;
  };
  for (const Case& c : {Case{"3_2_8", {"earlier.bin"}}, Case{"3_2_7", {}}}) {
    SCOPED_TRACE(c.listVersion);
    SteppingWorld stepping;
    context->currentState.reset();
    context->versionMaps.clear();
    context->targetGameVersion = "3_2_8";
    MakeDirectoriesW(LauncherFile(L"update"));
    WriteApplyList(".\\update\\apply_list.txt", {c.listVersion, {"earlier.bin"}});
    for (int i = 0; i < 5; ++i) {
      OfferWhole(UpdateMode::Game, "f" + std::to_string(i), "bytes " + std::to_string(i));
    }
    WriteGameFile(L"tmp_version_map.txt", "map");
    EnterApply(UpdateMode::Game, &stepping);
    EXPECT_EQ(state()->applyList().version, "3_2_8");
    EXPECT_EQ(state()->applyList().fileList, c.kept);

    // Two names fit in a slice of this clock.
    Tick();
    ApplyList applied;
    ASSERT_TRUE(ReadApplyList(".\\update\\apply_list.txt", &applied));
    Names expected = c.kept;
    expected.insert(expected.end(), {"f0", "f1"});
    EXPECT_EQ(applied.version, "3_2_8");
    EXPECT_EQ(applied.fileList, expected);
    EXPECT_EQ(state()->pendingNames().size(), 3u);
    EXPECT_EQ(current()->status, 0);
    Tick();
    Tick();
    EXPECT_EQ(current()->status, 1);
    EXPECT_FALSE(test_support::FileExists(LauncherFile(L"update\\apply_list.txt")));
    EXPECT_EQ(test_support::ReadFileBytes(GameFile(L"f4")), "bytes 4");
    context->currentState.reset();
  }
}

TEST_F(ApplyUpdateStateTest, AServerNamedFileIsPatchedAgainstItsLocalTwinAndCopiedToIt) {
  context->fileCopyPairs = {{L"server.dat", L"local\\game.dat"}};
  const std::string old_bytes = Bytes("twin", 50000);
  std::string new_bytes = old_bytes;
  new_bytes[100] ^= 1;
  WriteGameFile(L"local\\game.dat", old_bytes);
  OfferPatch(UpdateMode::Game, "server.dat", test_support::MakePatch(old_bytes, new_bytes),
             new_bytes);
  WriteGameFile(L"tmp_version_map.txt", "map");
  EnterApply(UpdateMode::Game);
  Tick();
  EXPECT_EQ(current()->status, 1);
  EXPECT_EQ(test_support::ReadFileBytes(GameFile(L"server.dat")), new_bytes);
  EXPECT_EQ(test_support::ReadFileBytes(GameFile(L"local\\game.dat")), new_bytes);
}

TEST_F(ApplyUpdateStateTest, TheNewMapBecomesCurrentOnlyWhenItCanBeCopied) {
  // Only the launcher's executable changed: nothing to apply, the map swaps.
  OfferWhole(UpdateMode::Game, "launcher.exe", "exe");
  WriteGameFile(L"tmp_version_map.txt", "map");
  EnterApply(UpdateMode::Game);
  EXPECT_TRUE(state()->pendingNames().empty());
  Tick();
  EXPECT_EQ(current()->status, 1);
  EXPECT_EQ(test_support::ReadFileBytes(GameFile(L"version_map.txt")), "map");

  // Without the new map the pass fails and keeps what it applied for the next run.
  world = FakeUpdateWorld();
  context->currentState.reset();
  DeleteFileW(GameFile(L"version_map.txt").c_str());
  context->targetGameVersion = "3_2_8";
  OfferWhole(UpdateMode::Game, "a.bin", "a");
  EnterApply(UpdateMode::Game);
  Tick();
  EXPECT_EQ(current()->status, -1);
  EXPECT_EQ(current()->errorMessage, "Apply Failed");
  EXPECT_EQ(current()->errorDetail, " version_map.txt ");
  EXPECT_TRUE(test_support::FileExists(LauncherFile(L"update\\apply_list.txt")));
  EXPECT_EQ(test_support::ReadFileBytes(GameFile(L"a.bin")), "a");
}

TEST_F(ApplyUpdateStateTest, TheLauncherPassKeepsWhatOnlyTheSelfUpdateCanReplace) {
  context->launcherExeUpdated = true;
  context->restartPromptArmed = false;
  const std::string old_conf = Bytes("conf", 30000);
  std::string new_conf = old_conf;
  new_conf.insert(20000, "more");
  WriteLauncherFile(L"config\\conf.txt", old_conf);
  WriteLauncherFile(L"update\\cef_update.txt", "[\"stale\"]");
  OfferPatch(UpdateMode::Launcher, "config/conf.txt", test_support::MakePatch(old_conf, new_conf),
             new_conf);
  OfferWhole(UpdateMode::Launcher, "launcher.exe", "new exe");
  OfferWhole(UpdateMode::Launcher, "cef/libcef.dll", "dll");
  OfferWhole(UpdateMode::Launcher, "cefdata.bin", "begins with cef");
  OfferWhole(UpdateMode::Launcher, "fonts/LomaN.ttf", "font");
  OfferWhole(UpdateMode::Launcher, "resources.zip", "zip");
  WriteLauncherFile(L"tmp_launcher_version_map.txt",
                    FlatMapText("1.4.0", {{"launcher.exe", Md5("new exe"), 7}}));

  EnterApply(UpdateMode::Launcher);
  EXPECT_EQ(current()->status, 1);
  EXPECT_EQ(test_support::ReadFileBytes(LauncherFile(L"config\\conf.txt")), new_conf);
  EXPECT_EQ(test_support::ReadFileBytes(LauncherFile(L"resources.zip")), "zip");
  EXPECT_FALSE(test_support::FileExists(LauncherFile(L"update\\resources.zip")));
  EXPECT_FALSE(test_support::FileExists(PatchFile("config/conf.txt")));
  for (const wchar_t* waiting : {L"update\\launcher.exe", L"update\\cef\\libcef.dll",
                                 L"update\\cefdata.bin", L"update\\fonts\\LomaN.ttf"}) {
    EXPECT_TRUE(test_support::FileExists(LauncherFile(waiting))) << waiting;
  }
  EXPECT_TRUE(context->launcherExeUpdated);
  EXPECT_TRUE(context->restartPromptArmed);
  EXPECT_TRUE(context->cefFilesUpdated);
  EXPECT_TRUE(context->fontsUpdated);
  EXPECT_EQ(context->skinReloadState, SkinReloadState::Replaced);
  EXPECT_EQ(test_support::ReadFileBytes(LauncherFile(L"update\\cef_update.txt")),
            "[\n\t\"cef/libcef.dll\",\n\t\"cefdata.bin\"\n]");
  EXPECT_EQ(test_support::ReadFileBytes(LauncherFile(L"update\\font_update.txt")),
            "[\n\t\"fonts/LomaN.ttf\"\n]");
  EXPECT_FALSE(test_support::FileExists(LauncherFile(L"tmp_launcher_version_map.txt")));
  EXPECT_EQ(context->launcherVersion, "1.4.0");

  // The skin is reloaded before the ready state.
  Tick();
  EXPECT_EQ(world.changes, 0);
  EXPECT_EQ(current()->status, 0);
  ASSERT_TRUE(world.skinContinuation);
  world.skinContinuation();
  ASSERT_NE(world.next(), nullptr);
  EXPECT_EQ(world.next()->GetId(), StateId::EnterGame);
}

TEST_F(ApplyUpdateStateTest, AFailedLauncherApplyEndsSilentlyAndABadPatchIsFetchedWhole) {
  // A download that is not there cannot be copied.
  Map(VersionMapKey::kUpdateLauncher)["missing.txt"] = {Md5("m"), 1};
  OfferWhole(UpdateMode::Launcher, "ok.txt", "ok");
  WriteLauncherFile(L"tmp_launcher_version_map.txt", "{}");
  EnterApply(UpdateMode::Launcher);
  EXPECT_EQ(current()->status, -1);
  EXPECT_EQ(current()->errorDetail, " missing.txt");
  EXPECT_TRUE(test_support::FileExists(LauncherFile(L"tmp_launcher_version_map.txt")));
  Tick();
  ASSERT_NE(world.next(), nullptr);
  EXPECT_EQ(world.next()->GetId(), StateId::EnterGame);

  world = FakeUpdateWorld();
  context->currentState.reset();
  context->versionMaps.clear();
  // A patch with add steps builds other bytes from another old file.
  const std::string old_conf = Bytes("conf", 30000);
  const std::string new_conf = old_conf + "new";
  WriteLauncherFile(L"conf.txt", "edited by hand");
  OfferPatch(UpdateMode::Launcher, "conf.txt", test_support::MakePatch(old_conf, new_conf),
             new_conf);
  EnterApply(UpdateMode::Launcher);
  EXPECT_EQ(current()->status, 0);
  EXPECT_EQ(test_support::ReadFileBytes(LauncherFile(L"conf.txt")), "edited by hand");
  ASSERT_EQ(world.transfers.size(), 1u);
  EXPECT_EQ(world.transfers[0].target, ".\\update\\conf.txt");
  WriteLauncherFile(L"update\\conf.txt", new_conf);
  ForwardFileDownloaded(static_cast<int32_t>(StateId::ApplyUpdate), 0, "conf.txt", "");
  EXPECT_EQ(current()->status, 1);
  EXPECT_EQ(test_support::ReadFileBytes(LauncherFile(L"conf.txt")), new_conf);
}

// Answers every whole-file download inside the call, as the download
// manager does for an empty file, having put the file in place.
class AnsweringWorld : public FakeUpdateWorld {
 public:
  void DownloadFile(const std::string& url, const std::string& target, const std::string& md5,
                    int64_t size, StateId tag) override {
    FakeUpdateWorld::DownloadFile(url, target, md5, size, tag);
    test_support::WriteFileBytes(Path(target), wholeBytes);
    ForwardFileDownloaded(static_cast<int32_t>(tag), 0, url, "");
  }
  std::string wholeBytes;
};

TEST_F(ApplyUpdateStateTest, AWholeFileThatArrivesAtOnceIsAppliedWithTheRest) {
  AnsweringWorld answering;
  const std::string old_bytes = Bytes("a", 30000);
  const std::string new_bytes = old_bytes + "new";
  answering.wholeBytes = new_bytes;
  WriteLauncherFile(L"a.txt", "edited by hand");
  OfferPatch(UpdateMode::Launcher, "a.txt", test_support::MakePatch(old_bytes, new_bytes),
             new_bytes);
  OfferWhole(UpdateMode::Launcher, "b.txt", "b");
  WriteLauncherFile(L"tmp_launcher_version_map.txt", "{}");
  EnterApply(UpdateMode::Launcher, &answering);
  ASSERT_EQ(answering.transfers.size(), 1u);
  EXPECT_EQ(current()->status, 1) << current()->errorDetail;
  EXPECT_EQ(test_support::ReadFileBytes(LauncherFile(L"a.txt")), new_bytes);
  EXPECT_EQ(test_support::ReadFileBytes(LauncherFile(L"b.txt")), "b");
  EXPECT_EQ(test_support::ReadFileBytes(LauncherFile(L"launcher_version_map.txt")), "{}");
}

}  // namespace
}  // namespace update_test
