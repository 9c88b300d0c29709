#include "launcher/core/launcher_context.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <json/json.h>

#include "base/file_path.h"
#include "base/framework_thread.h"
#include "base/string_util.h"
#include "base/thread_registry.h"
#include "base/folder_util.h"
#include "launcher/core/launcher_folders.h"
#include "tests/support/main_window_thread.h"
#include "tests/support/scoped_current_folder.h"
#include "tests/support/scratch_dir.h"
#include "ui/resources/global_manager.h"

namespace {

using test_support::FileExists;
using test_support::ReadFileBytes;
using test_support::WriteFileBytes;

constexpr wchar_t kTestRunKey[] = L"SOFTWARE\\LauncherContextTestRun";

Json::Value ParseText(const std::string& text) {
  Json::Value root;
  Json::CharReaderBuilder builder;
  std::string error;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &root, &error)) << error;
  return root;
}

// Each test runs in a fresh launcher folder, as the launcher runs in its own.
class LauncherContextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    context_.SetUserLocaleSource([]() -> LCID { return 1033; });
    context_.SetAutostartRegistration(AutostartRegistration(kTestRunKey, L""));
  }
  void TearDown() override { RegDeleteKeyW(HKEY_LOCAL_MACHINE, kTestRunKey); }

  std::wstring SaveFile(const wchar_t* name) const { return dir_.Child(L"save\\") + name; }
  Json::Value SavedSettings() const {
    return ParseText(ReadFileBytes(SaveFile(L"EnvConfig.json")));
  }

  test_support::ScratchDir dir_;
  test_support::ScopedCurrentFolder folder_{dir_.path()};
  LauncherContext context_;
};

TEST_F(LauncherContextTest, FirstRunTakesTheLocaleButRunsTheEditionLanguage) {
  struct Case {
    LCID (*locale)();
    int saved;
  };
  const Case cases[] = {
      {[]() -> LCID { return 1028; }, 4},
      {[]() -> LCID { return 1049; }, 14},
      {[]() -> LCID { return 7169; }, 0},
  };
  for (const Case& test : cases) {
    DeleteFileW(SaveFile(L"EnvConfig.json").c_str());
    LauncherContext context;
    context.SetUserLocaleSource(test.locale);
    ui::GlobalManager::channel.clear();
    context.Init(L"");
    EXPECT_TRUE(context.firstRun);
    EXPECT_TRUE(context.askCloseChoice);
    EXPECT_EQ(SavedSettings()["languageType"].asInt(), test.saved);
    EXPECT_EQ(context.settings.languageType, kEditionLanguageType);
    EXPECT_EQ(context.settings.language, "zh_TW");
    EXPECT_EQ(context.settings.gamePath, GetDefaultGamePath());
    EXPECT_EQ(ui::GlobalManager::channel, L"TW");
  }
}

TEST_F(LauncherContextTest, FirstRunBesideTheGameUsesTheLauncherFolder) {
  WriteFileBytes(dir_.Child(L"TOVA.exe"), "MZ");
  context_.Init(L"");
  const std::wstring module_folder = NormalizeDirPathW(qbase::GetCurrentModuleDirectory(), false);
  EXPECT_EQ(context_.settings.gamePath, module_folder);
  std::wstring saved;
  qbase::MultiByteToWide(SavedSettings()["gamePath"].asString(), qbase::kCodePageUtf8, &saved);
  EXPECT_EQ(saved, module_folder);
}

TEST_F(LauncherContextTest, FirstRunWritesFreshFiles) {
  context_.Init(L"");
  const Json::Value settings = SavedSettings();
  EXPECT_EQ(settings.size(), 9u);
  EXPECT_TRUE(settings["autoUpdate"].asBool());
  EXPECT_EQ(settings["downloadSpeed"].asInt(), 4096);
  const Json::Value log = ParseText(ReadFileBytes(SaveFile(L"Log.json")));
  EXPECT_TRUE(log["firstInstall"].asBool());
  EXPECT_EQ(log["downloadSize"].asInt64(), 0);
  EXPECT_EQ(context_.gid, "");
  EXPECT_EQ(context_.installPackageType, "");
  EXPECT_EQ(context_.GetFileCopyPairs().at(L"TOVA_Data/Resources/unity_default_resources"),
            L"TOVA_Data/Resources/unity default resources");
  EXPECT_EQ(context_.GetFileCopyPairs().size(), 2u);
}

