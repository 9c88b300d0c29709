// The passes end to end: MiscThread ticks the states with the real download
// manager against the local servers (the fault host as directory service and
// content host), a message-only window on a stand-in UI thread records what
// the main window would receive, and each pass stops where the download stage
// would begin, with the lists that stage would be given.

#include <windows.h>

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <json/json.h>

#include "base/file_path.h"
#include "base/folder_util.h"
#include "base/json_util.h"
#include "base/thread_registry.h"
#include "launcher/core/apply_list.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/launcher_lifecycle.h"
#include "launcher/core/misc_thread.h"
#include "launcher/core/public_address.h"
#include "launcher/core/window_messages.h"
#include "launcher/download/download_manager.h"
#include "launcher/update/context_update_world.h"
#include "launcher/update/exception_state.h"
#include "launcher/update/prepare_state.h"
#include "tests/launcher/download/download_test_env.h"
#include "tests/launcher/update/pass_content.h"
#include "tests/launcher/update/pass_worker.h"
#include "tests/support/main_window_thread.h"

namespace {

using pass_test::MapText;
using pass_test::Md5;
using pass_test::RunOn;
using pass_test::WorkerLifecycle;

using download_test::GetServers;

// Where a pass stopped and what it left for the next stage.
struct Stop {
  StateId id = StateId::None;
  UpdateMode mode = UpdateMode::Game;
  std::vector<std::string> update;   // names of the update map
  std::vector<std::string> patches;  // names of the patch map
  int32_t errorCode = 0;
  std::string errorMessage;
  std::string errorDetail;
};

std::vector<std::string> Names(const VersionMap& map) {
  std::vector<std::string> names;
  for (const auto& entry : map) names.push_back(entry.first);
  return names;
}

// The launcher's world, with the stage after this half of the chain stood in
// for: it records the states entered and where each pass stopped.
class RecordingWorld : public ContextUpdateWorld {
 public:
  void ChangeState(std::unique_ptr<State> next) override {
    const StateId id = next ? next->GetId() : StateId::None;
    std::optional<Stop> stop;
    if (id == StateId::Exception || id == StateId::DownloadFiles || id == StateId::EnterGame) {
      stop = Stop();
      stop->id = id;
      stop->mode = next->mode();
      const bool game = next->mode() == UpdateMode::Game;
      LauncherContext* context = LauncherContext::GetInstance();
      stop->update = Names(
          context->versionMaps[game ? VersionMapKey::kUpdateGame : VersionMapKey::kUpdateLauncher]);
      stop->patches = Names(
          context->versionMaps[game ? VersionMapKey::kGamePatch : VersionMapKey::kLauncherPatch]);
      stop->errorCode = next->errorCode;
      stop->errorMessage = next->errorMessage;
      stop->errorDetail = next->errorDetail;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (next) entered_.push_back(id);
    }
    // The stop counts once the state has entered.
    ContextUpdateWorld::ChangeState(std::move(next));
    if (!stop) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stops_.push_back(*stop);
    }
    changed_.notify_all();
  }
  std::unique_ptr<State> MakeDownloadFilesState(UpdateMode mode) override {
    return std::make_unique<pass_test::RestingState>(StateId::DownloadFiles, mode);
  }
  std::unique_ptr<State> MakeEnterGameState() override {
    return std::make_unique<pass_test::RestingState>(StateId::EnterGame, UpdateMode::Game);
  }
  void LookUpPublicAddress() override {
    RequestPublicAddress(&DownloadManager::GetInstance(), static_cast<int32_t>(StateId::Prepare),
                         GetServers().faultUrl + "/~ip/");
  }
  void ShowUpdateError(const UpdateErrorDialog& dialog) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      dialogs_.push_back(dialog.detail);
    }
    ContextUpdateWorld::ShowUpdateError(dialog);
  }

  // Waits for the pass to stop; false after a generous time.
  bool AwaitStop(Stop* stop) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!changed_.wait_for(lock, std::chrono::seconds(120), [this] { return !stops_.empty(); })) {
      return false;
    }
    *stop = stops_.front();
    return true;
  }
  std::vector<StateId> entered() {
    std::lock_guard<std::mutex> lock(mutex_);
    return entered_;
  }
  std::vector<std::wstring> dialogs() {
    std::lock_guard<std::mutex> lock(mutex_);
    return dialogs_;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    entered_.clear();
    stops_.clear();
    dialogs_.clear();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<StateId> entered_;
  std::vector<Stop> stops_;
  std::vector<std::wstring> dialogs_;
};

