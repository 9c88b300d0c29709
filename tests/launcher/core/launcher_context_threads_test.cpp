#include "launcher/core/launcher_context.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/thread_registry.h"
#include "launcher/core/context_download_delegate.h"
#include "launcher/core/resource_fonts.h"
#include "launcher/core/skin_package.h"
#include "launcher/core/state_factory.h"
#include "launcher/core/window_messages.h"
#include "launcher/download/download_manager.h"
#include "tests/launcher/core/thread_test_support.h"
#include "tests/support/scoped_current_folder.h"
#include "tests/support/scratch_dir.h"
#include "tests/ui/resources/zip_fixture.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/language_string_table.h"

namespace {

using test_support::ReceivedMessage;
using test_support::RecordingWindow;
using test_support::RunOnThread;

// What happened to the states, in order, with the thread it happened on.
class StateLog {
 public:
  void Add(const std::string& event) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(event);
    threads_.push_back(GetCurrentThreadId());
  }
  std::vector<std::string> events() {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }
  std::vector<DWORD> threads() {
    std::lock_guard<std::mutex> lock(mutex_);
    return threads_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> events_;
  std::vector<DWORD> threads_;
};

class RecordingState : public State {
 public:
  RecordingState(StateId id, UpdateMode mode, std::string name, StateLog* log)
      : State(mode), id_(id), name_(std::move(name)), log_(log) {}
  ~RecordingState() override { log_->Add("destroyed " + name_); }

  StateId GetId() const override { return id_; }
  void Enter(State* previous) override {
    log_->Add("enter " + name_ + " after " +
              (previous ? static_cast<RecordingState*>(previous)->name_ : "none"));
  }
  void Update() override {}
  void Exit(State* next) override {
    log_->Add("exit " + name_ + " for " +
              (next ? static_cast<RecordingState*>(next)->name_ : "none"));
  }

 private:
  const StateId id_;
  const std::string name_;
  StateLog* log_;
};

class RecordingFactory : public StateFactory {
 public:
  explicit RecordingFactory(StateLog* log) : log_(log) {}

  std::unique_ptr<State> CreatePrepareState(UpdateMode mode) override {
    const std::string name =
        std::string(mode == UpdateMode::Launcher ? "launcher" : "game") + std::to_string(++made_);
    return std::make_unique<RecordingState>(StateId::Prepare, mode, name, log_);
  }
  std::unique_ptr<State> CreatePreDownloadState() override {
    return std::make_unique<RecordingState>(StateId::PreDownload, UpdateMode::Game,
                                            "predownload" + std::to_string(++made_), log_);
  }

 private:
  StateLog* log_;
  int made_ = 0;
};

// The launcher's two threads, a hidden main window on the UI thread, and a
// launcher folder of its own.
class ContextThreadsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ui_thread_.Start(qbase::MessageLoop::Type::kUI));
    ASSERT_TRUE(worker_.Start());
    ASSERT_TRUE(RunOnThread(qbase::kMainThreadId,
                            [this] { main_window_ = std::make_unique<RecordingWindow>(); }));
    context_.mainWindow = main_window_->handle();
  }
  void TearDown() override {
    // Leaves the states on the worker, where they live.
    RunOnThread(qbase::kMiscThreadId, [this] { context_.Shutdown(); });
    RunOnThread(qbase::kMainThreadId, [this] { main_window_.reset(); });
    worker_.Stop();
    ui_thread_.Stop();
  }

  void DrainWorker() { ASSERT_TRUE(RunOnThread(qbase::kMiscThreadId, nullptr)); }
  void DrainUi() { ASSERT_TRUE(RunOnThread(qbase::kMainThreadId, nullptr)); }

  // The messages the main window received, as (message, wParam, lParam).
  std::vector<std::vector<int64_t>> MainWindowMessages() {
    std::vector<std::vector<int64_t>> messages;
    for (const ReceivedMessage& received : main_window_->received()) {
      EXPECT_EQ(received.thread, ui_thread_.system_thread_id());
      messages.push_back({received.message, static_cast<int64_t>(received.wparam),
                          static_cast<int64_t>(received.lparam)});
    }
    return messages;
  }

  test_support::ScratchDir dir_;
  test_support::ScopedCurrentFolder folder_{dir_.path()};
  test_support::RegisteredThread ui_thread_{"UiThread", qbase::kMainThreadId};
  test_support::RegisteredThread worker_{"Worker", qbase::kMiscThreadId};
  std::unique_ptr<RecordingWindow> main_window_;
  StateLog log_;
  RecordingFactory factory_{&log_};
  LauncherContext context_;
};

TEST_F(ContextThreadsTest, PassesStartOnTheWorkerInPostingOrder) {
  context_.SetStateFactory(&factory_);
  context_.StartLauncherPass();
  context_.StartGamePass(false, false);
  context_.StartGamePass(false, false);  // the same pass is running: absorbed
  DrainWorker();
  EXPECT_EQ(log_.events(), (std::vector<std::string>{
                               "enter launcher1 after none",
                               "exit launcher1 for game2",
                               "enter game2 after launcher1",
                               "destroyed launcher1",
                               "destroyed game3",
                           }));
  for (DWORD thread : log_.threads()) EXPECT_EQ(thread, worker_.system_thread_id());
  ASSERT_TRUE(context_.currentState);
  EXPECT_EQ(context_.currentState->mode(), UpdateMode::Game);
}