TEST_F(LauncherContextTest, MalformedFilesAreReplacedByDefaults) {
  WriteFileBytes(SaveFile(L"EnvConfig.json"), "{\"languageType\": ");
  WriteFileBytes(SaveFile(L"Log.json"), "[garbage");
  context_.Init(L"");
  EXPECT_TRUE(context_.firstRun);
  EXPECT_EQ(SavedSettings()["downloadSpeed"].asInt(), 4096);
  EXPECT_TRUE(ParseText(ReadFileBytes(SaveFile(L"Log.json")))["firstInstall"].asBool());
}

TEST_F(LauncherContextTest, SavedSettingsWithoutGamePathUseTheDefaultForThisRunOnly) {
  const std::string saved = "{\"languageType\": 2, \"gamePath\": \"\", \"closeToHide\": true}";
  WriteFileBytes(SaveFile(L"EnvConfig.json"), saved);
  WriteFileBytes(SaveFile(L"Log.json"), "{\"firstInstall\": false, \"downloadSize\": 6442450944}");
  context_.Init(L"ja");
  EXPECT_FALSE(context_.firstRun);
  EXPECT_FALSE(context_.askCloseChoice);
  EXPECT_TRUE(context_.settings.closeToHide);
  EXPECT_EQ(context_.settings.gamePath, GetDefaultGamePath());
  EXPECT_EQ(ReadFileBytes(SaveFile(L"EnvConfig.json")), saved);
  // "set_language" changes nothing visible: the edition values follow it.
  EXPECT_EQ(context_.settings.languageType, kEditionLanguageType);
  EXPECT_EQ(context_.settings.language, "zh_TW");
  EXPECT_FALSE(context_.downloadLog.firstInstall);
  EXPECT_EQ(context_.downloadLog.downloadSize, 6442450944LL);
}