struct Received {
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
};
std::mutex g_received_mutex;
std::vector<Received> g_received;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_STATE_CHANGED || message == WM_CHECK_PROGRESS) {
    std::lock_guard<std::mutex> lock(g_received_mutex);
    g_received.push_back({message, wparam, lparam});
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// One process-wide set-up: the threads run across the tests as in the
// launcher; each test gives them a fresh launcher folder.
class UpdatePassTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    threads_.Start(L"UpdatePassTestMainWindow", MainWindowProc, &lifecycle_);
  }
  static void TearDownTestSuite() { threads_.Stop(); }

  UpdatePassTest() {
    download_test::ResetFaultHost();
    world.Clear();
    {
      std::lock_guard<std::mutex> lock(g_received_mutex);
      g_received.clear();
    }
    cdn = "cdn" + std::to_string(++test_number_);
    pass_test::ResetContext(scratch.Child(L"game"));
    MakeDirectoriesW(scratch.Child(L"game"));
    MakeDirectoriesW(scratch.Child(L"save"));
  }
  ~UpdatePassTest() override {
    RunOn(qbase::kMiscThreadId, [] { LauncherContext::GetInstance()->ChangeState(nullptr); });
  }

  std::string ContentUrl() const { return GetServers().faultUrl + "/~cdn/" + cdn + "/"; }
  // A file served by the content host of this test.
  std::string Serve(const std::string& name, const std::string& bytes) {
    pass_test::ServeContent(cdn + "/" + name, bytes);
    return Md5(bytes);
  }
  void DirectoryReply(const std::string& body, int status = 200) {
    pass_test::SetGateReply("/~gate/get/urls", body, status);
  }
  std::string GameReply() const { return pass_test::GameReply(ContentUrl()); }
  std::string LauncherReply() const { return pass_test::LauncherReply(ContentUrl()); }
  void WriteGame(const std::wstring& name, const std::string& bytes) {
    test_support::WriteFileBytes(scratch.Child(L"game\\" + name), bytes);
  }
  // Loads the versions from the files, as the worker's start does, then runs
  // a pass to its stop.
  Stop RunPass(UpdateMode mode) {
    pass_test::StartPass(&world, mode);
    Stop stop;
    EXPECT_TRUE(world.AwaitStop(&stop));
    return stop;
  }
  // The paths the fault host was asked for, in order, without queries.
  std::vector<std::string> Requested() const {
    std::vector<std::string> paths;
    for (const Json::Value& entry : download_test::FaultLog()) {
      const std::string path = entry["path"].asString();
      if (path.rfind("/~track/", 0) != 0 && path.rfind("/~attribution/", 0) != 0) {
        paths.push_back(path);
      }
    }
    return paths;
  }
  std::vector<Received> Messages() {
    RunOn(qbase::kMainThreadId, [] {});
    std::lock_guard<std::mutex> lock(g_received_mutex);
    return g_received;
  }

  static WorkerLifecycle lifecycle_;
  static pass_test::PassThreads threads_;
  static int test_number_;

  test_support::ScratchDir scratch;
  test_support::ScopedCurrentFolder folder{scratch.path()};
  std::string cdn;
  RecordingWorld world;
};

WorkerLifecycle UpdatePassTest::lifecycle_{WorkerLifecycle::Options{true, true}};
pass_test::PassThreads UpdatePassTest::threads_;
int UpdatePassTest::test_number_ = 0;

using Names_ = std::vector<std::string>;