TEST_F(ContextThreadsTest, GamePassStartsTheGameUnlessAutoEnterIsDisabledAndHonoured) {
  context_.SetStateFactory(&factory_);
  struct Case {
    bool startGame;
    bool honour;
    bool disabled;
    bool expected;
  };
  const Case cases[] = {
      {true, false, false, true}, {true, true, false, true},    {true, true, true, false},
      {true, false, true, true},  {false, false, false, false}, {false, true, true, false},
  };
  for (const Case& test : cases) {
    context_.serviceSettings.DisableAutoEnterGame = test.disabled;
    context_.StartGamePass(test.startGame, test.honour);
    // In place before the pass runs.
    EXPECT_EQ(context_.startGameAfterPass, test.expected)
        << test.startGame << test.honour << test.disabled;
  }
  context_.StartLauncherPass();
  EXPECT_FALSE(context_.startGameAfterPass);
  DrainWorker();
}

TEST_F(ContextThreadsTest, PreDownloadRunsBesideTheCurrentStateOnce) {
  context_.SetStateFactory(&factory_);
  context_.StartLauncherPass();
  context_.StartPreDownload();
  context_.StartPreDownload();
  DrainWorker();
  EXPECT_EQ(log_.events(), (std::vector<std::string>{
                               "enter launcher1 after none",
                               "enter predownload2 after none",
                           }));
  context_.StopPreDownload();
  context_.StopPreDownload();
  DrainWorker();
  EXPECT_EQ(log_.events(), (std::vector<std::string>{
                               "enter launcher1 after none",
                               "enter predownload2 after none",
                               "exit predownload2 for none",
                               "destroyed predownload2",
                           }));
  for (DWORD thread : log_.threads()) EXPECT_EQ(thread, worker_.system_thread_id());
  EXPECT_FALSE(context_.preDownloadState);
  EXPECT_TRUE(context_.currentState);  // untouched
}

TEST_F(ContextThreadsTest, WithoutAStateFactoryNothingStarts) {
  context_.StartLauncherPass();
  context_.StartGamePass(true, false);
  context_.StartPreDownload();
  context_.StopPreDownload();
  DrainWorker();
  EXPECT_FALSE(context_.currentState);
  EXPECT_FALSE(context_.preDownloadState);
  EXPECT_TRUE(context_.startGameAfterPass);
}

// The download manager tells the launcher's own context, which the product
// wires as its delegate.
TEST_F(ContextThreadsTest, PauseDownloadsPausesThenContinuesAndTellsTheMainWindow) {
  LauncherContext* launcher = LauncherContext::GetInstance();
  ContextDownloadDelegate delegate;
  DownloadManager& downloads = DownloadManager::GetInstance();
  downloads.SetDelegate(&delegate);
  launcher->mainWindow = main_window_->handle();
  ASSERT_FALSE(downloads.paused());

  launcher->PauseDownloads();
  DrainWorker();
  EXPECT_TRUE(downloads.paused());
  launcher->PauseDownloads();
  DrainWorker();
  EXPECT_FALSE(downloads.paused());
  DrainUi();
  EXPECT_EQ(MainWindowMessages(), (std::vector<std::vector<int64_t>>{{WM_DOWNLOAD_PAUSED, 0, 1},
                                                                     {WM_DOWNLOAD_PAUSED, 0, 0}}));
  launcher->mainWindow = nullptr;
  downloads.SetDelegate(nullptr);
}

// The skin package, its language file and its channel configuration, as a
// launcher update leaves them.
class SkinReloadTest : public ContextThreadsTest {
 protected:
  void SetUp() override {
    ContextThreadsTest::SetUp();
    ui::GlobalManager::SetResourcePath(L"resources\\themes\\default");
    ui::GlobalManager::language = L"en";
    context_.settings.language = "en";
    ui::LanguageStringTable::GetInstance()->Clear();
  }
  void TearDown() override {
    ContextThreadsTest::TearDown();
    ui::GlobalManager::CloseResourceZip();
    ui::LanguageStringTable::GetInstance()->Clear();
  }

  // Reloads from the worker, as the update engine does, and waits for the
  // continuation; the thread it ran on.
  DWORD ReloadAndContinue() {
    std::atomic<DWORD> continued_on{0};
    context_.skinReloadState = SkinReloadState::Replaced;
    EXPECT_TRUE(RunOnThread(qbase::kMiscThreadId, [&] {
      context_.ReloadSkin([&continued_on] { continued_on = GetCurrentThreadId(); });
    }));
    DrainUi();      // the reload
    DrainWorker();  // the continuation
    DrainUi();      // the message
    return continued_on;
  }

  std::wstring Text(const wchar_t* key) {
    return ui::LanguageStringTable::GetInstance()->GetStringById(key);
  }
};

