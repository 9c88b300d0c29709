#include "launcher/update/download_files_state.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/md5.h"
#include "base/string_util.h"
#include "launcher/core/window_messages.h"
#include "launcher/download/resume_file.h"
#include "launcher/update/patch_suffix.h"
#include "tests/launcher/update/update_state_fixture.h"

namespace update_test {
namespace {

std::string Md5(const std::string& bytes) { return Md5OfBuffer(bytes.data(), bytes.size()); }

class DownloadFilesStateTest : public UpdateStateTest {
 protected:
  DownloadFilesStateTest() {
    CurrentPatchSuffix = false;
    context->downloadLog.firstInstall = false;
  }
  ~DownloadFilesStateTest() override { CurrentPatchSuffix = false; }

  void EnterDownloads(UpdateMode mode) {
    Enter(std::make_unique<DownloadFilesState>(mode, &world));
  }
  DownloadFilesState* state() const { return static_cast<DownloadFilesState*>(current()); }
  std::vector<std::string> Urls() const {
    std::vector<std::string> urls;
    for (const FakeUpdateWorld::Transfer& transfer : world.transfers) urls.push_back(transfer.url);
    return urls;
  }
  void CompleteAll(int32_t result = 0) {
    for (const FakeUpdateWorld::Transfer& transfer : world.transfers) {
      ForwardFileDownloaded(static_cast<int32_t>(StateId::DownloadFiles), result, transfer.url, "");
    }
  }
};

using Names = std::vector<std::string>;

TEST_F(DownloadFilesStateTest, TheLauncherPassQueuesPatchesOnlyWhereTheyAreUsable) {
  struct Case {
    const char* what;
    int patchOption;
    bool patchListed;
    Names urls;
  };
  const Case cases[] = {
      {"patches offered",
       2,
       true,
       {"cef/libcef.dll", "patchs/1_0_0/launcher.exe.patch", "resources.zip"}},
      {"in-memory patches",
       1,
       true,
       {"cef/libcef.dll", "patchs/1_0_0/launcher.exe.patch", "resources.zip"}},
      {"patches switched off", 0, true, {"cef/libcef.dll", "launcher.exe", "resources.zip"}},
      {"no patch list", 2, false, {"cef/libcef.dll", "launcher.exe", "resources.zip"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    world = FakeUpdateWorld();
    context->currentState.reset();
    context->patchOption = c.patchOption;
    Map(VersionMapKey::kUpdateLauncher) = {{"launcher.exe", {std::string(32, 'a'), 100}},
                                           {"resources.zip", {std::string(32, 'b'), 20}},
                                           {"cef/libcef.dll", {std::string(32, 'c'), 3}}};
    Map(VersionMapKey::kLauncherPatch).clear();
    if (c.patchListed)
      Map(VersionMapKey::kLauncherPatch) = {{"launcher.exe", {std::string(32, 'd'), 7}}};
    EnterDownloads(UpdateMode::Launcher);

    EXPECT_TRUE(world.probes.empty());
    EXPECT_EQ(Urls(), c.urls);
    const bool patched = c.urls[1] != "launcher.exe";
    ASSERT_EQ(world.transfers.size(), 3u);
    const FakeUpdateWorld::Transfer& exe = world.transfers[1];
    EXPECT_EQ(exe.target, patched ? ".\\update\\launcher.exe.patch" : ".\\update\\launcher.exe");
    EXPECT_EQ(exe.md5, std::string(32, patched ? 'd' : 'a'));
    EXPECT_EQ(world.transfers[0].target, ".\\update\\cef/libcef.dll");
    EXPECT_EQ(world.transfers[0].tag, StateId::DownloadFiles);
    EXPECT_EQ(state()->queuedCount(), 3);
    EXPECT_EQ(world.transferTotal, (patched ? 7 : 100) + 20 + 3);
    EXPECT_EQ(world.log, (Names{"cancel for game", "reset statistics"}));
    EXPECT_EQ(world.activeHosts, HostList::Content);
    EXPECT_EQ(MainMessages(WM_DOWNLOAD_PROGRESS),
              (std::vector<FakeUpdateWorld::Message>{
                  {WM_DOWNLOAD_PROGRESS, static_cast<WPARAM>(world.transferTotal), 0}}));
  }
}

TEST_F(DownloadFilesStateTest, MovesOnOnlyOnceEveryQueuedFileIsDone) {
  Map(VersionMapKey::kUpdateLauncher) = {{"a.txt", {std::string(32, 'a'), 1}},
                                         {"b.txt", {std::string(32, 'b'), 1}}};
  EnterDownloads(UpdateMode::Launcher);
  ForwardFileDownloaded(static_cast<int32_t>(StateId::DownloadFiles), 0, "a.txt", "");
  Tick();
  EXPECT_EQ(world.changes, 0);
  // A result for another state is not this state's.
  ForwardFileDownloaded(static_cast<int32_t>(StateId::PreDownload), 0, "b.txt", "");
  Tick();
  EXPECT_EQ(world.changes, 0);
  ForwardFileDownloaded(static_cast<int32_t>(StateId::DownloadFiles), 0, "b.txt", "");
  Tick();
  ASSERT_NE(world.next(), nullptr);
  EXPECT_EQ(world.next()->GetId(), StateId::ApplyUpdate);
  EXPECT_EQ(world.next()->mode(), UpdateMode::Launcher);
  // The launcher pass sends no download summary.
  EXPECT_EQ(world.log.back(), "statistics done");
}

TEST_F(DownloadFilesStateTest, TheGameProbeChoosesThePatchSuffix) {
  struct Case {
    bool found;
    bool firstInstall;
    std::string url;
    std::string summary;
  };
  const Case cases[] = {
      {true, false, "patchs/3_2_7/data/a.bin.patch", "summary 22 update_game_finish active"},
      {false, true, "patchs/3_2_7/data/a.bin.lgdiff", "summary 17 download_game_finish active"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    world = FakeUpdateWorld();
    context->currentState.reset();
    context->gameVersion = "3_2_7";
    context->downloadLog.firstInstall = c.firstInstall;
    Map(VersionMapKey::kUpdateGame) = {{"data/a.bin", {std::string(32, 'a'), 100}},
                                       {"data/b.bin", {std::string(32, 'b'), 5}}};
    Map(VersionMapKey::kGamePatch) = {{"data/a.bin", {std::string(32, 'e'), 9}}};
    world.probeReplies["patchs/3_2_7/TOVA.exe.patch"] = {0, c.found};
    EnterDownloads(UpdateMode::Game);

    EXPECT_EQ(world.probes, (Names{"content:patchs/3_2_7/TOVA.exe.patch"}));
    EXPECT_EQ(CurrentPatchSuffix, !c.found);
    EXPECT_EQ(Urls(), (Names{c.url, "data/b.bin"}));
    EXPECT_EQ(world.transfers[0].target, ".\\update\\data/a.bin" + PatchSuffix());
    CompleteAll();
    Tick();
    ASSERT_NE(world.next(), nullptr);
    EXPECT_EQ(world.next()->GetId(), StateId::ApplyUpdate);
    EXPECT_EQ(world.next()->mode(), UpdateMode::Game);
    EXPECT_EQ(world.log.back(), c.summary);
  }
}

TEST_F(DownloadFilesStateTest, FailuresEndTheGamePassInTheErrorStateAndTheLauncherPassSilently) {
  context->gameVersion = "3_2_7";
  Map(VersionMapKey::kUpdateGame) = {{"a.bin", {std::string(32, 'a'), 1}},
                                     {"b.bin", {std::string(32, 'b'), 1}}};
  Map(VersionMapKey::kUpdateLauncher) = Map(VersionMapKey::kUpdateGame);
  struct Case {
    const char* what;
    UpdateMode mode;
    std::function<void(FakeUpdateWorld*)> script;  // before Enter
    std::function<void()> after;                   // after Enter
    int32_t code;
    std::string message;
    std::string detail;
  };
  const Case cases[] = {
      {"the probe fails", UpdateMode::Game,
       [](FakeUpdateWorld* w) {
         w->probeReplies["patchs/3_2_7/TOVA.exe.patch"] = {-2, false};
       },
       [] {}, -2, "404", "patchs/3_2_7/TOVA.exe.patch/"},
      {"no content host to probe", UpdateMode::Game,
       [](FakeUpdateWorld* w) { w->probeHosts = false; }, [] {}, -1,
       "Request Failed:no content host", "patchs/3_2_7/TOVA.exe.patch"},
      {"two files fail: the last one is shown", UpdateMode::Game, [](FakeUpdateWorld*) {},
       [] {
         ForwardFileDownloaded(5, -3, "a.bin", "first");
         ForwardFileDownloaded(5, -4, "b.bin", "second");
       },
       -4, "second", "b.bin"},
      {"launcher file fails", UpdateMode::Launcher, [](FakeUpdateWorld*) {},
       [] { ForwardFileDownloaded(5, -3, "a.bin", "first"); }, -3, "first", "a.bin"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    world = FakeUpdateWorld();
    context->currentState.reset();
    c.script(&world);
    EnterDownloads(c.mode);
    c.after();
    EXPECT_EQ(current()->status, -1);
    EXPECT_EQ(current()->errorCode, c.code);
    EXPECT_EQ(current()->errorMessage, c.message);
    EXPECT_EQ(current()->errorDetail, c.detail);
    if (c.code == -2 || c.code == -1) {
      EXPECT_TRUE(world.transfers.empty());
    }
    Tick();
    ASSERT_NE(world.next(), nullptr);
    if (c.mode == UpdateMode::Game) {
      EXPECT_EQ(world.next()->GetId(), StateId::Exception);
      EXPECT_EQ(world.next()->errorCode, c.code);
      EXPECT_EQ(world.next()->errorMessage, c.message);
      EXPECT_EQ(world.next()->errorDetail, c.detail);
    } else {
      EXPECT_EQ(world.next()->GetId(), StateId::EnterGame);
    }
  }
}

TEST_F(DownloadFilesStateTest, ANameThatWouldLeaveTheUpdateFolderIsNeverQueued) {
  Map(VersionMapKey::kUpdateLauncher) = {{"../outside.txt", {std::string(32, 'a'), 1}}};
  EnterDownloads(UpdateMode::Launcher);
  EXPECT_TRUE(world.transfers.empty());
  EXPECT_EQ(current()->status, -1);
  EXPECT_EQ(current()->errorMessage, "Load Failed:unsafe file name");
  EXPECT_EQ(current()->errorDetail, "../outside.txt");
}

// One pre-downloaded file against what ".\update" holds.
TEST_F(DownloadFilesStateTest, AdoptsPreDownloadedFilesOnlyWhenTheyCanBeTrusted) {
  const std::string bytes = "pre-downloaded bytes";
  const std::string md5 = Md5(bytes);
  const std::wstring source =
      L"update\\predownload\\3_2_8\\" + std::wstring(md5.begin(), md5.end());
  const std::wstring target = L"update\\data\\" + std::wstring(test_support::kCjkFile);
  std::string cjk_name;
  qbase::WideToMultiByte(test_support::kCjkFile, qbase::kCodePageUtf8, &cjk_name);
  const std::string name = "data/" + cjk_name;
  const std::string same_resume = FormatResumeText(md5, {});
  const std::string other_resume = FormatResumeText(std::string(32, '0'), {});
  struct Case {
    const char* what;
    const char* sourceBytes;  // null: absent
    bool sourcePartial;
    const char* targetBytes;          // null: absent
    const std::string* targetResume;  // null: absent
    bool adopted;
    const char* targetAfter;  // null: absent
    bool sourceStays;
    bool resumeMoved;
  };
  const Case cases[] = {
      {"nothing pre-downloaded", nullptr, false, nullptr, nullptr, false, nullptr, false, false},
      {"complete, nothing there", bytes.c_str(), false, nullptr, nullptr, true, bytes.c_str(), true,
       false},
      {"complete but other bytes", "tampered", false, nullptr, nullptr, false, nullptr, true,
       false},
      {"partial, nothing there", "pre-down", true, nullptr, nullptr, false, "pre-down", false,
       true},
      {"complete over a partial of the same", bytes.c_str(), false, "pre", &same_resume, true,
       bytes.c_str(), true, false},
      {"partial beside a partial of the same", "pre-down", true, "pre", &same_resume, false, "pre",
       true, false},
      {"complete over a partial of another", bytes.c_str(), false, "old", &other_resume, true,
       bytes.c_str(), true, false},
      {"partial over a partial of another", "pre-down", true, "old", &other_resume, false,
       "pre-down", false, true},
      {"a finished download is kept", bytes.c_str(), false, "done", nullptr, false, "done", true,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DeleteFileW(LauncherFile(source).c_str());
    DeleteFileW(LauncherFile(source + L".cfg").c_str());
    DeleteFileW(LauncherFile(target).c_str());
    DeleteFileW(LauncherFile(target + L".cfg").c_str());
    if (c.sourceBytes) WriteLauncherFile(source, c.sourceBytes);
    if (c.sourcePartial) WriteLauncherFile(source + L".cfg", same_resume);
    if (c.targetBytes) WriteLauncherFile(target, c.targetBytes);
    if (c.targetResume) WriteLauncherFile(target + L".cfg", *c.targetResume);

    EXPECT_EQ(DownloadFilesState::AdoptPreDownloadedFile(".\\update\\predownload\\3_2_8",
                                                         ".\\update", name, md5),
              c.adopted);
    if (c.targetAfter) {
      EXPECT_EQ(test_support::ReadFileBytes(LauncherFile(target)), c.targetAfter);
    } else {
      EXPECT_FALSE(test_support::FileExists(LauncherFile(target)));
    }
    EXPECT_EQ(test_support::FileExists(LauncherFile(source)), c.sourceStays);
    if (c.resumeMoved) {
      EXPECT_EQ(test_support::ReadFileBytes(LauncherFile(target + L".cfg")), same_resume);
      EXPECT_FALSE(test_support::FileExists(LauncherFile(source + L".cfg")));
    }
  }
  // An MD5 that is not one could name any path.
  WriteLauncherFile(L"update\\secret", bytes);
  EXPECT_FALSE(DownloadFilesState::AdoptPreDownloadedFile(".\\update\\predownload\\3_2_8",
                                                          ".\\update", "x.bin", "..\\..\\secret"));
  EXPECT_FALSE(test_support::FileExists(LauncherFile(L"update\\x.bin")));
}

TEST_F(DownloadFilesStateTest, TheGamePassTakesOverThePreDownloadOfItsVersion) {
  const std::string bytes = "ready";
  const std::string md5 = Md5(bytes);
  context->gameVersion = "3_2_7";
  context->targetGameVersion = "3_2_8";
  Map(VersionMapKey::kUpdateGame) = {{"a.bin", {md5, 5}}, {"b.bin", {std::string(32, 'b'), 9}}};
  WriteLauncherFile(L"update\\predownload\\3_2_8\\" + std::wstring(md5.begin(), md5.end()), bytes);
  WriteLauncherFile(L"update\\predownload\\3_2_8\\tmp_predownload_version_map.txt", "{}");
  EnterDownloads(UpdateMode::Game);

  EXPECT_EQ(Urls(), (Names{"b.bin"}));
  EXPECT_EQ(state()->queuedCount(), 1);
  EXPECT_EQ(world.transferTotal, 9);
  EXPECT_EQ(test_support::ReadFileBytes(LauncherFile(L"update\\a.bin")), bytes);
  // The unfinished pre-download is announced; the answer only refreshes its widget.
  ASSERT_EQ(world.boxes.size(), 1u);
  EXPECT_EQ(world.boxes[0].title, L"STRING_ERROR_NOTICE");
  EXPECT_EQ(world.boxes[0].content, L"STRING_ERROR_DLC_CLOSE");
  EXPECT_EQ(world.boxes[0].firstCaption, L"");
  EXPECT_EQ(world.boxes[0].secondCaption, L"STRING_CONFIRM");
  world.boxes[0].callback(DialogResult::Cancel);
  EXPECT_EQ(MainMessages(WM_PREDOWNLOAD_STATUS),
            (std::vector<FakeUpdateWorld::Message>{{WM_PREDOWNLOAD_STATUS, 0, 0}}));

  // With every file taken over the first tick moves on.
  world = FakeUpdateWorld();
  context->currentState.reset();
  Map(VersionMapKey::kUpdateGame).erase("b.bin");
  DeleteFileW(LauncherFile(L"update\\a.bin").c_str());
  EnterDownloads(UpdateMode::Game);
  EXPECT_TRUE(world.transfers.empty());
  Tick();
  ASSERT_NE(world.next(), nullptr);
  EXPECT_EQ(world.next()->GetId(), StateId::ApplyUpdate);
}

}  // namespace
}  // namespace update_test
