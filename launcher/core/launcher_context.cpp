#include "launcher/core/launcher_context.h"

#include <algorithm>
#include <utility>

#include "base/file_path.h"
#include "base/scoped_handle.h"
#include "base/string_util.h"
#include "base/thread_registry.h"
#include "launcher/core/dialog_presenter.h"
#include "launcher/core/extra_config.h"
#include "base/file_io.h"
#include "base/folder_util.h"
#include "launcher/core/launcher_folders.h"
#include "launcher/core/language_table.h"
#include "launcher/core/resource_fonts.h"
#include "launcher/core/skin_package.h"
#include "launcher/core/state_factory.h"
#include "launcher/core/version_text.h"
#include "launcher/core/window_messages.h"
#include "launcher/download/download_manager.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/language_string_table.h"

namespace {

const char* const kVersionMapKeys[] = {
    VersionMapKey::kLauncherPatch,     VersionMapKey::kLocalLauncher,
    VersionMapKey::kRemoteLauncher,    VersionMapKey::kUpdateLauncher,
    VersionMapKey::kGamePatch,         VersionMapKey::kLocalGame,
    VersionMapKey::kRemoteGame,        VersionMapKey::kUpdateGame,
    VersionMapKey::kPreDownloadPatch,  VersionMapKey::kLocalPreDownload,
    VersionMapKey::kRemotePreDownload, VersionMapKey::kUpdatePreDownload};

constexpr wchar_t kGameWindowProperty[] = L"_QEL_GAME_TW";
constexpr wchar_t kGameWindowClass[] = L"UnityWndClass";
// How long the worker waits for one game window to take a message.
constexpr UINT kGameWindowTimeoutMs = 500;

void SendToGameWindow(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, message, wparam, lparam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                      kGameWindowTimeoutMs, &result);
}

std::wstring SaveFilePath(const wchar_t* name) {
  return NormalizeDirPathW(GetSaveDirW(), true) + name;
}

// A file counts as present when it opens for reading with shared access.
bool FileOpensForReading(const std::wstring& path) {
  qbase::ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.IsValid();
}

}  // namespace

LauncherContext* LauncherContext::GetInstance() {
  static LauncherContext instance;
  return &instance;
}

void LauncherContext::Init(const std::wstring& command_line_language) {
  MakeDirectoriesW(GetSaveDirW());
  firstRun = false;
  askCloseChoice = false;
  if (!LoadExtraConfig()) installPackageType.clear();

  if (!LoadEnvConfig()) {
    firstRun = true;
    askCloseChoice = true;
    settings.languageType = LanguageIndexForLocale(user_locale_());
    settings.gamePath = FileOpensForReading(L"TOVA.exe")
                            ? NormalizeDirPathW(qbase::GetCurrentModuleDirectory(), false)
                            : GetDefaultGamePath();
    SaveEnvConfig();
  }
  if (!LoadDownloadLog()) {
    downloadLog = DownloadLog();
    SaveDownloadLog();
  }
  LoadGid();
  // This run's fallback only: the file keeps its own value.
  if (settings.gamePath.empty()) settings.gamePath = GetDefaultGamePath();

  if (!command_line_language.empty()) {
    const int index = LanguageIndexForCode(qbase::WideToUtf8(command_line_language));
    if (index >= 0) settings.languageType = index;
  }
  ui::GlobalManager::channel = kEditionChannel;
  settings.languageType = kEditionLanguageType;
  settings.language = kEditionLanguage;

  LoadServiceSettings();
  // The resource fonts are installed here once the font set-up exists.
  fileCopyPairs[L"TOVA_Data/Resources/unity_default_resources"] =
      L"TOVA_Data/Resources/unity default resources";
  fileCopyPairs[L"TOVA_Data/Plugins/x86_64/VuplexWebViewChromium/Vuplex_WebView.vuplex"] =
      L"TOVA_Data/Plugins/x86_64/VuplexWebViewChromium/Vuplex WebView.vuplex";
}

bool LauncherContext::LoadChannelConfig() {
  ChannelConfig config;
  if (!::LoadChannelConfig(settings.language, &config)) return false;
  titles = std::move(config.titles);
  links = std::move(config.links);
  jumpLinks = std::move(config.jumpLinks);
  return true;
}

