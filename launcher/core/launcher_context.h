#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/closure.h"
#include "base/lock.h"
#include "launcher/core/autostart_registration.h"
#include "launcher/core/channel_config.h"
#include "launcher/core/dialog_requests.h"
#include "launcher/core/disk_space_check.h"
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

// A page of the main window's poster carousel: its image (a skin image
// descriptor) and the key of its address in LauncherContext::links.
struct Poster {
  std::string image;
  std::string link;
};

// A line of the main window's news list; `link` is a key of
// LauncherContext::links.
struct NewsRecord {
  std::string title;
  std::string date;
  std::string tooltip;
  std::string link;
};

// A category tab of the news list and its lines, oldest first.
struct NewsTab {
  std::string name;
  std::vector<NewsRecord> news;
};

class DialogPresenter;
class StateFactory;

// The process-wide record of the launcher's state. Members are owned by
// convention (state machine members on the worker thread, window members on
// the UI thread). The two that both threads use have locks: the settings
// (written on the UI thread, copied whole by the worker) and the game's
// window list.
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
  // The first states of a pass and the pre-download come from the update
  // engine above the core; while none is set, starting them does nothing.
  // Not owned; set before the framework threads start.
  void SetStateFactory(StateFactory* factory) { state_factory_ = factory; }
  // Shows the boxes; while none is set, every box request is dropped. Not
  // owned; set before the framework threads start.
  void SetDialogPresenter(DialogPresenter* presenter) { dialog_presenter_ = presenter; }
  DialogPresenter* dialog_presenter() const { return dialog_presenter_; }
  // How the disk-space checks ask for free space; the default asks the system.
  void SetDiskSpaceQuery(DiskSpaceQuery query) { disk_space_query_ = query; }
  DiskSpaceQuery disk_space_query() const { return disk_space_query_; }

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
  // The UI thread replaces the settings whole through SetSettings (or
  // ApplySettings); other threads read them through GetSettings, a copy that
  // is never half written.
  void SetSettings(const LauncherSettings& updated);
  LauncherSettings GetSettings() const;

  // ".\save\setting.json"; a missing or unusable file keeps the built-in values.
  void LoadServiceSettings();
  // ".\save\extra_config.txt"; true when the file was read and parsed.
  bool LoadExtraConfig();

  // From either thread: the UI thread sends the message to the main window,
  // when one exists by then; otherwise the message is dropped.
  void SendToMainWindow(UINT message, WPARAM wparam, LPARAM lparam);
  // From either thread: the worker sends the message to the game's windows
  // (the registered ones, else those carrying the game property, else the one
  // "UnityWndClass" window). A window that does not answer in time is passed
  // over, so a hung game never stalls the worker.
  void SendToGameWindows(UINT message, WPARAM wparam, LPARAM lparam);
  // From either thread: the worker starts a new pass, unless the same pass
  // already runs. A launcher pass never starts the game after it; a game pass
  // does when `start_game` says so, unless `honour_disable_auto_enter` and
  // the service setting "DisableAutoEnterGame" are both set.
  void StartLauncherPass();
  void StartGamePass(bool start_game, bool honour_disable_auto_enter);
  // From either thread: the worker creates and enters a pre-download beside
  // the current state unless one exists, or leaves and deletes it.
  void StartPreDownload();
  void StopPreDownload();
  // From either thread: the worker pauses the transfers, or continues them
  // when they are paused.
  void PauseDownloads();
  // From the worker after a launcher update: the UI thread reopens the skin
  // package, reloads skin, language and channel configuration, then posts
  // `continuation` back to the worker whatever came of it.
  void ReloadSkin(qbase::Closure continuation);
  // On the UI thread: a language code other than the UI's reloads the skin
  // and the channel configuration for it.
  void SwitchLanguage(const std::wstring& code);

  // The main window's WM_GAME_REGISTER: drops handles that are no longer
  // windows and appends the window unless it was listed. Either thread.
  void RegisterGameWindow(HWND window);
  // Rebuilds the list from the top-level windows whose game property holds
  // their own handle, in z-order. Either thread.
  void CollectGameWindows();
  std::vector<HWND> GetGameWindows() const;

  // Dialogs never block their caller: each request is copied and posted to
  // the UI thread, where the presenter shows it owned by `parent`, or by the
  // main window when `parent` is null; without either the request is dropped
  // and its callback never runs. Any thread.
  // Marks a box open before posting a box of language keys.
  void ShowMessageBox(ui::Window* parent, const std::wstring& title_key,
                      const std::wstring& content_key, const std::wstring& first_caption_key,
                      const std::wstring& second_caption_key, DialogCallback callback,
                      bool swap_images);
  void PostMessageBoxRequest(ui::Window* parent, const std::wstring& title_key,
                             const std::wstring& title_text, const std::wstring& content_key,
                             const std::wstring& content_text,
                             const std::wstring& first_caption_key,
                             const std::wstring& second_caption_key,
                             const std::wstring& first_caption_text,
                             const std::wstring& second_caption_text, DialogCallback callback,
                             bool swap_images);
  void PostDetailedMessageBoxRequest(
      ui::Window* parent, const std::wstring& title_key, const std::wstring& title_text,
      const std::wstring& content_key, const std::wstring& content_text,
      const std::wstring& detail_key, const std::wstring& detail_text,
      const std::wstring& first_caption_key, const std::wstring& second_caption_key,
      const std::wstring& first_caption_text, const std::wstring& second_caption_text,
      DialogCallback callback, bool swap_images);
  // A choice owned by the main window, its first option selected.
  void ShowOptionsBox(const std::wstring& title_key, const std::wstring& group_name,
                      const std::vector<std::wstring>& option_keys, const std::wstring& button_key,
                      OptionChoiceCallback callback);

  // Before a game update (worker) and before an install or a start (UI
  // thread): true when the game folder's drive and then the launcher's each
  // have 4 GiB free or cannot be queried. Otherwise the first drive short of
  // space gets a prompt whose answer goes to `callback`, and the result is
  // false: the caller waits for the answer.
  bool CheckDiskSpaceForUpdate(DialogCallback callback);
  bool CheckDiskSpaceForInstall(DialogCallback callback);

  // Reports, from any thread: the arguments are copied, and the report is
  // built on the worker thread in posting order from what the context, the
  // download manager and the machine hold then. UI clicks and settings are
  // queued for the ready state, launcher details and attribution events go
  // out at once, launcher events as `immediate` says.
  void ReportUiClick(std::string ui_type, std::string action);
  void ReportLauncherDetail(std::string action_id, std::string speed, std::string size,
                            std::string download_time);
  void ReportLauncherEvent(std::string print_info, std::string speed, std::string size,
                           std::string action_type, std::string step, bool immediate);
  void ReportSettings(std::string autostart_text, std::string close_text,
                      int32_t install_speed_limit, int32_t pre_install_speed_limit);
  void ReportAttributionEvent(std::string event_name, std::string value1, std::string value2,
                              std::string value3);
  // True while the game's instance mutex exists.
  bool IsGameRunning() const;
  // Starts the game of the game folder for `slot` (only slot 0 exists) with
  // the version map's MD5 (UTF-8) on its command line. Either thread.
  void RunGame(const std::string& md5, int slot);
  // Appends the free instance slots; returns how many are in use.
  int GetFreeGameInstanceSlots(std::vector<int>* free_slots) const;
  // "TOVA.exe" in `folder`, or in the game folder when it is empty.
  bool GameExecutableExists(const std::wstring& folder) const;
  // A game update wrote its new map and has not finished.
  bool HasInterruptedGameUpdate() const;
  // UI thread: deletes the renamed files, the game's map and the game's user
  // cache, then updates the game without starting it.
  void RepairGame();
  // Brings a game window to the front; false when none is found.
  bool ActivateGameWindow();
  // The main window publishes itself (a handle) or withdraws (null).
  void SetMainWindow(HWND window);
  // Opens a web link (a key of `links` when `is_key`) in the default browser;
  // only http and https addresses are opened.
  void OpenLink(const std::string& text, bool is_key);
  // How links are opened; the default asks the shell. Set before use.
  void SetLinkOpener(void (*opener)(HWND owner, const std::string& url)) { link_opener_ = opener; }

  // Stores an empty map under the key and returns it.
  VersionMap& ResetVersionMap(const std::string& key);
  void LoadLauncherVersion();
  void LoadGameVersion();
  // True when a remote map named a version other than the installed one.
  bool IsGameUpdateAvailable() const;
  // The game folder's "version_map.txt" into the local game map; false when
  // it cannot be read or parsed.
  bool LoadLocalGameVersionMap();
  // -1 without a pre-download version; 0 when its folder holds the finished
  // map of that version, which is then loaded; 1 otherwise.
  int CheckPreDownloadComplete();
  // Deletes the pre-download folders of versions not newer than the installed
  // game and returns how many are kept; -1 without an installed version, -2
  // when that version is not a version text.
  int PrunePreDownloadFolders();
  // The pre-download of `preDownloadVersion` has started and not finished.
  bool IsPreDownloadInProgress() const;

  ServiceSettings serviceSettings;
  // Written on the UI thread only through SetSettings or ApplySettings (or
  // before the worker starts); the worker reads GetSettings.
  LauncherSettings settings;
  DownloadLog downloadLog;
  std::string gid;
  std::string installPackageType;
  HWND mainWindow = nullptr;
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
  // The carousel's posters and the news tabs, in display order (UTF-8); this
  // edition's channel configuration fills neither, so both areas stay empty.
  std::vector<Poster> posters;
  std::vector<NewsTab> newsTabs;
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
  StateFactory* state_factory_ = nullptr;
  DialogPresenter* dialog_presenter_ = nullptr;
  void (*link_opener_)(HWND owner, const std::string& url) = nullptr;
  DiskSpaceQuery disk_space_query_;
  mutable qbase::Lock settings_lock_;
  mutable qbase::Lock game_windows_lock_;
  std::vector<HWND> game_windows_;
};
