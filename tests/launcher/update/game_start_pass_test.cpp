// A game installed by a whole pass is started by the ready state: MiscThread
// ticks the real states, the ready state included, with the real download
// manager against the local servers. The game served is the stand-in game as
// "TOVA.exe", which records in "fake_game.log" how it was started.

#include <windows.h>

#include <condition_variable>
#include <map>
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
#include "launcher/core/launcher_context.h"
#include "launcher/core/window_messages.h"
#include "launcher/update/context_update_world.h"
#include "launcher/update/prepare_state.h"
#include "tests/launcher/download/download_test_env.h"
#include "tests/launcher/update/pass_worker.h"
#include "tests/support/scoped_current_folder.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wait_for.h"

namespace {

using download_test::GetServers;
using pass_test::RunOn;
using test_support::TryReadFileBytes;
using test_support::WaitFor;
using Files = std::map<std::string, std::string>;  // name -> bytes

constexpr wchar_t kGameFolder[] = L"Corvandel Game";

std::string Md5(const std::string& bytes) { return Md5OfBuffer(bytes.data(), bytes.size()); }

std::wstring Path(const std::string& name) {
  std::wstring path = download_test::Wide(name);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

std::string MapText(const std::string& version, const Files& files) {
  Json::Value root(Json::objectValue);
  root["version"]["md5"] = version;
  for (const auto& [name, bytes] : files) {
    root[name]["md5"] = Md5(bytes);
    root[name]["size"] = static_cast<Json::Int64>(bytes.size());
  }
  return WriteJsonText(root);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// The launcher's world as it is, recording where each pass stopped and the
// boxes the ready state asked for.
class RecordingWorld : public ContextUpdateWorld {
 public:
  void ChangeState(std::unique_ptr<State> next) override {
    const StateId id = next ? next->GetId() : StateId::None;
    const std::string error = next ? next->errorMessage + next->errorDetail : "";
    ContextUpdateWorld::ChangeState(std::move(next));
    if (id != StateId::Exception && id != StateId::EnterGame) return;
    std::lock_guard<std::mutex> lock(mutex_);
    stops_.push_back({id, error});
    changed_.notify_all();
  }
  void ShowMessageBox(const std::wstring& /*title_key*/, const std::wstring& content_key,
                      const std::wstring& /*first_caption_key*/,
                      const std::wstring& /*second_caption_key*/,
                      DialogCallback /*callback*/) override {
    std::lock_guard<std::mutex> lock(mutex_);
    boxes_.push_back(content_key);
  }

  struct Stop {
    StateId id = StateId::None;
    std::string error;
  };
  bool AwaitStop(Stop* stop) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!changed_.wait_for(lock, std::chrono::seconds(300), [this] { return !stops_.empty(); })) {
      return false;
    }
    *stop = stops_.front();
    stops_.clear();
    return true;
  }
  std::vector<std::wstring> boxes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Stop> stops_;
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

// Closes the stand-in game's windows and waits until it has let go of the
// instance mutex, which it holds a moment longer than its windows.
void CloseGame() {
  while (HWND game = FindWindowW(L"UnityWndClass", nullptr)) {
    PostMessageW(game, WM_CLOSE, 0, 0);
    if (!WaitFor([game] { return !IsWindow(game); })) break;
  }
  WaitFor([] { return !LauncherContext::GetInstance()->IsGameRunning(); });
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
    CloseGame();
    download_test::ResetFaultHost();
    cdn = "start" + std::to_string(GetCurrentProcessId());
    RunOn(qbase::kMiscThreadId, [this] {
      LauncherContext* context = LauncherContext::GetInstance();
      context->ChangeState(nullptr);
      LauncherSettings settings = context->GetSettings();
      settings.gamePath = scratch.Child(kGameFolder);
      context->SetSettings(settings);
      context->publicIp = "203.0.113.7";
      context->patchOption = 2;
    });
    MakeDirectoriesW(scratch.Child(kGameFolder));
    Json::Value reply;
    reply["DlcAddr"].append(GetServers().contentUrl + "/" + cdn + "/");
    Json::Value rule;
    rule["path"] = "/~gate/get/urls";
    rule["action"] = "status";
    rule["status"] = 200;
    rule["body"] = WriteJsonText(reply);
    download_test::SetFaultRule(rule);
  }
  ~GameStartPassTest() override {
    RunOn(qbase::kMiscThreadId, [] { LauncherContext::GetInstance()->ChangeState(nullptr); });
    CloseGame();
  }

  std::wstring Game(const std::string& name) const {
    return scratch.Child(std::wstring(kGameFolder) + L"\\" + Path(name));
  }
  void ServeGame(const std::string& version, const Files& files) {
    for (const auto& [name, bytes] : files) {
      test_support::WriteFileBytes(GetServers().contentRoot + L"\\" + Path(cdn + "/" + name),
                                   bytes);
    }
    test_support::WriteFileBytes(GetServers().contentRoot + L"\\" + Path(cdn + "/version_map.txt"),
                                 MapText(version, files));
  }
  // Loads the versions as the worker's start does, then runs a pass that
  // starts the game at its end, as the main window's start button asks.
  RecordingWorld::Stop RunPass() {
    RunOn(qbase::kMiscThreadId, [] {
      LauncherContext* context = LauncherContext::GetInstance();
      context->InitVersionState();
      context->startGameAfterPass = true;
    });
    RunOn(qbase::kMiscThreadId,
          [this] { world.ChangeState(std::make_unique<PrepareState>(UpdateMode::Game, &world)); });
    RecordingWorld::Stop stop;
    EXPECT_TRUE(world.AwaitStop(&stop));
    return stop;
  }
  std::vector<std::string> GameLog() {
    std::string log;
    TryReadFileBytes(Game("fake_game.log"), &log);
    return Lines(log);
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
  EXPECT_EQ(map, MapText("10077_3_2", game));

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

  CloseGame();
  EXPECT_TRUE(WaitFor([this] { return GameLog().size() >= 2 && GameLog().back() == "exit"; }));
  EXPECT_EQ(GameLog(), (std::vector<std::string>{GameLog()[0], "exit"}));
  EXPECT_FALSE(LauncherContext::GetInstance()->IsGameRunning());
}

}  // namespace
