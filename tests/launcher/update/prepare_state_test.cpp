#include "launcher/update/prepare_state.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/json_util.h"
#include "base/md5.h"
#include "launcher/core/window_messages.h"
#include "launcher/update/exception_state.h"
#include "tests/launcher/update/update_state_fixture.h"

namespace {

using update_test::FakePreDownloadState;
using update_test::FakeUpdateWorld;
using update_test::FlatMapText;
using update_test::UpdateStateTest;

constexpr char kSavedDetail[] = "The information has been saved to file:exception/response.txt";

std::string Md5(const std::string& bytes) { return Md5OfBuffer(bytes.data(), bytes.size()); }

// A JSON object of exactly `size` bytes without "DlcAddr".
std::string ReplyOfSize(size_t size) { return R"({"x":")" + std::string(size - 8, 'a') + "\"}"; }

class PrepareStateTest : public UpdateStateTest {
 protected:
  // Scripts the directory reply, then enters the state and ticks it once.
  void RunPass(UpdateMode mode, const FakeUpdateWorld::Reply& reply) {
    world.replies["get/urls"] = reply;
    Enter(std::make_unique<PrepareState>(mode, &world));
    Tick();
  }
  // What the request's callback was given as its URL.
  std::string RequestedUrl() const {
    return world.requests.empty() ? "" : world.requests[0].substr(sizeof("gate:") - 1) + "/";
  }
};

