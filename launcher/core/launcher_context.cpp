#include "launcher/core/launcher_context.h"

#include <utility>

#include "base/file_path.h"
#include "base/scoped_handle.h"
#include "base/string_util.h"
#include "base/thread_registry.h"
#include "launcher/core/extra_config.h"
#include "base/file_io.h"
#include "base/folder_util.h"
#include "launcher/core/launcher_folders.h"
#include "launcher/core/language_table.h"
#include "launcher/core/version_text.h"
#include "ui/resources/global_manager.h"

namespace {

const char* const kVersionMapKeys[] = {
    VersionMapKey::kLauncherPatch,     VersionMapKey::kLocalLauncher,
    VersionMapKey::kRemoteLauncher,    VersionMapKey::kUpdateLauncher,
    VersionMapKey::kGamePatch,         VersionMapKey::kLocalGame,
    VersionMapKey::kRemoteGame,        VersionMapKey::kUpdateGame,
    VersionMapKey::kPreDownloadPatch,  VersionMapKey::kLocalPreDownload,
    VersionMapKey::kRemotePreDownload, VersionMapKey::kUpdatePreDownload};

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

LauncherContext::LauncherContext() = default;

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
  if (edited.languageType != settings.languageType) {
    settings.languageType = edited.languageType;
    settings.language = LanguageCodeForIndex(edited.languageType);
    change.languageChanged = true;
    change.changed = true;
  }
  if (edited.gamePath != settings.gamePath) {
    settings.gamePath = edited.gamePath;
    change.changed = true;
  }
  if (edited.closeToHide != settings.closeToHide) {
    settings.closeToHide = edited.closeToHide;
    change.closeText = settings.closeToHide ? "1" : "2";
    change.changed = true;
  }
  if (edited.downloadSpeed != settings.downloadSpeed ||
      edited.downloadLimit != settings.downloadLimit) {
    settings.downloadSpeed = edited.downloadSpeed;
    settings.downloadLimit = edited.downloadLimit;
    change.gameLimitChanged = true;
    change.changed = true;
  }
  if (edited.predlcSpeed != settings.predlcSpeed || edited.predlcLimit != settings.predlcLimit) {
    settings.predlcSpeed = edited.predlcSpeed;
    settings.predlcLimit = edited.predlcLimit;
    change.preDownloadLimitChanged = true;
    change.changed = true;
  }
  if (edited.automaticStart != settings.automaticStart) {
    if (edited.automaticStart) {
      settings.automaticStart = autostart_.Enable(qbase::GetModuleFilePath(nullptr));
    } else {
      autostart_.Disable();
      settings.automaticStart = false;
    }
    change.autostartText = settings.automaticStart ? "1" : "0";
    change.changed = true;
  }
  if (edited.autoUpdate != settings.autoUpdate) {
    settings.autoUpdate = edited.autoUpdate;
    change.changed = true;
  }
  if (change.changed) SaveEnvConfig();
  if (change.languageChanged) languageChanged = true;
  change.gameLimit = settings.downloadLimit ? settings.downloadSpeed : 0;
  change.preDownloadLimit = settings.predlcLimit ? settings.predlcSpeed : 0;
  // The download manager applies the changed limits to its running transfers
  // and the settings report is sent from this record once those services exist.
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