void LauncherContext::InitVersionState() {
  launcherExeUpdated = false;
  cefFilesUpdated = false;
  fontsUpdated = false;
  restartPromptArmed = true;
  skinReloadState = SkinReloadState::Nothing;
  languageChanged = false;
  startGameAfterPass = false;
  for (const char* key : kVersionMapKeys) ResetVersionMap(key);
  ListSubdirectories(GetPreDownloadDirA(), &preDownloadFolders);
  LoadLauncherVersion();
  LoadGameVersion();
}

LauncherContext::LauncherContext() : disk_space_query_(GetDiskSpaceW) {}

LauncherContext::~LauncherContext() = default;

void LauncherContext::Shutdown() {
  ChangeState(nullptr);
  preDownloadState.reset();
  for (const char* key : kVersionMapKeys) versionMaps.erase(key);
}

bool LauncherContext::LoadEnvConfig() {
  std::string text;
  if (!ReadFileToStringW(SaveFilePath(L"EnvConfig.json"), &text)) return false;
  return ParseLauncherSettings(text, &settings);
}

bool LauncherContext::SaveEnvConfig() {
  return WriteStringToFileW(SaveFilePath(L"EnvConfig.json"), WriteLauncherSettings(settings));
}

bool LauncherContext::LoadDownloadLog() {
  std::string text;
  if (!ReadFileToStringW(SaveFilePath(L"Log.json"), &text)) return false;
  return ParseDownloadLog(text, &downloadLog);
}

bool LauncherContext::SaveDownloadLog() {
  return WriteStringToFileW(SaveFilePath(L"Log.json"), WriteDownloadLog(downloadLog));
}

void LauncherContext::LoadGid() {
  gid.clear();
  if (ReadFileToStringW(SaveFilePath(L"gid.txt"), &gid)) return;
  ReadFileToStringW(NormalizeDirPathW(settings.gamePath, true) + L"save\\gid.txt", &gid);
}

SettingsChange LauncherContext::ApplySettings(const LauncherSettings& edited) {
  SettingsChange change;
  LauncherSettings updated = settings;
  if (edited.languageType != updated.languageType) {
    updated.languageType = edited.languageType;
    updated.language = LanguageCodeForIndex(edited.languageType);
    change.languageChanged = true;
    change.changed = true;
  }
  if (edited.gamePath != updated.gamePath) {
    updated.gamePath = edited.gamePath;
    change.changed = true;
  }
  if (edited.closeToHide != updated.closeToHide) {
    updated.closeToHide = edited.closeToHide;
    change.closeText = updated.closeToHide ? "1" : "2";
    change.changed = true;
  }
  if (edited.downloadSpeed != updated.downloadSpeed ||
      edited.downloadLimit != updated.downloadLimit) {
    updated.downloadSpeed = edited.downloadSpeed;
    updated.downloadLimit = edited.downloadLimit;
    change.gameLimitChanged = true;
    change.changed = true;
  }
  if (edited.predlcSpeed != updated.predlcSpeed || edited.predlcLimit != updated.predlcLimit) {
    updated.predlcSpeed = edited.predlcSpeed;
    updated.predlcLimit = edited.predlcLimit;
    change.preDownloadLimitChanged = true;
    change.changed = true;
  }
  if (edited.automaticStart != updated.automaticStart) {
    if (edited.automaticStart) {
      updated.automaticStart = autostart_.Enable(qbase::GetModuleFilePath(nullptr));
    } else {
      autostart_.Disable();
      updated.automaticStart = false;
    }
    change.autostartText = updated.automaticStart ? "1" : "0";
    change.changed = true;
  }
  if (edited.autoUpdate != updated.autoUpdate) {
    updated.autoUpdate = edited.autoUpdate;
    change.changed = true;
  }
  SetSettings(updated);
  if (change.changed) SaveEnvConfig();
  if (change.languageChanged) languageChanged = true;
  change.gameLimit = updated.downloadLimit ? updated.downloadSpeed : 0;
  change.preDownloadLimit = updated.predlcLimit ? updated.predlcSpeed : 0;
  if (change.changed) {
    ReportSettings(change.autostartText, change.closeText, change.gameLimit,
                   change.preDownloadLimit);
  }
  // The download manager applies the changed limits to its running transfers.
  return change;
}

void LauncherContext::LoadServiceSettings() {
  std::string text;
  if (ReadFileToStringW(SaveFilePath(L"setting.json"), &text)) {
    ParseServiceSettings(text, &serviceSettings);
  }
}

