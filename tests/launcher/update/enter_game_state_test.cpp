#include "launcher/update/enter_game_state.h"

#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <json/json.h>

#include "base/folder_util.h"
#include "base/json_util.h"
#include "base/md5.h"
#include "launcher/core/window_messages.h"
#include "tests/launcher/update/update_state_fixture.h"

namespace {

using update_test::FakeUpdateWorld;
using update_test::FlatMapText;
using update_test::UpdateStateTest;
using Message = FakeUpdateWorld::Message;
using Strings = std::vector<std::string>;

const std::string kMd5A(32, 'a');
const std::string kMd5B(32, 'b');
const std::string kMd5C(32, 'c');

constexpr LPARAM kNone = 0;

template <typename Predicate>
bool WaitFor(Predicate done) {
  for (int i = 0; i < 600; ++i) {
    if (done()) return true;
    Sleep(100);
  }
  return done();
}

std::wstring WindowsPath(const wchar_t* unix_path) {
  std::wstring path = std::wstring(L"Z:") + unix_path;
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

class EnterGameStateTest : public UpdateStateTest {
 protected:
  EnterGameStateTest() {
    EnterGameState::lastContentRefreshTick = 0;
    EnterGameState::contentRefreshed = false;
    EnterGameState::lastLauncherCheckTick = 0;
    EnterGameState::lastPreDownloadQueryTick = 0;
    context->launcherExeUpdated = false;
    context->cefFilesUpdated = false;
    context->fontsUpdated = false;
    context->restartPromptArmed = true;
    context->startGameAfterPass = false;
    context->preDownloadFolders.clear();
    context->preDownloadVersion.clear();
    context->preDownloadSize = 0;
    context->downloadLog = DownloadLog();
    // Far past every default period since the system started.
    world.clock = test_support::FakeClock(100000000);
  }

  EnterGameState* Ready() { return static_cast<EnterGameState*>(current()); }
  void EnterReady() { Enter(std::make_unique<EnterGameState>(&world)); }
  std::vector<LPARAM> PreDownloadPages() const {
    std::vector<LPARAM> pages;
    for (const Message& sent : MainMessages(WM_PREDOWNLOAD_STATUS)) {
      pages.push_back(static_cast<LPARAM>(sent.wparam));
    }
    return pages;
  }
  // A query chain whose every step answers: the next version's hosts from
  // the query, the content host from the directory, the game's remote map,
  // the next version's map and its patch list.
  void ScriptChain(const std::string& next_version) {
    Json::Value inner;
    inner["TW_pc_addr"].append("https://next.test/");
    Json::Value query;
    query["info"].append(WriteJsonText(inner));
    world.replies["pre_download"] = {0, WriteJsonText(query), ""};
    world.replies["get/urls"] = {0, R"({"DlcAddr":["https://cdn.test/"]})", ""};
    world.replies["https://cdn.test/version_map.txt"] = {
        0, FlatMapText("10077_3_2", {{"a.bin", kMd5A, 10}}), ""};
    world.replies["https://next.test/version_map.txt"] = {
        0,
        FlatMapText(next_version,
                    {{"a.bin", kMd5B, 100}, {"b.bin", kMd5C, 200}, {"same.bin", kMd5A, 7}}),
        ""};
    Json::Value patches;
    patches["a.bin"]["md5"] = std::string(32, 'd');
    patches["a.bin"]["size"] = 30;
    world.replies["patchs/10077_3_2/patch_list.txt"] = {0, WriteJsonText(patches), ""};
  }
  void InstallGame() {
    context->gameVersion = "10077_3_2";
    context->targetGameVersion = "10077_3_2";
    WriteGameFile(L"version_map.txt",
                  FlatMapText("10077_3_2", {{"a.bin", kMd5A, 10}, {"same.bin", kMd5A, 7}}));
  }
  // After a query that failed at once (two requests): the next waits out its
  // period, 30 minutes and the minute's delay.
  void ExpectTheNextQueryOnePeriodLater() {
    const size_t made = world.requests.size();
    world.clock.Advance(1859999);
    Tick();
    EXPECT_EQ(world.requests.size(), made);
    world.clock.Advance(1);
    Tick();
    EXPECT_EQ(world.requests.size(), made + 2);
  }
  // Enters and ticks once: the first tick starts the query (the fake clock
  // is far past the query period).
  void RunQuery() {
    EnterReady();
    Tick();
  }
};

TEST_F(EnterGameStateTest, TimerPeriodsComeFromTheSettings) {
  const struct {
    int refresh;
    int update;
    uint32_t refreshMs;
    uint32_t launcherMs;
    uint32_t queryMs;
  } cases[] = {
      {0, 0, 28800000, 43200000, 1860000},   {100, 100, 28800000, 43200000, 1860000},
      {5, 5, 300000, 300000, 360000},        {1, 99, 60000, 5940000, 6000000},
      {-3, -3, 28800000, 43200000, 1860000},
  };
  for (const auto& c : cases) {
    context->serviceSettings.RefreshInterval = c.refresh;
    context->serviceSettings.UpdateInterval = c.update;
    EnterReady();
    EXPECT_EQ(Ready()->refreshIntervalMs(), c.refreshMs) << c.refresh;
    EXPECT_EQ(Ready()->launcherCheckIntervalMs(), c.launcherMs) << c.update;
    EXPECT_EQ(Ready()->preDownloadQueryIntervalMs(), c.queryMs) << c.update;
    context->currentState.reset();
  }
}

TEST_F(EnterGameStateTest, TimersFireOncePerPeriodOnTheInjectedClock) {
  context->serviceSettings.RefreshInterval = 5;
  context->serviceSettings.UpdateInterval = 5;
  world.clock = test_support::FakeClock(300000);
  EnterReady();
  EXPECT_EQ(MainMessages(WM_STATE_CHANGED).size(), 1u);

  // The first tick refreshes; then once a period.
  Tick();
  EXPECT_EQ(MainMessages(WM_REFRESH_CONTENT).size(), 1u);
  EXPECT_TRUE(world.log.empty());
  world.clock.Advance(299999);
  Tick();
  EXPECT_EQ(MainMessages(WM_REFRESH_CONTENT).size(), 1u);
  EXPECT_TRUE(world.log.empty());
  world.clock.Advance(1);
  Tick();
  EXPECT_EQ(MainMessages(WM_REFRESH_CONTENT).size(), 2u);
  EXPECT_EQ(world.log, Strings{"start launcher pass"});
  // One queued report per tick; no query without an installed version.
  EXPECT_EQ(world.queuedReportsSent, 3);
  EXPECT_TRUE(world.requests.empty());

  // A new entry restarts the launcher check; the refresh keeps its reference.
  context->currentState.reset();
  world.clock.Advance(100);
  EnterReady();
  world.clock.Advance(299900);
  Tick();
  EXPECT_EQ(MainMessages(WM_REFRESH_CONTENT).size(), 3u);
  EXPECT_EQ(world.log.size(), 1u);
}

// On a system started moments ago the first tick still refreshes, and the
// period counts from there.
TEST_F(EnterGameStateTest, AFreshlyStartedSystemRefreshesAtTheFirstTick) {
  context->serviceSettings.RefreshInterval = 5;
  world.clock = test_support::FakeClock(1000);
  EnterReady();
  Tick();
  EXPECT_EQ(MainMessages(WM_REFRESH_CONTENT).size(), 1u);
  world.clock.Advance(299999);
  Tick();
  EXPECT_EQ(MainMessages(WM_REFRESH_CONTENT).size(), 1u);
  world.clock.Advance(1);
  Tick();
  EXPECT_EQ(MainMessages(WM_REFRESH_CONTENT).size(), 2u);
}

TEST_F(EnterGameStateTest, ThePreDownloadQueryRunsOncePerPeriod) {
  InstallGame();
  EnterReady();
  Tick();  // past the period already: the query runs
  // Both requests failed: the chain ended at the directory.
  EXPECT_EQ(world.requests.size(), 2u);
  EXPECT_EQ(Ready()->queryStep(), 0);
  ExpectTheNextQueryOnePeriodLater();
}

// On a system started moments ago the entry still asks as soon as a version
// is installed, and the period counts from there.
TEST_F(EnterGameStateTest, AFreshlyStartedSystemAsksOnceAVersionIsInstalled) {
  world.clock = test_support::FakeClock(1000);
  EnterReady();
  Tick();
  Tick();
  EXPECT_TRUE(world.requests.empty());
  InstallGame();
  Tick();
  EXPECT_EQ(world.requests.size(), 2u);
  ExpectTheNextQueryOnePeriodLater();
}

TEST_F(EnterGameStateTest, TheQueryChainOffersTheNextVersion) {
  InstallGame();
  ScriptChain("10077_4_2");
  RunQuery();

  ASSERT_EQ(world.requests.size(), 5u);
  EXPECT_EQ(world.requests[0].rfind("gate:pre_download?channel=TW&udid=", 0), 0u);
  EXPECT_EQ(world.requests[1].rfind("gate:get/urls?key=", 0), 0u);
  EXPECT_EQ(Strings(world.requests.begin() + 2, world.requests.end()),
            (Strings{"content:version_map.txt", "content:version_map.txt",
                     "content:patchs/10077_3_2/patch_list.txt"}));
  EXPECT_EQ(world.contentHosts, Strings{"https://next.test/"});
  EXPECT_EQ(Ready()->queryStep(), 0);
  EXPECT_EQ(context->targetGameVersion, "10077_3_2");
  EXPECT_TRUE(MainMessages(WM_REFRESH_GAME_BUTTON).empty());
  EXPECT_EQ(context->preDownloadVersion, "10077_4_2");
  // a.bin by its patch, b.bin whole; same.bin is installed already.
  EXPECT_EQ(context->preDownloadSize, 230);
  EXPECT_EQ(PreDownloadPages(), std::vector<LPARAM>{static_cast<LPARAM>(PreDownloadPage::Offer)});
}

TEST_F(EnterGameStateTest, TheQueryChainEndsAsEachAnswerSays) {
  struct Case {
    const char* what;
    std::function<void()> script;
    size_t requests;
    std::vector<LPARAM> pages;
    bool startsPreDownload;
  };
  const LPARAM offer = static_cast<LPARAM>(PreDownloadPage::Offer);
  const LPARAM finish = static_cast<LPARAM>(PreDownloadPage::Finish);
  const Case cases[] = {
      {"the query fails: the directory's PreDlcAddr names the hosts",
       [this] {
         world.replies.erase("pre_download");
         world.replies["get/urls"] = {
             0,
             R"({"DlcAddr":"https://cdn.test/","Others":"{\"PreDlcAddr\":\"https://next.test/\"}"})",
             ""};
       },
       5,
       {offer},
       false},
      {"no pre-download hosts anywhere",
       [this] { world.replies.erase("pre_download"); },
       3,
       {kNone},
       false},
      {"the directory fails", [this] { world.replies.erase("get/urls"); }, 2, {}, false},
      {"the next version is not newer", [this] { ScriptChain("10077_3_2"); }, 4, {kNone}, false},
      {"the next version is no version text",
       [this] { ScriptChain("10077_4_2\\..\\x"); },
       4,
       {kNone},
       false},
      {"without patches the patch list is not asked",
       [this] { context->patchOption = 0; },
       4,
       {offer},
       false},
      {"the patch list fails: whole files are offered",
       [this] { world.replies.erase("patchs/10077_3_2/patch_list.txt"); },
       5,
       {offer},
       false},
      {"auto-start starts the pre-download",
       [this] { context->preDownloadAutoStart = true; },
       5,
       {},
       true},
      {"the pre-download already finished",
       [this] {
         context->preDownloadFolders = {"10077_4_2"};
         WriteLauncherFile(L"update\\predownload\\10077_4_2\\predownload_version_map.txt",
                           FlatMapText("10077_4_2", {}));
       },
       5,
       {finish},
       false},
      {"a running pre-download ends the chain at the game's map",
       [this] {
         world.preDownload =
             std::make_unique<update_test::StageState>(StateId::PreDownload, UpdateMode::Game);
       },
       3,
       {},
       false},
      {"paused pre-downloads end the chain too",
       [this] { context->preDownloadPaused = true; },
       3,
       {},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    world.requests.clear();
    world.mainMessages.clear();
    world.log.clear();
    world.replies.clear();
    world.preDownload.reset();
    context->currentState.reset();
    context->patchOption = 2;
    context->preDownloadAutoStart = false;
    context->preDownloadPaused = false;
    context->preDownloadFolders.clear();
    context->preDownloadVersion.clear();
    InstallGame();
    ScriptChain("10077_4_2");
    c.script();
    RunQuery();
    EXPECT_EQ(world.requests.size(), c.requests);
    EXPECT_EQ(PreDownloadPages(), c.pages);
    EXPECT_EQ(std::count(world.log.begin(), world.log.end(), "start pre-download"),
              c.startsPreDownload ? 1 : 0);
    EXPECT_EQ(Ready()->queryStep(), 0);
  }
}

TEST_F(EnterGameStateTest, ANewerGameVersionRefreshesTheGameButtonAndPrunesOldFolders) {
  InstallGame();
  ScriptChain("10077_5_2");
  world.replies["https://cdn.test/version_map.txt"] = {
      0, FlatMapText("10077_4_2", {{"a.bin", kMd5B, 100}}), ""};
  WriteLauncherFile(L"update\\predownload\\10077_2_2\\f", "old");
  context->preDownloadFolders = {"10077_2_2"};
  RunQuery();
  EXPECT_EQ(context->targetGameVersion, "10077_4_2");
  EXPECT_EQ(MainMessages(WM_REFRESH_GAME_BUTTON).size(), 1u);
  EXPECT_FALSE(test_support::IsDirectory(LauncherFile(L"update\\predownload\\10077_2_2")));
  EXPECT_TRUE(context->preDownloadFolders.empty());
  // Pruned to nothing, the widget is cleared; then the pending update must
  // come before a newer next version.
  EXPECT_EQ(PreDownloadPages(), (std::vector<LPARAM>{kNone, kNone}));
}

TEST_F(EnterGameStateTest, WaitingLauncherFilesAreOfferedOnceInsteadOfStartingTheGame) {
  struct Case {
    bool forced;
    DialogResult answer;
    bool updates;
  };
  const Case cases[] = {{true, DialogResult::Cancel, true},
                        {false, DialogResult::Cancel, false},
                        {false, DialogResult::Ok, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.forced ? "forced" : "optional");
    world.boxes.clear();
    world.log.clear();
    world.mainMessages.clear();
    context->currentState.reset();
    context->restartPromptArmed = true;
    context->cefFilesUpdated = true;
    context->forceUpdateLauncher = c.forced;
    context->startGameAfterPass = true;
    EnterReady();
    ASSERT_EQ(world.boxes.size(), 1u);
    EXPECT_EQ(world.boxes[0].title, L"STRING_UPDATE_NOTICE");
    EXPECT_EQ(world.boxes[0].content, L"STRING_UPDATE_LAUNCHER");
    EXPECT_EQ(world.boxes[0].firstCaption, c.forced ? L"" : L"STRING_CANCEL");
    EXPECT_EQ(world.boxes[0].secondCaption, L"STRING_CONFIRM");
    EXPECT_EQ(MainMessages(WM_SHOW_LAUNCHER).size(), 1u);
    EXPECT_TRUE(MainMessages(WM_HIDE_LAUNCHER).empty());  // the game is not started
    world.boxes[0].callback(c.answer);
    EXPECT_EQ(world.log, c.updates ? Strings{"self-update"} : Strings{});
    EXPECT_FALSE(context->restartPromptArmed);

    // Not armed again: a later entry starts the game instead (here: no map).
    context->currentState.reset();
    EnterReady();
    ASSERT_EQ(world.boxes.size(), 2u);
    EXPECT_EQ(world.boxes[1].content, L"STRING_ERROR_CHECK_GAME_FAILED");
  }
  context->cefFilesUpdated = false;
}

// Closes the stand-in game however the test ends, so none outlives it.
class GameCloser {
 public:
  explicit GameCloser(LauncherContext* context) : context_(context) {}
  ~GameCloser() {
    context_->CollectGameWindows();
    for (HWND window : context_->GetGameWindows()) PostMessageW(window, WM_CLOSE, 0, 0);
  }

 private:
  LauncherContext* context_;
};

// The stand-in game records its command line in "fake_game.log" beside itself.
TEST_F(EnterGameStateTest, ThePassStartsTheGameWithinItsInstanceLimit) {
  const GameCloser closer(context);
  context->startGameAfterPass = true;
  WriteLauncherFile(L"save\\gid.txt", "gid 1");
  // Without a readable map nothing is moved and nothing starts.
  EnterReady();
  ASSERT_EQ(world.boxes.size(), 1u);
  EXPECT_EQ(world.boxes[0].title, L"STRING_ERROR_NOTICE");
  EXPECT_EQ(world.boxes[0].content, L"STRING_ERROR_CHECK_GAME_FAILED");
  EXPECT_EQ(world.boxes[0].firstCaption, L"");
  EXPECT_FALSE(world.boxes[0].callback);
  EXPECT_TRUE(test_support::FileExists(LauncherFile(L"save\\gid.txt")));

  const std::string map = FlatMapText("10077_3_2", {{"a.bin", kMd5A, 10}});
  WriteGameFile(L"version_map.txt", map);
  WriteLauncherFile(L"save\\TransToGame", "{\"to\":\"game\"}");
  ASSERT_TRUE(CopyFileW(WindowsPath(FAKE_GAME_EXE).c_str(), GameFile(L"TOVA.exe").c_str(), FALSE));
  context->gameVersion = "10077_3_2";
  context->downloadLog.firstInstall = true;
  context->downloadLog.downloadSize = 5;
  context->currentState.reset();
  EnterReady();

  std::string log;
  ASSERT_TRUE(WaitFor([&] {
    return test_support::TryReadFileBytes(GameFile(L"fake_game.log"), &log) &&
           log.find('\n') != std::string::npos;
  }));
  EXPECT_EQ(log.substr(0, log.find('\n')), "start \"" + scratch.ChildUtf8(L"game\\TOVA.exe") +
                                               "\" " + Md5OfBuffer(map.data(), map.size()) +
                                               " win 0|1");
  EXPECT_EQ(MainMessages(WM_HIDE_LAUNCHER).size(), 1u);
  EXPECT_EQ(test_support::ReadFileBytes(GameFile(L"save\\gid.txt")), "gid 1");
  EXPECT_EQ(test_support::ReadFileBytes(GameFile(L"save\\TransToGame")), "{\"to\":\"game\"}");
  EXPECT_FALSE(test_support::FileExists(LauncherFile(L"save\\gid.txt")));
  EXPECT_FALSE(test_support::FileExists(LauncherFile(L"save\\TransToGame")));
  EXPECT_FALSE(context->downloadLog.firstInstall);
  EXPECT_EQ(context->downloadLog.downloadSize, 0);
  LauncherContext saved;
  ASSERT_TRUE(saved.LoadDownloadLog());
  EXPECT_FALSE(saved.downloadLog.firstInstall);
  EXPECT_TRUE(context->startGameAfterPass);

  // While it runs, no slot is free: the files are moved all the same.
  ASSERT_TRUE(WaitFor([&] { return context->IsGameRunning(); }));
  WriteLauncherFile(L"save\\gid.txt", "gid 2");
  context->currentState.reset();
  EnterReady();
  ASSERT_EQ(world.boxes.size(), 2u);
  EXPECT_EQ(world.boxes[1].content, L"STRING_ERROR_EXCEED_MAX_GAME_INSTANCE");
  EXPECT_EQ(MainMessages(WM_HIDE_LAUNCHER).size(), 1u);
  EXPECT_EQ(test_support::ReadFileBytes(GameFile(L"save\\gid.txt")), "gid 2");

  ASSERT_TRUE(WaitFor([&] {
    context->CollectGameWindows();
    return context->GetGameWindows().size() == 2;
  }));
  for (HWND window : context->GetGameWindows()) PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return !context->IsGameRunning(); }));
}

}  // namespace