TEST_F(UpdatePassTest, AFreshInstallFetchesEveryFile) {
  DirectoryReply(GameReply());
  Serve("version_map.txt", MapText("3_2_8", {{"TOVA.exe", "exe"}, {"data/a.bin", "a"}}));
  const Stop stop = RunPass(UpdateMode::Game);
  EXPECT_EQ(stop.id, StateId::DownloadFiles);
  EXPECT_EQ(stop.mode, UpdateMode::Game);
  EXPECT_EQ(stop.update, (Names_{"TOVA.exe", "data/a.bin"}));
  EXPECT_TRUE(stop.patches.empty());
  EXPECT_EQ(world.entered(), (std::vector<StateId>{StateId::Prepare, StateId::RequestRemote,
                                                   StateId::CheckVersion, StateId::DownloadFiles}));
  // The dead gate is tried three times before the live one answers; no
  // patch list is asked for without an installed version.
  EXPECT_EQ(Requested(), (Names_{"/~gate/get/urls", "/~cdn/" + cdn + "/version_map.txt"}));
  const std::vector<Json::Value> gate = download_test::FaultRequests("/~gate/get/urls");
  ASSERT_EQ(gate.size(), 1u);
  EXPECT_EQ(gate[0]["query"].asString().rfind("key=WIN10TW_&udid=", 0), 0u);
  EXPECT_EQ(test_support::ReadFileBytes(scratch.Child(L"game\\tmp_version_map.txt")),
            MapText("3_2_8", {{"TOVA.exe", "exe"}, {"data/a.bin", "a"}}));

  const std::vector<Received> messages = Messages();
  std::vector<std::pair<UINT, LPARAM>> seen;
  for (const Received& r : messages) seen.push_back({r.message, r.lparam});
  EXPECT_EQ(seen, (std::vector<std::pair<UINT, LPARAM>>{{WM_STATE_CHANGED, 0},
                                                        {WM_STATE_CHANGED, 0},
                                                        {WM_CHECK_PROGRESS, 95},
                                                        {WM_STATE_CHANGED, 0},
                                                        {WM_CHECK_PROGRESS, 100}}));
}

TEST_F(UpdatePassTest, AnUnmappedInstallIsHashedAndOnlyChangedFilesAreFetchedWhole) {
  WriteGame(L"TOVA.exe", "exe");
  WriteGame(L"data\\a.bin", "old a");
  WriteGame(L"save\\gid.txt", "not hashed");
  DirectoryReply(GameReply());
  Serve("version_map.txt", MapText("3_2_8", {{"TOVA.exe", "exe"}, {"data/a.bin", "new a"}}));
  const Stop stop = RunPass(UpdateMode::Game);
  EXPECT_EQ(stop.id, StateId::DownloadFiles);
  EXPECT_EQ(stop.update, (Names_{"data/a.bin"}));
  EXPECT_TRUE(stop.patches.empty());
  std::vector<LPARAM> progress;
  for (const Received& r : Messages()) {
    if (r.message == WM_CHECK_PROGRESS) progress.push_back(r.lparam);
  }
  EXPECT_EQ(progress, (std::vector<LPARAM>{45, 90, 95, 100}));
}

TEST_F(UpdatePassTest, AnUpdateTakesThePatchesOffered) {
  WriteGame(L"version_map.txt", MapText("3_2_7", {{"TOVA.exe", "exe"}, {"data/a.bin", "a"}}));
  DirectoryReply(GameReply());
  Serve("version_map.txt",
        MapText("3_2_8", {{"TOVA.exe", "exe 2"}, {"data/a.bin", "a 2"}, {"data/b.bin", "b"}}));
  Json::Value patches;
  patches["TOVA.exe"]["md5"] = std::string(32, 'e');
  patches["TOVA.exe"]["size"] = 12;
  Serve("patchs/3_2_7/patch_list.txt", WriteJsonText(patches));
  const Stop stop = RunPass(UpdateMode::Game);
  EXPECT_EQ(stop.id, StateId::DownloadFiles);
  EXPECT_EQ(stop.update, (Names_{"TOVA.exe", "data/a.bin", "data/b.bin"}));
  EXPECT_EQ(stop.patches, (Names_{"TOVA.exe"}));
  EXPECT_EQ(Requested(), (Names_{"/~gate/get/urls", "/~cdn/" + cdn + "/version_map.txt",
                                 "/~cdn/" + cdn + "/patchs/3_2_7/patch_list.txt"}));
}

TEST_F(UpdatePassTest, AnInterruptedApplyResumesWithWhatIsLeft) {
  WriteGame(L"version_map.txt", MapText("3_2_7", {{"a.bin", "a"}, {"b.bin", "b"}}));
  MakeDirectoriesW(scratch.Child(L"update"));
  WriteApplyList(".\\update\\apply_list.txt", {"3_2_8", {"a.bin"}});
  DirectoryReply(GameReply());
  Serve("version_map.txt", MapText("3_2_8", {{"a.bin", "a 2"}, {"b.bin", "b 2"}}));
  const Stop stop = RunPass(UpdateMode::Game);
  EXPECT_EQ(stop.id, StateId::DownloadFiles);
  EXPECT_EQ(stop.update, (Names_{"b.bin"}));
  EXPECT_TRUE(test_support::FileExists(scratch.Child(L"update\\apply_list.txt")));
}