bool LauncherContext::LoadExtraConfig() {
  std::string text;
  if (!ReadFileToStringW(SaveFilePath(L"extra_config.txt"), &text)) return false;
  return ParseExtraConfig(text, &installPackageType);
}

void LauncherContext::SendToMainWindow(UINT message, WPARAM wparam, LPARAM lparam) {
  // A plain closure: the context outlives both framework threads.
  qbase::ThreadRegistry::PostTask(qbase::kMainThreadId, [this, message, wparam, lparam] {
    if (mainWindow != nullptr) SendMessageW(mainWindow, message, wparam, lparam);
  });
}

VersionMap& LauncherContext::ResetVersionMap(const std::string& key) {
  VersionMap& map = versionMaps[key];
  map.clear();
  return map;
}

void LauncherContext::LoadLauncherVersion() {
  ReadVersionFromMapFile(L".\\launcher_version_map.txt", &launcherVersion, "1.0.0");
}

void LauncherContext::LoadGameVersion() {
  ReadVersionFromMapFile(NormalizeDirPathW(settings.gamePath, true) + L"version_map.txt",
                         &gameVersion, "");
  targetGameVersion = gameVersion;
  gameVersionDisplay = gameVersion.empty() ? std::string() : FormatVersionForDisplay(gameVersion);
}

void LauncherContext::ChangeState(std::unique_ptr<State> next) {
  const int32_t current_id = currentState ? static_cast<int32_t>(currentState->GetId()) : -1;
  const int32_t next_id = next ? static_cast<int32_t>(next->GetId()) : -1;
  if (current_id == next_id &&
      (!currentState || !next || SameModeKind(currentState->mode(), next->mode()))) {
    // The pass already running absorbs a repeated request for it.
    return;
  }
  // Still current while it leaves.
  if (currentState) currentState->Exit(next.get());
  std::unique_ptr<State> previous = std::move(currentState);
  currentState = std::move(next);
  // Entered once current: a request made inside Enter is answered to it.
  if (currentState) currentState->Enter(previous.get());
}

void LauncherContext::SetSettings(const LauncherSettings& updated) {
  qbase::AutoLock lock(settings_lock_);
  settings = updated;
}

LauncherSettings LauncherContext::GetSettings() const {
  qbase::AutoLock lock(settings_lock_);
  return settings;
}

void LauncherContext::SendToGameWindows(UINT message, WPARAM wparam, LPARAM lparam) {
  qbase::ThreadRegistry::PostTask(qbase::kMiscThreadId, [this, message, wparam, lparam] {
    if (GetGameWindows().empty()) CollectGameWindows();
    const std::vector<HWND> windows = GetGameWindows();
    if (windows.empty()) {
      if (HWND game = FindWindowW(kGameWindowClass, nullptr)) {
        SendToGameWindow(game, message, wparam, lparam);
      }
      return;
    }
    // Dead handles are passed over but stay listed.
    for (HWND window : windows) {
      if (IsWindow(window)) SendToGameWindow(window, message, wparam, lparam);
    }
  });
}

void LauncherContext::StartLauncherPass() {
  startGameAfterPass = false;
  qbase::ThreadRegistry::PostTask(qbase::kMiscThreadId, [this] {
    if (state_factory_ == nullptr) return;
    if (std::unique_ptr<State> state = state_factory_->CreatePrepareState(UpdateMode::Launcher)) {
      ChangeState(std::move(state));
    }
  });
}

void LauncherContext::StartGamePass(bool start_game, bool honour_disable_auto_enter) {
  // Set before the post, so the pass finds it in place.
  startGameAfterPass =
      start_game && !(honour_disable_auto_enter && serviceSettings.DisableAutoEnterGame);
  qbase::ThreadRegistry::PostTask(qbase::kMiscThreadId, [this] {
    if (state_factory_ == nullptr) return;
    if (std::unique_ptr<State> state = state_factory_->CreatePrepareState(UpdateMode::Game)) {
      ChangeState(std::move(state));
    }
  });
}

void LauncherContext::StartPreDownload() {
  qbase::ThreadRegistry::PostTask(qbase::kMiscThreadId, [this] {
    if (preDownloadState || state_factory_ == nullptr) return;
    // Beside the current state, never through ChangeState.
    preDownloadState = state_factory_->CreatePreDownloadState();
    if (preDownloadState) preDownloadState->Enter(nullptr);
  });
}

