#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "launcher/core/autostart_registration.h"
#include "launcher/core/channel_config.h"
#include "launcher/core/download_log.h"
#include "launcher/core/state.h"
#include "launcher/core/launcher_settings.h"
#include "launcher/core/service_settings.h"
#include "launcher/core/version_map.h"

// The texts under which the context keeps its version maps.
namespace VersionMapKey {
constexpr char kLauncherPatch[] = "_launcher_patch_version_";
constexpr char kLocalLauncher[] = "_local_launcher_version_";
constexpr char kRemoteLauncher[] = "_remote_launcher_version_";
constexpr char kUpdateLauncher[] = "_update_launcher_version_";
constexpr char kGamePatch[] = "_game_patch_version_";
constexpr char kLocalGame[] = "_local_game_version_";
constexpr char kRemoteGame[] = "_remote_game_version_";
constexpr char kUpdateGame[] = "_update_game_version_";
constexpr char kPreDownloadPatch[] = "_predownload_patch_version_";
constexpr char kLocalPreDownload[] = "_local_predownload_version_";
constexpr char kRemotePreDownload[] = "_remote_predownload_version_";
constexpr char kUpdatePreDownload[] = "_update_predownload_version_";
}  // namespace VersionMapKey

// This edition's UI channel and language, forced after the saved settings, the
// system locale and the command line have been read.
constexpr wchar_t kEditionChannel[] = L"TW";
constexpr int kEditionLanguageType = 4;
constexpr char kEditionLanguage[] = "zh_TW";

// What LauncherContext::ApplySettings changed, for the download manager's speed
// limits and the settings report.
struct SettingsChange {
  bool changed = false;
  bool languageChanged = false;
  bool gameLimitChanged = false;
  bool preDownloadLimitChanged = false;
  std::string autostartText;  // "1" on, "0" off, "" unchanged
  std::string closeText;      // "1" hide, "2" exit, "" unchanged
  int gameLimit = 0;          // the speed when its limit is on, else 0
  int preDownloadLimit = 0;
};

// The skin package during a launcher update.
enum class SkinReloadState : int32_t {
  Removed = -1,  // taken away before the update
  Nothing = 0,   // nothing pending, or reloaded
  Replaced = 1,  // replaced by the apply step
};

// The process-wide record of the launcher's state. It has no lock: members are
// owned by convention (state machine members on the worker thread, window
// members on the UI thread; the settings are written on the UI thread only).
class LauncherContext {
 public:
  // The process's context, created on first use.
  static LauncherContext* GetInstance();

  LauncherContext();
  ~LauncherContext();
  LauncherContext(const LauncherContext&) = delete;
  LauncherContext& operator=(const LauncherContext&) = delete;

  // Where a first run's locale comes from and where start with Windows is
  // registered; the defaults ask the system. Set before Init.
  void SetUserLocaleSource(LCID (*user_locale)()) { user_locale_ = user_locale; }
  void SetAutostartRegistration(const AutostartRegistration& registration) {
    autostart_ = registration;
  }

  // On the UI thread at start: state files, first-run defaults, edition values.
  // `command_line_language` is the "set_language" code ("" when not given).
  void Init(const std::wstring& command_line_language);
  // Titles, links and language overrides of this edition's channel, from the
  // skin package; a failed load keeps what the context held. UI thread.
  bool LoadChannelConfig();
  // On the worker thread at its start: update flags, version maps, versions.
  void InitVersionState();
  // On the worker thread at its end: the current state is left and destroyed.
  void Shutdown();

  // The one switch of the update engine, on the worker thread. A state with
  // the current one's identifier and a mode of the same kind is dropped
  // unentered; otherwise the current state is left, the new one stored and
  // entered (the old one still exists then), and the old one destroyed.
  void ChangeState(std::unique_ptr<State> next);

  std::map<std::wstring, std::wstring> GetFileCopyPairs() const { return fileCopyPairs; }

  // ".\save\EnvConfig.json"; false (nothing changed) when missing or not JSON.
  bool LoadEnvConfig();
  // False when the file could not be written; the old one then stays whole.
  bool SaveEnvConfig();
  // ".\save\Log.json"; false (nothing changed) when missing or not JSON.
  bool LoadDownloadLog();
  // False when the file could not be written; the old one then stays whole.
  bool SaveDownloadLog();
  // ".\save\gid.txt", else "save\gid.txt" in the game folder, else "".
  void LoadGid();
  // Takes the edited settings, saves and registers what changed.
  SettingsChange ApplySettings(const LauncherSettings& edited);

  // ".\save\setting.json"; a missing or unusable file keeps the built-in values.
  void LoadServiceSettings();
  // ".\save\extra_config.txt"; true when the file was read and parsed.
  bool LoadExtraConfig();

  // From either thread: the UI thread sends the message to the main window,
  // when one exists by then; otherwise the message is dropped.
  void SendToMainWindow(UINT message, WPARAM wparam, LPARAM lparam);

  // Stores an empty map under the key and returns it.
  VersionMap& ResetVersionMap(const std::string& key);
  void LoadLauncherVersion();
  void LoadGameVersion();

  ServiceSettings serviceSettings;
  LauncherSettings settings;
  DownloadLog downloadLog;
  std::string gid;
  std::string installPackageType;
  HWND mainWindow = nullptr;
  std::vector<HWND> gameWindows;
  std::map<std::string, VersionMap> versionMaps;
  std::map<std::wstring, std::wstring> fileCopyPairs;  // server name -> local name
  bool stateMachineStarted = false;
  bool firstRun = false;
  bool askCloseChoice = false;
  bool launcherExeUpdated = false;
  bool restartPromptArmed = true;
  bool cefFilesUpdated = false;
  bool fontsUpdated = false;
  bool forceUpdateLauncher = false;
  SkinReloadState skinReloadState = SkinReloadState::Nothing;
  bool languageChanged = false;
  bool startGameAfterPass = false;
  std::string launcherVersion = "1.0.0";
  std::string gameVersion;
  std::string downloadGameVersion;
  std::string gameVersionDisplay;
  std::string targetGameVersion;
  std::vector<std::string> preDownloadFolders;
  std::string preDownloadVersion;
  int64_t preDownloadSize = 0;
  bool preDownloadAutoStart = false;
  bool preDownloadPaused = false;
  bool preDlcCheck = false;
  std::map<std::string, std::wstring> titles;
  std::map<std::string, std::string> links;
  std::vector<JumpLink> jumpLinks;
  std::string activityAddr;
  int patchOption = 2;
  bool useWebExtraParam = false;
  std::string publicIp;
  bool errorShown = false;
  // The update engine's current state, and the pre-download state beside it;
  // read by the windows, changed on the worker thread.
  std::unique_ptr<State> currentState;
  std::unique_ptr<State> preDownloadState;
  bool messageBoxOpen = false;
  bool messageBoxShownOnce = false;
  bool deleteLogTxt = false;

 private:
  LCID (*user_locale_)() = GetUserDefaultLCID;
  AutostartRegistration autostart_;
};