TEST_F(LauncherContextTest, ServiceSettingsAndPackageTypeAreRead) {
  WriteFileBytes(SaveFile(L"setting.json"),
                 R"({"GateKey": "k", "GateURLs": ["https://a/"], "UpdateInterval": 3})");
  WriteFileBytes(SaveFile(L"extra_config.txt"), R"({"install_package_type": "store"})");
  context_.Init(L"");
  EXPECT_EQ(context_.serviceSettings.GateKey, "k");
  EXPECT_EQ(context_.serviceSettings.GateURLs, std::vector<std::string>{"https://a/"});
  EXPECT_EQ(context_.serviceSettings.UpdateInterval, 3);
  EXPECT_EQ(context_.installPackageType, "store");
}

TEST_F(LauncherContextTest, GidFromTheSaveFolderWinsOverTheGameFolder) {
  const std::wstring game = dir_.Child(L"\u904a\u6232");
  WriteFileBytes(game + L"\\save\\gid.txt", "from-game");
  context_.settings.gamePath = game;
  context_.LoadGid();
  EXPECT_EQ(context_.gid, "from-game");

  WriteFileBytes(SaveFile(L"gid.txt"), "from-launcher\r\n");
  context_.LoadGid();
  EXPECT_EQ(context_.gid, "from-launcher\r\n");

  context_.settings.gamePath = dir_.Child(L"elsewhere");
  DeleteFileW(SaveFile(L"gid.txt").c_str());
  context_.LoadGid();
  EXPECT_EQ(context_.gid, "");
}

TEST_F(LauncherContextTest, CjkGamePathSurvivesSaveAndLoad) {
  MakeDirectoriesW(L".\\save");
  context_.settings.gamePath = L"D:\\\u904a\u6232\\\u30b2\u30fc\u30e0 \U0001F3AE";
  context_.SaveEnvConfig();
  EXPECT_EQ(ReadFileBytes(SaveFile(L"EnvConfig.json")).find('\xE9'), std::string::npos);

  LauncherContext reloaded;
  ASSERT_TRUE(reloaded.LoadEnvConfig());
  EXPECT_EQ(reloaded.settings.gamePath, context_.settings.gamePath);
}

TEST_F(LauncherContextTest, VersionStateFollowsTheMapsAndIsErasedAtShutdown) {
  WriteFileBytes(dir_.Child(L"launcher_version_map.txt"), R"({"version": "1_0_5", "list": {}})");
  const std::wstring game = dir_.Child(L"game");
  WriteFileBytes(game + L"\\version_map.txt",
                 R"({"a": {"md5": "m", "size": 1}, "version": {"md5": "1040012_5_3"}})");
  WriteFileBytes(dir_.Child(L"update\\predownload\\10077_3_2\\x"), "");
  WriteFileBytes(dir_.Child(L"update\\predownload\\10077_5_2\\x"), "");
  context_.settings.gamePath = game;
  context_.skinReloadState = SkinReloadState::Removed;
  context_.restartPromptArmed = false;

  context_.InitVersionState();
  EXPECT_EQ(context_.launcherVersion, "1_0_5");
  EXPECT_EQ(context_.gameVersion, "1040012_5_3");
  EXPECT_EQ(context_.targetGameVersion, "1040012_5_3");
  EXPECT_EQ(context_.gameVersionDisplay, "1.4.0.12.3.5");
  EXPECT_EQ(context_.preDownloadFolders, (std::vector<std::string>{"10077_3_2", "10077_5_2"}));
  EXPECT_EQ(context_.versionMaps.size(), 12u);
  EXPECT_EQ(context_.versionMaps.count(VersionMapKey::kLocalGame), 1u);
  EXPECT_EQ(context_.skinReloadState, SkinReloadState::Nothing);
  EXPECT_TRUE(context_.restartPromptArmed);

  context_.versionMaps["_other_"] = VersionMap{{"x", {"m", 1}}};
  context_.Shutdown();
  EXPECT_EQ(context_.versionMaps.size(), 1u);
  EXPECT_EQ(context_.versionMaps.count("_other_"), 1u);
}

TEST_F(LauncherContextTest, VersionStateWithoutMaps) {
  context_.settings.gamePath = dir_.Child(L"no game");
  context_.InitVersionState();
  EXPECT_EQ(context_.launcherVersion, "1.0.0");
  EXPECT_EQ(context_.gameVersion, "");
  EXPECT_EQ(context_.gameVersionDisplay, "");
  EXPECT_TRUE(context_.preDownloadFolders.empty());
}

class ApplySettingsTest : public LauncherContextTest {
 protected:
  void SetUp() override {
    LauncherContextTest::SetUp();
    context_.Init(L"");
    DeleteFileW(SaveFile(L"EnvConfig.json").c_str());
  }
};

TEST_F(ApplySettingsTest, UnchangedCopyDoesNothing) {
  const SettingsChange change = context_.ApplySettings(context_.settings);
  EXPECT_FALSE(change.changed);
  EXPECT_FALSE(change.gameLimitChanged);
  EXPECT_FALSE(change.preDownloadLimitChanged);
  EXPECT_FALSE(FileExists(SaveFile(L"EnvConfig.json")));
}

TEST_F(ApplySettingsTest, EachChangeIsSavedAndDescribed) {
  struct Case {
    const char* name;
    void (*edit)(LauncherSettings*);
    const char* autostartText;
    const char* closeText;
    bool gameLimitChanged;
    bool preDownloadLimitChanged;
    bool languageChanged;
  };
  const Case cases[] = {
      {"auto update only", [](LauncherSettings* s) { s->autoUpdate = !s->autoUpdate; }, "", "",
       false, false, false},
      {"close to hide", [](LauncherSettings* s) { s->closeToHide = true; }, "", "1", false, false,
       false},
      {"game limit", [](LauncherSettings* s) { s->downloadLimit = true; }, "", "", true, false,
       false},
      {"pre-download speed", [](LauncherSettings* s) { s->predlcSpeed = 100; }, "", "", false, true,
       false},
      {"game folder", [](LauncherSettings* s) { s->gamePath += L"\u904a"; }, "", "", false, false,
       false},
      {"language", [](LauncherSettings* s) { s->languageType = 2; }, "", "", false, false, true},
  };
  for (const Case& test : cases) {
    LauncherContext context;
    context.settings.closeToHide = false;
    LauncherSettings edited = context.settings;
    test.edit(&edited);
    DeleteFileW(SaveFile(L"EnvConfig.json").c_str());
    const SettingsChange change = context.ApplySettings(edited);
    EXPECT_TRUE(change.changed) << test.name;
    EXPECT_EQ(change.autostartText, test.autostartText) << test.name;
    EXPECT_EQ(change.closeText, test.closeText) << test.name;
    EXPECT_EQ(change.gameLimitChanged, test.gameLimitChanged) << test.name;
    EXPECT_EQ(change.preDownloadLimitChanged, test.preDownloadLimitChanged) << test.name;
    EXPECT_EQ(context.languageChanged, test.languageChanged) << test.name;
    ASSERT_TRUE(FileExists(SaveFile(L"EnvConfig.json"))) << test.name;
    LauncherSettings saved;
    ASSERT_TRUE(ParseLauncherSettings(ReadFileBytes(SaveFile(L"EnvConfig.json")), &saved));
    EXPECT_EQ(saved.gamePath, edited.gamePath) << test.name;
    EXPECT_EQ(saved.autoUpdate, edited.autoUpdate) << test.name;
    EXPECT_EQ(saved.languageType, edited.languageType) << test.name;
  }
}

TEST_F(ApplySettingsTest, LanguageOutsideTheTableRunsEnglish) {
  LauncherSettings edited = context_.settings;
  edited.languageType = 18;
  context_.ApplySettings(edited);
  EXPECT_EQ(context_.settings.language, "en");
  edited.languageType = 14;
  context_.ApplySettings(edited);
  EXPECT_EQ(context_.settings.language, "ru");
}

TEST_F(ApplySettingsTest, LimitsReportedOnlyWhileSwitchedOn) {
  LauncherSettings edited = context_.settings;
  edited.downloadSpeed = 200;
  SettingsChange change = context_.ApplySettings(edited);
  EXPECT_EQ(change.gameLimit, 0);
  edited.downloadLimit = true;
  edited.predlcLimit = true;
  edited.predlcSpeed = 300;
  change = context_.ApplySettings(edited);
  EXPECT_EQ(change.gameLimit, 200);
  EXPECT_EQ(change.preDownloadLimit, 300);
}

TEST_F(ApplySettingsTest, StartWithWindowsRegistersTheQuotedExecutable) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTestRunKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  LauncherSettings edited = context_.settings;
  edited.automaticStart = true;
  SettingsChange change = context_.ApplySettings(edited);
  EXPECT_TRUE(context_.settings.automaticStart);
  EXPECT_EQ(change.autostartText, "1");
  wchar_t value[1024] = {};
  DWORD size = sizeof(value);
  ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, kTestRunKey, L"QELLauncher", RRF_RT_REG_SZ, nullptr,
                         value, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(value, L"\"" + qbase::GetModuleFilePath(nullptr) + L"\"");
  EXPECT_TRUE(SavedSettings()["automaticStart"].asBool());

  edited.automaticStart = false;
  change = context_.ApplySettings(edited);
  EXPECT_EQ(change.autostartText, "0");
  EXPECT_NE(RegGetValueW(HKEY_LOCAL_MACHINE, kTestRunKey, L"QELLauncher", RRF_RT_REG_SZ, nullptr,
                         nullptr, nullptr),
            ERROR_SUCCESS);
}

