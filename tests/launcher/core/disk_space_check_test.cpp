#include "launcher/core/disk_space_check.h"

#include <windows.h>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/file_path.h"
#include "base/folder_util.h"
#include "base/thread_registry.h"
#include "launcher/core/dialog_presenter.h"
#include "launcher/core/launcher_context.h"
#include "tests/launcher/core/thread_test_support.h"
#include "tests/support/embedded_skin.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/language_string_table.h"

namespace {

using test_support::RunOnThread;

constexpr uint64_t kPlenty = 100ULL << 30;

// Free space by drive letter; a drive not listed cannot be queried. Paths
// without a drive letter fail, as the system's query does.
std::map<std::wstring, uint64_t> g_free_space;
std::vector<std::wstring> g_queried_drives;

bool FakeDiskSpace(const std::wstring& path, uint64_t* total_bytes, uint64_t* free_bytes) {
  const std::wstring drive = GetDriveOfPath(path);
  if (drive.empty()) return false;
  g_queried_drives.push_back(drive);
  auto found = g_free_space.find(drive);
  if (found == g_free_space.end()) return false;
  *total_bytes = found->second + 1;
  *free_bytes = found->second;
  return true;
}

char g_main_window_token;
ui::Window* const kMainUiWindow = reinterpret_cast<ui::Window*>(&g_main_window_token);

class RecordingPresenter : public DialogPresenter {
 public:
  HWND window = nullptr;

  HWND GetWindowHandle(ui::Window* ui_window) override {
    return ui_window == kMainUiWindow ? window : nullptr;
  }
  void ShowMessageBox(ui::Window*, const MessageBoxContent& content) override {
    std::lock_guard<std::mutex> lock(mutex_);
    boxes_.push_back(content);
  }
  void ShowOptionsBox(ui::Window*, const OptionsBoxRequest&) override {}

  std::vector<MessageBoxContent> boxes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
  }

 private:
  std::mutex mutex_;
  std::vector<MessageBoxContent> boxes_;
};

// The shipped English texts, a UI thread with a main window, and a game
// folder on a drive other than the test program's.
class DiskSpaceCheckTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    test_support::ScopedEmbeddedSkin skin;
    ASSERT_TRUE(skin.IsOpen());
    const ui::ScopedGlobalMemory block = ui::GlobalManager::GetZipData(L"resources\\lang\\en.ini");
    ASSERT_NE(block, nullptr);
    ASSERT_TRUE(ui::LanguageStringTable::GetInstance()->LoadFromMemory(block.get()));
  }
  static void TearDownTestSuite() { ui::LanguageStringTable::GetInstance()->Clear(); }

  void SetUp() override {
    ASSERT_TRUE(ui_thread_.Start(qbase::MessageLoop::Type::kUI));
    ASSERT_TRUE(RunOnThread(qbase::kMainThreadId, [this] {
      main_window_ = std::make_unique<test_support::RecordingWindow>();
    }));
    presenter_.window = main_window_->handle();
    ui::GlobalManager::windowList = {kMainUiWindow};
    context_.mainWindow = main_window_->handle();
    context_.SetDialogPresenter(&presenter_);
    context_.SetDiskSpaceQuery(FakeDiskSpace);
    launcher_drive_ = GetDriveOfPath(qbase::GetModuleFilePath(nullptr));
    ASSERT_FALSE(launcher_drive_.empty());
    game_drive_ = launcher_drive_ == L"D" ? L"E" : L"D";
    context_.settings.gamePath = game_drive_ + L":\\Games\\Corvandel Game";
    g_free_space.clear();
    g_queried_drives.clear();
  }
  void TearDown() override {
    RunOnThread(qbase::kMainThreadId, [this] { main_window_.reset(); });
    ui_thread_.Stop();
    ui::GlobalManager::windowList.clear();
  }

  // The boxes posted so far, once the UI thread has shown them.
  std::vector<MessageBoxContent> Boxes() {
    EXPECT_TRUE(RunOnThread(qbase::kMainThreadId, nullptr));
    return presenter_.boxes();
  }

  test_support::RegisteredThread ui_thread_{"UiThread", qbase::kMainThreadId};
  std::unique_ptr<test_support::RecordingWindow> main_window_;
  RecordingPresenter presenter_;
  LauncherContext context_;
  std::wstring launcher_drive_;
  std::wstring game_drive_;
};