TEST_F(UpdatePassTest, NothingToDoMakesTheRemoteMapCurrent) {
  const std::string map = MapText("3_2_8", {{"a.bin", "a"}});
  WriteGame(L"version_map.txt", MapText("3_2_7", {{"a.bin", "a"}}));
  // The map comes inside the directory reply: no separate request for it.
  Json::Value reply;
  reply["DlcAddr"] = ContentUrl();
  reply["CDN"] = map;
  DirectoryReply(WriteJsonText(reply));
  const Stop stop = RunPass(UpdateMode::Game);
  EXPECT_EQ(stop.id, StateId::EnterGame);
  EXPECT_EQ(world.entered(),
            (std::vector<StateId>{StateId::Prepare, StateId::CheckVersion, StateId::EnterGame}));
  EXPECT_EQ(Requested(), (Names_{"/~gate/get/urls"}));
  EXPECT_TRUE(stop.update.empty());
  EXPECT_EQ(test_support::ReadFileBytes(scratch.Child(L"game\\version_map.txt")), map);
  EXPECT_FALSE(test_support::FileExists(scratch.Child(L"game\\tmp_version_map.txt")));
  RunOn(qbase::kMiscThreadId,
        [] { EXPECT_EQ(LauncherContext::GetInstance()->gameVersion, "3_2_8"); });
}

TEST_F(UpdatePassTest, TheLauncherPassUpdatesItsOwnFiles) {
  test_support::WriteFileBytes(scratch.Child(L"launcher.exe"), "old exe");
  test_support::WriteFileBytes(scratch.Child(L"resources.zip"), "zip");
  DirectoryReply(LauncherReply());
  Serve("launcher_version_map.txt",
        MapText("1.1.0", {{"launcher.exe", "new exe"}, {"resources.zip", "zip"}}));
  Json::Value patches;
  patches["launcher.exe"]["md5"] = std::string(32, 'f');
  patches["launcher.exe"]["size"] = 5;
  Serve("patchs/1_0_0/patch_list.txt", WriteJsonText(patches));
  RunOn(qbase::kMiscThreadId, [] { LauncherContext::GetInstance()->publicIp.clear(); });
  Json::Value ip_rule;
  ip_rule["path"] = "/~ip/";
  ip_rule["action"] = "status";
  ip_rule["status"] = 200;
  ip_rule["body"] = "198.51.100.23\n";
  download_test::SetFaultRule(ip_rule);

  const Stop stop = RunPass(UpdateMode::Launcher);
  EXPECT_EQ(stop.id, StateId::DownloadFiles);
  EXPECT_EQ(stop.mode, UpdateMode::Launcher);
  EXPECT_EQ(stop.update, (Names_{"launcher.exe"}));
  EXPECT_EQ(stop.patches, (Names_{"launcher.exe"}));
  // The address first, then the directory, the map and the launcher's patch folder.
  EXPECT_EQ(Requested(),
            (Names_{"/~ip/", "/~gate/get/urls", "/~cdn/" + cdn + "/launcher_version_map.txt",
                    "/~cdn/" + cdn + "/patchs/1_0_0/patch_list.txt"}));
  RunOn(qbase::kMiscThreadId,
        [] { EXPECT_EQ(LauncherContext::GetInstance()->publicIp, "198.51.100.23"); });
}