void LauncherContext::StopPreDownload() {
  qbase::ThreadRegistry::PostTask(qbase::kMiscThreadId, [this] {
    if (!preDownloadState) return;
    preDownloadState->Exit(nullptr);
    preDownloadState.reset();
  });
}

void LauncherContext::PauseDownloads() {
  // On the worker, which alone touches the transfers; the manager tells the
  // main window either way.
  qbase::ThreadRegistry::PostTask(qbase::kMiscThreadId, [] {
    DownloadManager& downloads = DownloadManager::GetInstance();
    if (downloads.paused()) {
      downloads.ContinueDownloads();
    } else {
      downloads.PauseDownloads();
    }
  });
}

void LauncherContext::ReloadSkin(qbase::Closure continuation) {
  qbase::ThreadRegistry::PostTask(qbase::kMainThreadId, [this, continuation] {
    // Picks up a "resources.zip" the launcher update replaced.
    OpenSkinPackage();
    ui::GlobalManager::ReloadSkin(std::wstring(), nullptr);
    skinReloadState = SkinReloadState::Nothing;
    if (LoadChannelConfig()) SendToMainWindow(WM_LANGUAGE_RELOADED, 0, 0);
    // The update engine goes on even when the channel configuration failed.
    qbase::ThreadRegistry::PostTask(qbase::kMiscThreadId, continuation);
  });
}

void LauncherContext::SwitchLanguage(const std::wstring& code) {
  if (code == ui::GlobalManager::language) return;
  ui::GlobalManager::language = code;
  UseCarriedFontFaces();
  ui::GlobalManager::ReloadSkin(std::wstring(), nullptr);
  if (LoadChannelConfig()) SendToMainWindow(WM_LANGUAGE_RELOADED, 0, 0);
}

void LauncherContext::RegisterGameWindow(HWND window) {
  qbase::AutoLock lock(game_windows_lock_);
  // Listed is noted before the dead are dropped: a listed handle that died
  // is not added again.
  const bool listed =
      std::find(game_windows_.begin(), game_windows_.end(), window) != game_windows_.end();
  game_windows_.erase(std::remove_if(game_windows_.begin(), game_windows_.end(),
                                     [](HWND entry) { return !IsWindow(entry); }),
                      game_windows_.end());
  if (!listed && IsWindow(window)) game_windows_.push_back(window);
}

void LauncherContext::CollectGameWindows() {
  std::vector<HWND> found;
  for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window && IsWindow(window);
       window = GetWindow(window, GW_HWNDNEXT)) {
    // The game marks its windows with their own handle.
    if (GetPropW(window, kGameWindowProperty) == window) found.push_back(window);
  }
  qbase::AutoLock lock(game_windows_lock_);
  game_windows_ = std::move(found);
}

std::vector<HWND> LauncherContext::GetGameWindows() const {
  qbase::AutoLock lock(game_windows_lock_);
  return game_windows_;
}

void LauncherContext::ShowMessageBox(ui::Window* parent, const std::wstring& title_key,
                                     const std::wstring& content_key,
                                     const std::wstring& first_caption_key,
                                     const std::wstring& second_caption_key,
                                     DialogCallback callback, bool swap_images) {
  // Set before the post; the box clears the first flag when it closes.
  messageBoxOpen = true;
  messageBoxShownOnce = true;
  PostMessageBoxRequest(parent, title_key, L"", content_key, L"", first_caption_key,
                        second_caption_key, L"", L"", std::move(callback), swap_images);
}

namespace {

MessageBoxRequest MakeMessageBoxRequest(
    LauncherContext* context, ui::Window* parent, const std::wstring& title_key,
    const std::wstring& title_text, const std::wstring& content_key,
    const std::wstring& content_text, const std::wstring& first_caption_key,
    const std::wstring& second_caption_key, const std::wstring& first_caption_text,
    const std::wstring& second_caption_text, DialogCallback callback, bool swap_images) {
  MessageBoxRequest request;
  request.parent = parent;
  request.context = context;
  request.titleKey = title_key;
  request.titleText = title_text;
  request.contentKey = content_key;
  request.contentText = content_text;
  request.firstCaptionKey = first_caption_key;
  request.secondCaptionKey = second_caption_key;
  request.firstCaptionText = first_caption_text;
  request.secondCaptionText = second_caption_text;
  request.callback = std::move(callback);
  request.swapImages = swap_images;
  return request;
}

}  // namespace