std::wstring UpdatePrompt(const std::wstring& drive) {
  return L"You do not have  4.00G of available space on disk(s) " + drive +
         L". Insufficient space may cause the game to not work properly. Continue downloading?";
}

TEST_F(DiskSpaceCheckTest, UpdateCheckTestsTheGameDriveThenTheLaunchersAndPromptsOnce) {
  struct Case {
    const char* name;
    std::optional<uint64_t> gameFree;      // empty: cannot be queried
    std::optional<uint64_t> launcherFree;  // empty: cannot be queried
    bool sameDrive;
    bool expectedResult;
    std::vector<bool>
        expectedBoxes;  // true: a low-space prompt for the tested drive, false: notice
    size_t expectedQueries;
  };
  const Case cases[] = {
      {"exactly 4 GiB passes", kRequiredDiskSpace, kRequiredDiskSpace, false, true, {}, 2},
      {"one byte less on the game drive", kRequiredDiskSpace - 1, kPlenty, false, false, {true}, 1},
      {"one byte less on the launcher drive",
       kPlenty,
       kRequiredDiskSpace - 1,
       false,
       false,
       {true},
       2},
      {"unknown game drive", std::nullopt, kPlenty, false, true, {false}, 2},
      {"unknown game drive, short launcher drive",
       std::nullopt,
       10,
       false,
       false,
       {false, true},
       2},
      {"same short drive is tested once", 10, 10, true, false, {true}, 1},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    RecordingPresenter presenter;
    presenter.window = main_window_->handle();
    context_.SetDialogPresenter(&presenter);
    g_free_space.clear();
    g_queried_drives.clear();
    const std::wstring game_drive = test.sameDrive ? launcher_drive_ : game_drive_;
    context_.settings.gamePath = game_drive + L":\\Games\\Corvandel Game";
    if (test.gameFree) g_free_space[game_drive] = *test.gameFree;
    if (test.launcherFree && !test.sameDrive) g_free_space[launcher_drive_] = *test.launcherFree;

    EXPECT_EQ(context_.CheckDiskSpaceForUpdate(nullptr), test.expectedResult);
    EXPECT_EQ(g_queried_drives.size(), test.expectedQueries);
    ASSERT_TRUE(RunOnThread(qbase::kMainThreadId, nullptr));
    const std::vector<MessageBoxContent> boxes = presenter.boxes();
    ASSERT_EQ(boxes.size(), test.expectedBoxes.size());
    for (size_t i = 0; i < boxes.size(); ++i) {
      EXPECT_EQ(boxes[i].title, (BoxText{L"STRING_ERROR_NOTICE", true}));
      EXPECT_TRUE(boxes[i].captionsAreKeys);
      if (test.expectedBoxes[i]) {
        // The prompt names the drive that was short.
        const bool game_short = test.gameFree && *test.gameFree < kRequiredDiskSpace;
        const std::wstring drive = game_short ? game_drive : launcher_drive_;
        EXPECT_EQ(boxes[i].content, (BoxText{UpdatePrompt(drive), false}));
        EXPECT_EQ(boxes[i].firstCaption, L"STRING_CANCEL");
        EXPECT_EQ(boxes[i].secondCaption, L"STRING_DOWNLOAD_CONTINUE");
      } else {
        EXPECT_EQ(boxes[i].content, (BoxText{L"STRING_ERROR_INVALID_DISKSPACE", true}));
        EXPECT_EQ(boxes[i].firstCaption, L"");
        EXPECT_EQ(boxes[i].secondCaption, L"STRING_CONFIRM");
        EXPECT_FALSE(boxes[i].callback);
      }
      EXPECT_FALSE(boxes[i].swapImages);
    }
  }
  context_.SetDialogPresenter(&presenter_);
}