TEST_F(ApplySettingsTest, StartWithWindowsThatCannotBeRegisteredStaysOff) {
  // kTestRunKey does not exist here, and there is no alternate key.
  LauncherSettings edited = context_.settings;
  edited.automaticStart = true;
  const SettingsChange change = context_.ApplySettings(edited);
  EXPECT_FALSE(context_.settings.automaticStart);
  EXPECT_EQ(change.autostartText, "0");
  EXPECT_TRUE(change.changed);
  EXPECT_FALSE(SavedSettings()["automaticStart"].asBool());
}

}  // namespace

namespace {

struct Received {
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
  DWORD thread;
};

std::vector<Received>* g_received = nullptr;

LRESULT CALLBACK RecordingWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message >= WM_APP && g_received != nullptr) {
    g_received->push_back({message, wparam, lparam, GetCurrentThreadId()});
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// Waits until every task posted to thread 0 before this call has run.
void DrainMainThread() {
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(qbase::ThreadRegistry::PostTask(qbase::kMainThreadId, [done] { SetEvent(done); }));
  EXPECT_EQ(WaitForSingleObject(done, 60000), WAIT_OBJECT_0);
  CloseHandle(done);
}

TEST(LauncherContextPostingTest, SendToMainWindowRunsOnTheUiThread) {
  std::vector<Received> received;
  g_received = &received;
  LauncherContext context;
  context.SendToMainWindow(WM_APP + 1, 1, 1);  // no thread 0 yet: dropped

  test_support::MainWindowThread ui_thread(L"LauncherContextTestWindow", RecordingWindowProc);
  ASSERT_TRUE(ui_thread.Start(qbase::MessageLoop::Type::kUI));
  ASSERT_NE(ui_thread.window, nullptr);
  context.SendToMainWindow(WM_APP + 2, 2, 2);  // no main window yet: dropped
  DrainMainThread();
  EXPECT_TRUE(received.empty());

  context.mainWindow = ui_thread.window;
  context.SendToMainWindow(WM_APP + 3, 7, static_cast<LPARAM>(-5000000000LL));
  context.SendToMainWindow(WM_APP + 4, 8, 9);
  DrainMainThread();
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0].message, WM_APP + 3);
  EXPECT_EQ(received[0].wparam, 7u);
  EXPECT_EQ(received[0].lparam, static_cast<LPARAM>(-5000000000LL));
  EXPECT_EQ(received[0].thread, ui_thread.threadId);
  EXPECT_EQ(received[1].message, WM_APP + 4);

  ui_thread.Stop();
  g_received = nullptr;
}

}  // namespace
