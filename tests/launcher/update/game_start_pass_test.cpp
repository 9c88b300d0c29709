// A game installed by a whole pass is started by the ready state: MiscThread
// ticks the real states, the ready state included, with the real download
// manager against the local servers. The game served is the stand-in game as
// "TOVA.exe", which records in "fake_game.log" how it was started.

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/folder_util.h"
#include "base/thread_registry.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/window_messages.h"
#include "launcher/update/context_update_world.h"
#include "tests/launcher/download/download_test_env.h"
#include "tests/launcher/update/pass_content.h"
#include "tests/launcher/update/pass_worker.h"
#include "tests/launcher/update/stop_recording_world.h"
#include "tests/support/scoped_current_folder.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wait_for.h"

namespace {

using download_test::GetServers;
using pass_test::Files;
using pass_test::Md5;
using pass_test::RunOn;
using test_support::TryReadFileBytes;
using test_support::WaitFor;

constexpr wchar_t kGameFolder[] = L"Corvandel Game";

// The launcher's world as it is, recording where each pass stopped and the
// boxes the ready state asked for.
class RecordingWorld : public pass_test::StopRecordingWorld {
 public:
  void ShowMessageBox(const std::wstring& /*title_key*/, const std::wstring& content_key,
                      const std::wstring& /*first_caption_key*/,
                      const std::wstring& /*second_caption_key*/,
                      DialogCallback /*callback*/) override {
    std::lock_guard<std::mutex> lock(mutex_);
    boxes_.push_back(content_key);
  }
  std::vector<std::wstring> boxes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::wstring> boxes_;
};

std::mutex g_hidden_mutex;
int g_hidden = 0;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_HIDE_LAUNCHER) {
    std::lock_guard<std::mutex> lock(g_hidden_mutex);
    ++g_hidden;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

int HiddenCount() {
  RunOn(qbase::kMainThreadId, [] {});
  std::lock_guard<std::mutex> lock(g_hidden_mutex);
  return g_hidden;
}

class GameStartPassTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    threads_.Start(L"GameStartPassTestMainWindow", MainWindowProc, &lifecycle_);
  }
  static void TearDownTestSuite() { threads_.Stop(); }

  GameStartPassTest() {
    // A stand-in game an earlier test of this Wine world left ending would
    // take the one instance slot.
    pass_test::CloseStandInGame();
    download_test::ResetFaultHost();
    cdn = "start" + std::to_string(GetCurrentProcessId());
    pass_test::ResetContext(scratch.Child(kGameFolder));
    MakeDirectoriesW(scratch.Child(kGameFolder));
    pass_test::SetGateReply("/~gate/get/urls",
                            pass_test::GameReply(GetServers().contentUrl + "/" + cdn + "/"));
  }
  ~GameStartPassTest() override {
    RunOn(qbase::kMiscThreadId, [] { LauncherContext::GetInstance()->ChangeState(nullptr); });
    pass_test::CloseStandInGame(Game("fake_game.log"));
  }

  std::wstring Game(const std::string& name) const {
    return scratch.Child(std::wstring(kGameFolder) + L"\\" + pass_test::Path(name));
  }
  void ServeGame(const std::string& version, const Files& files) {
    for (const auto& [name, bytes] : files) pass_test::ServeContent(cdn + "/" + name, bytes);
    pass_test::ServeContent(cdn + "/version_map.txt", pass_test::MapText(version, files));
  }
  // Runs a pass that starts the game at its end, as the main window's start
  // button asks.
  RecordingWorld::Stop RunPass() { return world.RunPass(UpdateMode::Game, true); }
  std::vector<std::string> GameLog() {
    std::string log;
    TryReadFileBytes(Game("fake_game.log"), &log);
    return pass_test::Lines(log);
  }

  static pass_test::WorkerLifecycle lifecycle_;
  static pass_test::PassThreads threads_;

  test_support::ScratchDir scratch;
  test_support::ScopedCurrentFolder folder{scratch.path()};
  std::string cdn;
  RecordingWorld world;
};

pass_test::WorkerLifecycle GameStartPassTest::lifecycle_;
pass_test::PassThreads GameStartPassTest::threads_;

TEST_F(GameStartPassTest, AnInstalledGameStartsWithItsCommandLineWithinTheInstanceLimit) {
  Files game;
  ASSERT_TRUE(TryReadFileBytes(test_support::HostPathInWine(FAKE_GAME_EXE), &game["TOVA.exe"]));
  game["UnityPlayer.dll"] = download_test::SeededBytes(70000, 1);
  game["TOVA_Data/Sound Banks/Ambient Forest.bank"] = download_test::SeededBytes(9000, 2);
  game["TOVA_Data/\xe7\xb9\x81\xe9\xab\x94\xe4\xb8\xad\xe6\x96\x87/table.txt"] = "table";
  // From 10077 on the game takes the platform and instance fields.
  ServeGame("10077_3_2", game);

  const RecordingWorld::Stop stop = RunPass();
  ASSERT_EQ(stop.id, StateId::EnterGame) << stop.error;
  EXPECT_TRUE(world.boxes().empty());
  for (const auto& [name, bytes] : game) {
    std::string installed;
    ASSERT_TRUE(TryReadFileBytes(Game(name), &installed)) << name;
    EXPECT_EQ(Md5(installed), Md5(bytes)) << name;
  }
  std::string map;
  ASSERT_TRUE(TryReadFileBytes(Game("version_map.txt"), &map));
  EXPECT_EQ(map, pass_test::MapText("10077_3_2", game));

  // Started from the folder with a blank, quoted, with the MD5 of its map.
  ASSERT_TRUE(WaitFor([this] { return !GameLog().empty(); }));
  EXPECT_EQ(GameLog()[0],
            "start \"" + scratch.ChildUtf8(kGameFolder) + "\\TOVA.exe\" " + Md5(map) + " win 0|1");
  EXPECT_TRUE(WaitFor([] { return LauncherContext::GetInstance()->IsGameRunning(); }));
  EXPECT_EQ(HiddenCount(), 1);

  // A second pass that ends while the game runs starts no second instance.
  const RecordingWorld::Stop again = RunPass();
  ASSERT_EQ(again.id, StateId::EnterGame) << again.error;
  EXPECT_EQ(world.boxes(), std::vector<std::wstring>{L"STRING_ERROR_EXCEED_MAX_GAME_INSTANCE"});
  EXPECT_EQ(HiddenCount(), 1);

  pass_test::CloseStandInGame();
  EXPECT_TRUE(WaitFor([this] { return GameLog().size() >= 2 && GameLog().back() == "exit"; }));
  EXPECT_EQ(GameLog(), (std::vector<std::string>{GameLog()[0], "exit"}));
  EXPECT_FALSE(LauncherContext::GetInstance()->IsGameRunning());
}

}  // namespace