TEST_F(DiskSpaceCheckTest, NetworkGameFolderIsNotedAndTheLauncherDriveStillTested) {
  context_.settings.gamePath = L"\\\\server\\share\\Corvandel Game";
  g_free_space[launcher_drive_] = kRequiredDiskSpace - 1;
  context_.messageBoxOpen = false;
  EXPECT_FALSE(context_.CheckDiskSpaceForUpdate(nullptr));
  EXPECT_EQ(g_queried_drives, (std::vector<std::wstring>{launcher_drive_}));
  const std::vector<MessageBoxContent> boxes = Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].content, (BoxText{L"STRING_ERROR_INVALID_DISKSPACE", true}));
  EXPECT_EQ(boxes[1].content, (BoxText{UpdatePrompt(launcher_drive_), false}));
  // Only the notice goes through ShowMessageBox.
  EXPECT_TRUE(context_.messageBoxOpen);
}

TEST_F(DiskSpaceCheckTest, InstallPromptUsesTheEnglishFormatAndAnswersTheCaller) {
  g_free_space[game_drive_] = 1;
  std::vector<std::pair<DialogResult, DWORD>> answers;
  EXPECT_FALSE(context_.CheckDiskSpaceForInstall([&answers](DialogResult result) {
    answers.push_back({result, GetCurrentThreadId()});
  }));
  const std::vector<MessageBoxContent> boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].content, (BoxText{L"Not enough disk space.  4.00G needed.", false}));
  EXPECT_EQ(boxes[0].firstCaption, L"");  // no cancelling button
  EXPECT_EQ(boxes[0].secondCaption, L"STRING_CONFIRM");
  EXPECT_FALSE(context_.messageBoxOpen);

  ASSERT_TRUE(RunOnThread(qbase::kMainThreadId, [&boxes] { boxes[0].callback(DialogResult::Ok); }));
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0].first, DialogResult::Ok);
  EXPECT_EQ(answers[0].second, ui_thread_.system_thread_id());

  // With room on both drives the caller goes on at once and nothing is shown.
  g_free_space[game_drive_] = kPlenty;
  g_free_space[launcher_drive_] = kPlenty;
  EXPECT_TRUE(context_.CheckDiskSpaceForInstall(nullptr));
  EXPECT_EQ(Boxes().size(), 1u);
}

TEST(DiskSpacePromptTest, InstallTextIsAFormatOnlyWithItsOneWideTextDirective) {
  const std::wstring long_text(300, L'x');
  struct Case {
    std::wstring text;
    std::wstring expected;
  };
  const Case cases[] = {
      {L"Not enough disk space. %ls needed.", L"Not enough disk space.  4.00G needed."},
      {L"%ls", L" 4.00G"},
      {L"100%% full, %ls needed", L"100% full,  4.00G needed"},
      {L"", L""},
      // Anything else is never a format: shown as it is, the size after it.
      {L"No room", L"No room 4.00G"},
      {L"Need %d", L"Need %d 4.00G"},
      {L"%s needed", L"%s needed 4.00G"},
      {L"%ls or %ls", L"%ls or %ls 4.00G"},
      {L"%5ls", L"%5ls 4.00G"},
      {L"%n%ls", L"%n%ls 4.00G"},
      {L"50%", L"50% 4.00G"},
      {long_text + L"%ls", long_text.substr(0, 259)},
  };
  for (const Case& test : cases) {
    EXPECT_EQ(BuildInstallDiskSpacePrompt(test.text), test.expected) << test.text;
  }
}

TEST(DiskSpacePromptTest, UpdateTextTakesTheSizeThenTheDrive) {
  EXPECT_EQ(RequiredDiskSpaceText(), L" 4.00G");
  EXPECT_EQ(BuildUpdateDiskSpacePrompt(L"{p1}:{p2}, {p1}", L"D"), L"D: 4.00G, D");
  EXPECT_EQ(BuildUpdateDiskSpacePrompt(L"No placeholder", L"D"), L"No placeholder");
  EXPECT_EQ(BuildUpdateDiskSpacePrompt(L"", L"D"), L"");
}

}  // namespace