void LauncherContext::PostMessageBoxRequest(
    ui::Window* parent, const std::wstring& title_key, const std::wstring& title_text,
    const std::wstring& content_key, const std::wstring& content_text,
    const std::wstring& first_caption_key, const std::wstring& second_caption_key,
    const std::wstring& first_caption_text, const std::wstring& second_caption_text,
    DialogCallback callback, bool swap_images) {
  const MessageBoxRequest request =
      MakeMessageBoxRequest(this, parent, title_key, title_text, content_key, content_text,
                            first_caption_key, second_caption_key, first_caption_text,
                            second_caption_text, std::move(callback), swap_images);
  qbase::ThreadRegistry::PostTask(qbase::kMainThreadId, [request] { request.Show(); });
}

void LauncherContext::PostDetailedMessageBoxRequest(
    ui::Window* parent, const std::wstring& title_key, const std::wstring& title_text,
    const std::wstring& content_key, const std::wstring& content_text,
    const std::wstring& detail_key, const std::wstring& detail_text,
    const std::wstring& first_caption_key, const std::wstring& second_caption_key,
    const std::wstring& first_caption_text, const std::wstring& second_caption_text,
    DialogCallback callback, bool swap_images) {
  DetailedMessageBoxRequest request;
  static_cast<MessageBoxRequest&>(request) =
      MakeMessageBoxRequest(this, parent, title_key, title_text, content_key, content_text,
                            first_caption_key, second_caption_key, first_caption_text,
                            second_caption_text, std::move(callback), swap_images);
  request.detailKey = detail_key;
  request.detailText = detail_text;
  qbase::ThreadRegistry::PostTask(qbase::kMainThreadId, [request] { request.Show(); });
}

void LauncherContext::ShowOptionsBox(const std::wstring& title_key, const std::wstring& group_name,
                                     const std::vector<std::wstring>& option_keys,
                                     const std::wstring& button_key,
                                     OptionChoiceCallback callback) {
  OptionsBoxRequest request;
  request.context = this;
  request.titleKey = title_key;
  request.groupName = group_name;
  request.optionKeys = option_keys;
  request.selectedIndex = 0;
  request.buttonKey = button_key;
  request.callback = std::move(callback);
  qbase::ThreadRegistry::PostTask(qbase::kMainThreadId, [request] { request.Show(); });
}

bool LauncherContext::CheckDiskSpaceForUpdate(DialogCallback callback) {
  const std::wstring launcher_path = qbase::GetModuleFilePath(nullptr);
  const std::wstring game_path = GetSettings().gamePath;
  const std::wstring text =
      ui::LanguageStringTable::GetInstance()->GetStringById(L"STRING_ERROR_NEED_DISKSPACE_R");
  // The launcher's drive is tested after the game's even when it is the same
  // one, and only when the game's passed: at most one prompt per call.
  if (!CheckDiskSpace(this, game_path, BuildUpdateDiskSpacePrompt(text, GetDriveOfPath(game_path)),
                      L"STRING_CANCEL", L"STRING_DOWNLOAD_CONTINUE", callback)) {
    return false;
  }
  return CheckDiskSpace(this, launcher_path,
                        BuildUpdateDiskSpacePrompt(text, GetDriveOfPath(launcher_path)),
                        L"STRING_CANCEL", L"STRING_DOWNLOAD_CONTINUE", std::move(callback));
}

bool LauncherContext::CheckDiskSpaceForInstall(DialogCallback callback) {
  const std::wstring launcher_path = qbase::GetModuleFilePath(nullptr);
  const std::wstring game_path = GetSettings().gamePath;
  const ui::LanguageStringTable* table = ui::LanguageStringTable::GetInstance();
  // A text whose directives are wrong is never used as a format.
  std::wstring text = table->GetFormatById(L"STRING_ERROR_NEED_DISKSPACE", {L"%ls"});
  if (text.empty()) text = table->GetStringById(L"STRING_ERROR_NEED_DISKSPACE");
  const std::wstring prompt = BuildInstallDiskSpacePrompt(text);
  if (!CheckDiskSpace(this, game_path, prompt, L"", L"STRING_CONFIRM", callback)) return false;
  return CheckDiskSpace(this, launcher_path, prompt, L"", L"STRING_CONFIRM", std::move(callback));
}