TEST_F(SkinReloadTest, ReloadReadsThePackageAgainAndContinuesTheWorker) {
  // No "resources.zip" beside the launcher: the embedded package.
  EXPECT_EQ(ReloadAndContinue(), worker_.system_thread_id());
  EXPECT_EQ(context_.skinReloadState, SkinReloadState::Nothing);
  EXPECT_EQ(Text(L"STRING_ERROR_NEED_DISKSPACE"), L"Not enough disk space. %ls needed.");
  EXPECT_FALSE(context_.links.empty());
  EXPECT_EQ(MainWindowMessages(),
            (std::vector<std::vector<int64_t>>{{WM_LANGUAGE_RELOADED, 0, 0}}));
}

TEST_F(SkinReloadTest, ReplacedPackageWithoutChannelFileStillContinuesTheWorker) {
  test_support::ZipFixtureEntry language;
  language.name = "resources/lang/en.ini";
  language.data = "STRING_CONFIRM = From the new package\n";
  test_support::WriteFileBytes(dir_.Child(L"resources.zip"), test_support::BuildZip({language}));

  EXPECT_EQ(ReloadAndContinue(), worker_.system_thread_id());
  EXPECT_EQ(context_.skinReloadState, SkinReloadState::Nothing);
  EXPECT_EQ(Text(L"STRING_CONFIRM"), L"From the new package");
  EXPECT_TRUE(MainWindowMessages().empty());
}

TEST_F(SkinReloadTest, SwitchingToAnotherLanguageReloadsItsTextsAndFaces) {
  const auto entry = [](const char* name, const char* data) {
    test_support::ZipFixtureEntry made;
    made.name = name;
    made.data = data;
    return made;
  };
  const test_support::ZipFixtureEntry english =
      entry("resources/lang/en.ini", "STRING_CONFIRM = OK\n");
  const test_support::ZipFixtureEntry chinese =
      entry("resources/lang/zh_TW.ini", "STRING_CONFIRM = \xE7\xA2\xBA\xE5\xAE\x9A\n");
  const test_support::ZipFixtureEntry channel =
      entry("resources/themes/default/common_config.json", "{}");
  test_support::WriteFileBytes(dir_.Child(L"resources.zip"),
                               test_support::BuildZip({english, chinese, channel}));
  ASSERT_TRUE(RunOnThread(qbase::kMainThreadId, [] { OpenSkinPackage(); }));
  ui::GlobalManager::systemFontFace = L"";

  // The language in force: nothing at all happens.
  ASSERT_TRUE(RunOnThread(qbase::kMainThreadId, [this] { context_.SwitchLanguage(L"en"); }));
  EXPECT_EQ(Text(L"STRING_CONFIRM"), L"");
  EXPECT_EQ(ui::GlobalManager::systemFontFace, L"");

  ASSERT_TRUE(RunOnThread(qbase::kMainThreadId, [this] { context_.SwitchLanguage(L"zh_TW"); }));
  DrainUi();
  EXPECT_EQ(ui::GlobalManager::language, L"zh_TW");
  EXPECT_EQ(Text(L"STRING_CONFIRM"), L"\u78BA\u5B9A");
  EXPECT_EQ(ui::GlobalManager::systemFontFace, kResourceFonts[2].faceName);
  EXPECT_EQ(ui::GlobalManager::buttonBoldFontFace, kResourceFonts[3].faceName);
  EXPECT_EQ(MainWindowMessages(),
            (std::vector<std::vector<int64_t>>{{WM_LANGUAGE_RELOADED, 0, 0}}));
}

// The worker takes whole copies of the settings while the UI thread replaces
// them: never a mix of two records.
TEST_F(ContextThreadsTest, WorkerReadsWholeSettingsWhileTheUiThreadWritesThem) {
  LauncherSettings first;
  first.gamePath = std::wstring(200, L'a');
  first.downloadSpeed = 100;
  LauncherSettings second;
  second.gamePath = std::wstring(3000, L'b');
  second.downloadSpeed = 200;
  context_.SetSettings(first);

  // Both run until the worker has read many copies, overlapping the writes.
  constexpr int kReads = 100000;
  std::atomic<bool> writing{false};
  std::atomic<bool> reading{true};
  std::atomic<int> torn{0};
  ASSERT_TRUE(qbase::ThreadRegistry::PostTask(qbase::kMiscThreadId, [&] {
    while (!writing) Sleep(0);
    for (int i = 0; i < kReads; ++i) {
      const LauncherSettings copy = context_.GetSettings();
      const bool whole = (copy.gamePath == first.gamePath && copy.downloadSpeed == 100) ||
                         (copy.gamePath == second.gamePath && copy.downloadSpeed == 200);
      if (!whole) ++torn;
    }
    reading = false;
  }));
  ASSERT_TRUE(RunOnThread(qbase::kMainThreadId, [&] {
    writing = true;
    for (int i = 0; reading; ++i) context_.SetSettings(i % 2 ? first : second);
  }));
  DrainWorker();
  EXPECT_EQ(torn, 0);
}

}  // namespace