TEST_F(UpdatePassTest, TheLauncherPassWithoutPatchesOrWithNothingToDo) {
  test_support::WriteFileBytes(scratch.Child(L"launcher.exe"), "exe");
  test_support::WriteFileBytes(scratch.Child(L"launcher_version_map.txt"),
                               MapText("1.2.0", {{"launcher.exe", "exe"}, {"LomaN.ttf", "f"}}));
  DirectoryReply(LauncherReply());
  // No patch list in the launcher's patch folder: every file comes whole.
  Serve("launcher_version_map.txt",
        MapText("1.3.0", {{"launcher.exe", "exe 2"}, {"LomaN.ttf", "f"}}));
  Stop stop = RunPass(UpdateMode::Launcher);
  EXPECT_EQ(stop.id, StateId::DownloadFiles);
  EXPECT_EQ(stop.update, (Names_{"launcher.exe"}));
  EXPECT_TRUE(stop.patches.empty());
  // The missing list is asked three times, as every failed request is.
  const std::vector<std::string> requested = Requested();
  EXPECT_EQ(std::count(requested.begin(), requested.end(),
                       "/~cdn/" + cdn + "/patchs/1_2_0/patch_list.txt"),
            3);

  // The same map as installed: the remote map becomes the launcher's.
  world.Clear();
  RunOn(qbase::kMiscThreadId, [] { LauncherContext::GetInstance()->ChangeState(nullptr); });
  const std::string same = MapText("1.2.1", {{"launcher.exe", "exe"}, {"LomaN.ttf", "f"}});
  Serve("launcher_version_map.txt", same);
  stop = RunPass(UpdateMode::Launcher);
  EXPECT_EQ(stop.id, StateId::EnterGame);
  EXPECT_EQ(test_support::ReadFileBytes(scratch.Child(L"launcher_version_map.txt")), same);
  EXPECT_FALSE(test_support::FileExists(scratch.Child(L"tmp_launcher_version_map.txt")));
  RunOn(qbase::kMiscThreadId,
        [] { EXPECT_EQ(LauncherContext::GetInstance()->launcherVersion, "1.2.1"); });
}

TEST_F(UpdatePassTest, FailedGamePassesAskForTheErrorDialogAndLauncherPassesEndSilently) {
  struct Case {
    const char* what;
    UpdateMode mode;
    std::string reply;
    int status;
    int32_t code;
    std::string message;  // the start of it
    std::string detail;   // the start of it
    bool saved;
  };
  const std::string long_reply = std::string(129, '<');
  const Case cases[] = {
      {"directory down", UpdateMode::Game, "busy", 503, -2, "Request Failed:503",
       "get/urls?key=WIN10TW_&udid=", false},
      {"not JSON", UpdateMode::Game, "<html>", 200, 0, "Parse Failed:", "<html>", false},
      {"not JSON, 129 bytes", UpdateMode::Game, long_reply, 200, 0,
       "Parse Failed:", "The information has been saved to file:exception/response.txt", true},
      {"no DlcAddr", UpdateMode::Game, R"({"Others":"{}"})", 200, 0, "Invalid DlcAddr",
       R"({"Others":"{}"})", false},
      {"launcher, not JSON", UpdateMode::Launcher, "<html>", 200, 0, "", "", false},
      {"launcher, directory down", UpdateMode::Launcher, "busy", 503, 0, "", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    world.Clear();
    download_test::ResetFaultHost();
    DirectoryReply(c.reply, c.status);
    const Stop stop = RunPass(c.mode);
    const bool game = c.mode == UpdateMode::Game;
    EXPECT_EQ(stop.id, game ? StateId::Exception : StateId::EnterGame);
    EXPECT_EQ(stop.errorCode, c.code);
    EXPECT_EQ(stop.errorMessage.rfind(c.message, 0), 0u) << stop.errorMessage;
    EXPECT_EQ(stop.errorDetail.rfind(c.detail, 0), 0u) << stop.errorDetail;
    const std::wstring saved = scratch.Child(L"exception\\response.txt");
    EXPECT_EQ(test_support::FileExists(saved), c.saved);
    if (c.saved) {
      EXPECT_EQ(test_support::ReadFileBytes(saved), c.reply);
      DeleteFileW(saved.c_str());
    }
    const std::vector<std::wstring> dialogs = world.dialogs();
    ASSERT_EQ(dialogs.size(), game ? 1u : 0u);
    if (game) {
      EXPECT_NE(dialogs[0].find(download_test::Wide(c.message)), std::wstring::npos);
      // The dialog's failure report reaches the tracking host.
      const std::vector<std::string> track_path = {"/~track/track/json_track"};
      bool reported = false;
      for (int i = 0; i < 1200 && !reported; ++i) {
        for (const Json::Value& entry : download_test::FaultRequests(track_path[0])) {
          reported |= entry["body"].asString().find("exception") != std::string::npos;
        }
        if (!reported) Sleep(100);
      }
      EXPECT_TRUE(reported);
    }
    RunOn(qbase::kMiscThreadId, [] { LauncherContext::GetInstance()->ChangeState(nullptr); });
  }
}

}  // namespace