TEST_F(PrepareStateTest, GamePassRepliesDecideTheNextStateAndTheErrorShown) {
  const std::string remote_map = FlatMapText("3_2_8", {{"a.bin", std::string(32, 'a'), 3}});
  Json::Value with_map;
  with_map["DlcAddr"].append("h1");
  with_map["DlcAddr"].append("h2");
  with_map["CDN"] = remote_map;
  struct Case {
    const char* what;
    FakeUpdateWorld::Reply reply;
    StateId next;
    int32_t code;
    std::string message;  // for a "Parse Failed:" failure, only its start
    std::string detail;   // "URL" stands for the request's URL
    bool savedReply;
    std::vector<std::string> hosts;
    bool embeddedMap;
  };
  const std::string long_text = "<" + std::string(128, 'x');
  const Case cases[] = {
      {"request failed",
       {-2, "", "Couldn't connect to server"},
       StateId::Exception,
       -2,
       "Request Failed:Couldn't connect to server",
       "URL",
       false,
       {},
       false},
      {"not JSON",
       {0, "Bad Gateway", "syntax"},
       StateId::Exception,
       0,
       "Parse Failed:",
       "Bad Gateway",
       false,
       {},
       false},
      {"not JSON, 129 bytes",
       {0, long_text, "syntax"},
       StateId::Exception,
       0,
       "Parse Failed:",
       kSavedDetail,
       true,
       {},
       false},
      {"no DlcAddr, 128 bytes",
       {0, ReplyOfSize(128), ""},
       StateId::Exception,
       0,
       "Invalid DlcAddr",
       ReplyOfSize(128),
       false,
       {},
       false},
      {"no DlcAddr, 129 bytes",
       {0, ReplyOfSize(129), ""},
       StateId::Exception,
       0,
       "Invalid DlcAddr",
       kSavedDetail,
       true,
       {},
       false},
      {"one host",
       {0, R"({"DlcAddr":"https://cdn/"})", ""},
       StateId::RequestRemote,
       0,
       "",
       "",
       false,
       {"https://cdn/"},
       false},
      {"hosts and a map",
       {0, WriteJsonText(with_map), ""},
       StateId::CheckVersion,
       0,
       "",
       "",
       false,
       {"h1", "h2"},
       true},
      {"a map that is no map",
       {0, R"({"DlcAddr":"h","CDN":"[1,2]"})", ""},
       StateId::RequestRemote,
       0,
       "",
       "",
       false,
       {"h"},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    world = FakeUpdateWorld();
    DeleteFileW(LauncherFile(L"exception\\response.txt").c_str());
    DeleteFileW(GameFile(L"tmp_version_map.txt").c_str());
    Map(VersionMapKey::kRemoteGame).clear();

    RunPass(UpdateMode::Game, c.reply);
    ASSERT_NE(world.next(), nullptr);
    EXPECT_EQ(world.next()->GetId(), c.next);
    EXPECT_EQ(world.next()->mode(), UpdateMode::Game);
    EXPECT_EQ(world.requests.size(), 1u);
    if (c.next == StateId::Exception) {
      const auto* failed = static_cast<const ExceptionState*>(world.next());
      EXPECT_TRUE(failed->showDialog());
      EXPECT_EQ(failed->errorCode, c.code);
      if (c.message == "Parse Failed:") {
        EXPECT_EQ(failed->errorMessage.rfind(c.message, 0), 0u) << failed->errorMessage;
        EXPECT_GT(failed->errorMessage.size(), c.message.size());
      } else {
        EXPECT_EQ(failed->errorMessage, c.message);
      }
      EXPECT_EQ(failed->errorDetail, c.detail == "URL" ? RequestedUrl() : c.detail);
    } else {
      EXPECT_EQ(world.contentHosts, c.hosts);
    }
    const std::wstring saved = LauncherFile(L"exception\\response.txt");
    EXPECT_EQ(test_support::FileExists(saved), c.savedReply);
    if (c.savedReply) {
      EXPECT_EQ(test_support::ReadFileBytes(saved), c.reply.body);
    }
    EXPECT_EQ(test_support::FileExists(GameFile(L"tmp_version_map.txt")), c.embeddedMap);
    if (c.embeddedMap) {
      EXPECT_EQ(test_support::ReadFileBytes(GameFile(L"tmp_version_map.txt")), remote_map);
      EXPECT_EQ(Map(VersionMapKey::kRemoteGame).count("a.bin"), 1u);
    }
    EXPECT_TRUE(world.dialogs.empty());
    context->currentState.reset();
  }
}

TEST_F(PrepareStateTest, LauncherPassTakesItsOptionsAndFailsSilently) {
  struct Case {
    const char* what;
    FakeUpdateWorld::Reply reply;
    StateId next;
    int patchOption;
    bool preDlcCheck;
    std::string activity;
    bool force;
    bool transToGame;
    std::vector<std::string> hosts;
  };
  const Case cases[] = {
      {"request failed", {-2, "", "timeout"}, StateId::EnterGame, 2, false, "", true, false, {}},
      {"not JSON", {0, "<html>", "syntax"}, StateId::EnterGame, 2, false, "", true, false, {}},
      {"options without DlcAddr",
       {0, R"({"Others":"{\"PatchOption\":0,\"PreDlcCheck\":true,\"TransToGame\":{\"a\":1}}"})",
        ""},
       StateId::EnterGame,
       0,
       true,
       "",
       true,
       true,
       {}},
      {"DlcAddr outside Others",
       {0, R"({"DlcAddr":"h","Others":"{}"})", ""},
       StateId::EnterGame,
       2,
       false,
       "",
       true,
       false,
       {}},
      {"usable",
       {0,
        R"({"Others":"{\"DlcAddr\":[\"h1\",\"h2\"],\"ActivityAddr\":\"https://news/\",)"
        R"(\"ForceUpdateLauncher\":false}"})",
        ""},
       StateId::RequestRemote,
       2,
       false,
       "https://news/",
       true,
       false,
       {"h1", "h2"}},
      {"usable, no force",
       {0, R"({"Others":"{\"DlcAddr\":\"h\"}"})", ""},
       StateId::RequestRemote,
       2,
       false,
       "",
       false,
       false,
       {"h"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    world = FakeUpdateWorld();
    context->patchOption = 2;
    context->preDlcCheck = false;
    context->activityAddr.clear();
    context->forceUpdateLauncher = true;
    DeleteFileW(LauncherFile(L"save\\TransToGame").c_str());

    RunPass(UpdateMode::Launcher, c.reply);
    ASSERT_NE(world.next(), nullptr);
    EXPECT_EQ(world.next()->GetId(), c.next);
    if (c.next == StateId::RequestRemote) {
      EXPECT_EQ(world.next()->mode(), UpdateMode::Launcher);
    }
    EXPECT_EQ(context->patchOption, c.patchOption);
    EXPECT_EQ(context->preDlcCheck, c.preDlcCheck);
    EXPECT_EQ(context->activityAddr, c.activity);
    EXPECT_EQ(context->forceUpdateLauncher, c.force);
    EXPECT_EQ(world.contentHosts, c.hosts);
    EXPECT_EQ(test_support::FileExists(LauncherFile(L"save\\TransToGame")), c.transToGame);
    // A failed launcher pass leaves no trace for a dialog.
    EXPECT_TRUE(world.dialogs.empty());
    EXPECT_TRUE(current()->errorMessage.empty());
    context->currentState.reset();
  }
}

TEST_F(PrepareStateTest, AGameFolderWithoutMapIsHashedOutsideTheLauncherFolders) {
  const std::vector<std::pair<std::wstring, std::string>> hashed = {{L"TOVA.exe", "game"},
                                                                    {L"data\\level1.bin", "level"},
                                                                    {L"data\\x\\y.bin", "deep"},
                                                                    {L"\u904a\u6232.txt", "cjk"}};
  for (const auto& [name, bytes] : hashed) WriteGameFile(name, bytes);
  for (const wchar_t* skipped : {L"save\\gid.txt", L"update\\part.bin", L"exception\\e.txt",
                                 L"data\\cef_temp\\c.bin", L"data\\save\\s.bin"}) {
    WriteGameFile(skipped, "skip");
  }

  RunPass(UpdateMode::Game, {0, R"({"DlcAddr":"h"})", ""});
  const VersionMap& local = Map(VersionMapKey::kLocalGame);
  EXPECT_EQ(local, (VersionMap{{"TOVA.exe", {Md5("game"), 4}},
                               {"data/level1.bin", {Md5("level"), 5}},
                               {"data/x/y.bin", {Md5("deep"), 4}},
                               {"\xe9\x81\x8a\xe6\x88\xb2.txt", {Md5("cjk"), 3}}}));
  const std::vector<FakeUpdateWorld::Message> progress = MainMessages(WM_CHECK_PROGRESS);
  ASSERT_EQ(progress.size(), 4u);
  EXPECT_EQ(progress[0].lparam, 22);
  EXPECT_EQ(progress[1].lparam, 45);
  EXPECT_EQ(progress[2].lparam, 67);
  EXPECT_EQ(progress[3].lparam, 90);
  // Hashing comes after the reply, which the entry already had.
  EXPECT_EQ(world.mainMessages.front(), (FakeUpdateWorld::Message{WM_STATE_CHANGED, 0, 0}));
  EXPECT_EQ(world.next()->GetId(), StateId::RequestRemote);
}

TEST_F(PrepareStateTest, AGameMapOnDiskIsLoadedWithoutHashing) {
  WriteGameFile(L"TOVA.exe", "game");
  WriteGameFile(L"version_map.txt", FlatMapText("3_2_7", {{"TOVA.exe", std::string(32, 'b'), 9}}));
  Map(VersionMapKey::kLocalGame)["stale"] = {"x", 1};

  RunPass(UpdateMode::Game, {0, R"({"DlcAddr":"h"})", ""});
  const VersionMap& local = Map(VersionMapKey::kLocalGame);
  EXPECT_EQ(local.count("stale"), 0u);
  EXPECT_EQ(local.at("TOVA.exe").md5, std::string(32, 'b'));
  EXPECT_TRUE(MainMessages(WM_CHECK_PROGRESS).empty());
  EXPECT_EQ(static_cast<const PrepareState*>(current())->hashTotal(), 0);
}

TEST_F(PrepareStateTest, TheGameFilesUnderServerNamesAreCopiedToTheirLocalNames) {
  context->fileCopyPairs = {
      {L"data/a_b", L"data/a b"}, {L"data/c_d", L"data/c d"}, {L"data/missing", L"data/none"}};
  WriteGameFile(L"version_map.txt", "{}");
  WriteGameFile(L"data\\a_b", "server");
  WriteGameFile(L"data\\c_d", "server");
  WriteGameFile(L"data\\c d", "kept");

  RunPass(UpdateMode::Game, {0, R"({"DlcAddr":"h"})", ""});
  EXPECT_EQ(test_support::ReadFileBytes(GameFile(L"data\\a b")), "server");
  EXPECT_EQ(test_support::ReadFileBytes(GameFile(L"data\\c d")), "kept");
  EXPECT_FALSE(test_support::FileExists(GameFile(L"data\\none")));
}

TEST_F(PrepareStateTest, TheLauncherHashesItsOwnFilesAndAlwaysItsExecutable) {
  WriteLauncherFile(L"launcher.exe", "exe");
  WriteLauncherFile(L"resources.zip", "zip");
  WriteLauncherFile(L"LomaB.ttf", "font");
  WriteLauncherFile(L"cef\\libcef.dll", "cef");
  WriteLauncherFile(L"cef\\locales\\en.pak", "pak");
  WriteLauncherFile(L"other.txt", "not ours");

  world.replies["get/urls"] = {-2, "", "down"};
  Enter(std::make_unique<PrepareState>(UpdateMode::Launcher, &world));
  // The executable is hashed on entry; the rest waits for the tick.
  EXPECT_EQ(Map(VersionMapKey::kLocalLauncher), (VersionMap{{"launcher.exe", {Md5("exe"), 3}}}));
  EXPECT_EQ(static_cast<const PrepareState*>(current())->hashTotal(), 7);
  EXPECT_TRUE(test_support::IsDirectory(LauncherFile(L"update")));
  EXPECT_TRUE(test_support::IsDirectory(LauncherFile(L"exception")));
  Tick();
  EXPECT_EQ(Map(VersionMapKey::kLocalLauncher),
            (VersionMap{{"launcher.exe", {Md5("exe"), 3}},
                        {"resources.zip", {Md5("zip"), 3}},
                        {"LomaB.ttf", {Md5("font"), 4}},
                        {"cef/libcef.dll", {Md5("cef"), 3}},
                        {"cef/locales/en.pak", {Md5("pak"), 3}}}));
  ASSERT_EQ(MainMessages(WM_CHECK_PROGRESS).size(), 4u);
  EXPECT_EQ(MainMessages(WM_CHECK_PROGRESS).back().lparam, 90);
  EXPECT_EQ(world.next()->GetId(), StateId::EnterGame);
}

TEST_F(PrepareStateTest, TheLauncherMapOnDiskKeepsAllButTheExecutablesEntry) {
  WriteLauncherFile(L"launcher.exe", "new exe");
  WriteLauncherFile(L"launcher_version_map.txt",
                    FlatMapText("1_2_0", {{"launcher.exe", std::string(32, 'c'), 1},
                                          {"resources.zip", std::string(32, 'd'), 2}}));
  world.replies["get/urls"] = {-2, "", "down"};
  Enter(std::make_unique<PrepareState>(UpdateMode::Launcher, &world));
  EXPECT_EQ(Map(VersionMapKey::kLocalLauncher).at("launcher.exe").md5, Md5("new exe"));
  EXPECT_EQ(Map(VersionMapKey::kLocalLauncher).at("resources.zip").md5, std::string(32, 'd'));
  EXPECT_EQ(static_cast<const PrepareState*>(current())->hashTotal(), 0);
}

TEST_F(PrepareStateTest, APassStopsThePreDownload) {
  struct Case {
    const char* what;
    bool downloading;
    bool paused;
    std::vector<std::string> log;
    bool autoStart;
  };
  const Case cases[] = {
      {"downloading",
       true,
       false,
       {"stop pre-download transfers", "pre-download exit(null)", "pre-download destroyed"},
       true},
      {"downloading, paused",
       true,
       true,
       {"stop pre-download transfers", "pre-download exit(null)", "pre-download destroyed"},
       false},
      {"not downloading",
       false,
       false,
       {"pre-download exit(null)", "pre-download destroyed"},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    world = FakeUpdateWorld();
    std::vector<std::string> log;
    world.preDownload = std::make_unique<FakePreDownloadState>(c.downloading, &log);
    context->preDownloadPaused = c.paused;
    context->preDownloadAutoStart = false;
    world.replies["get/urls"] = {0, R"({"DlcAddr":"h"})", ""};
    Enter(std::make_unique<PrepareState>(UpdateMode::Game, &world));

    std::vector<std::string> events = world.log;
    events.erase(std::remove(events.begin(), events.end(), "collect game windows"), events.end());
    events.erase(std::remove(events.begin(), events.end(), "content hosts"), events.end());
    events.insert(events.begin() + (c.downloading ? 1 : 0), log.begin(), log.end());
    EXPECT_EQ(events, c.log);
    EXPECT_EQ(world.preDownload, nullptr);
    EXPECT_EQ(context->preDownloadAutoStart, c.autoStart);
    const std::vector<FakeUpdateWorld::Message> status = MainMessages(WM_PREDOWNLOAD_STATUS);
    const std::vector<FakeUpdateWorld::Message> expected_game = {{WM_GAME_PREDOWNLOAD_STATE, 0, 2}};
    if (c.downloading) {
      ASSERT_EQ(status.size(), 1u);
      EXPECT_EQ(status[0].wparam, static_cast<WPARAM>(-1));
      EXPECT_EQ(status[0].lparam, -1);
      EXPECT_EQ(world.gameMessages, expected_game);
    } else {
      EXPECT_TRUE(status.empty());
      EXPECT_TRUE(world.gameMessages.empty());
    }
    context->currentState.reset();
  }
}

TEST_F(PrepareStateTest, OnlyALauncherPassWithoutAddressAsksForIt) {
  struct Case {
    UpdateMode mode;
    const char* address;
    bool asks;
  };
  for (const Case& c :
       {Case{UpdateMode::Launcher, "", true}, Case{UpdateMode::Launcher, "198.51.100.4", false},
        Case{UpdateMode::Game, "", false}}) {
    world = FakeUpdateWorld();
    context->publicIp = c.address;
    Enter(std::make_unique<PrepareState>(c.mode, &world));
    EXPECT_EQ(!world.log.empty() && world.log.front() == "public address", c.asks)
        << static_cast<int>(c.mode) << " " << c.address;
    // The directory service is asked in every pass, after the address.
    ASSERT_EQ(world.requests.size(), 1u);
    EXPECT_EQ(world.requests[0].rfind("gate:get/urls?key=WIN10TW_&udid=", 0), 0u);
    context->currentState.reset();
  }
}

}  // namespace
