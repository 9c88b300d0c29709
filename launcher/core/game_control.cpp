// The context's dealings with the game program: starting it, its instance
// slot, its windows, its repair, and the main window it finds.
#include <windows.h>
#include <shellapi.h>

#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/file_path.h"
#include "base/folder_util.h"
#include "base/scoped_handle.h"
#include "base/string_util.h"
#include "launcher/core/command_line.h"
#include "launcher/core/game_command_line.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/self_replace.h"

namespace {

constexpr wchar_t kGameInstanceMutex[] = L"_Tova_Instance_";
constexpr wchar_t kGameWindowClass[] = L"UnityWndClass";
constexpr wchar_t kLauncherProperty[] = L"_QEL_LAUNCHER_TW";

bool FileReadable(const std::wstring& path) {
  qbase::ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.IsValid();
}

void DeleteIfReadable(const std::wstring& path) {
  if (FileReadable(path)) DeleteFileW(path.c_str());
}

bool IsWebAddress(const std::string& url) {
  auto starts_with = [&url](const char* prefix) {
    const size_t length = std::char_traits<char>::length(prefix);
    if (url.size() <= length) return false;
    for (size_t i = 0; i < length; ++i) {
      if (std::tolower(static_cast<unsigned char>(url[i])) != prefix[i]) return false;
    }
    return true;
  };
  return starts_with("http://") || starts_with("https://");
}

void OpenWithShell(HWND owner, const std::string& url) {
  ShellExecuteA(owner, "open", url.c_str(), nullptr, nullptr, SW_SHOW);
}

}  // namespace

bool LauncherContext::IsGameRunning() const {
  // The launcher never keeps the mutex: it only learns whether it existed.
  qbase::ScopedHandle mutex(CreateMutexW(nullptr, FALSE, kGameInstanceMutex));
  return GetLastError() == ERROR_ALREADY_EXISTS;
}

void LauncherContext::RunGame(const std::string& md5, int slot) {
  if (slot != 0) return;
  const std::wstring game_folder = GetSettings().gamePath;
  if (deleteLogTxt) DeleteIfReadable(NormalizeDirPathW(game_folder, true) + L"save\\log.txt");
  const GameCommandLine line =
      BuildGameCommandLine(game_folder, md5, gameVersion, CommandLinePlatform.text);
  // Quoted, so a game folder with blanks starts this program and the game
  // receives its arguments intact.
  RunProgram(L"\"" + line.program + L"\"", line.arguments, game_folder);
  ReportLauncherEvent("rungame", "", "", "", "pre_install", false);
}

int LauncherContext::GetFreeGameInstanceSlots(std::vector<int>* free_slots) const {
  const size_t before = free_slots->size();
  if (!IsGameRunning()) free_slots->push_back(0);
  return 1 - static_cast<int>(free_slots->size() - before);
}

bool LauncherContext::GameExecutableExists(const std::wstring& folder) const {
  const std::wstring base = folder.empty() ? GetSettings().gamePath : folder;
  return FileReadable(NormalizeDirPathW(base, true) + L"TOVA.exe");
}

bool LauncherContext::HasInterruptedGameUpdate() const {
  return FileReadable(NormalizeDirPathW(GetSettings().gamePath, true) + L"tmp_version_map.txt");
}

void LauncherContext::RepairGame() {
  const std::wstring game_folder = NormalizeDirPathW(GetSettings().gamePath, true);
  for (const auto& pair : GetFileCopyPairs()) DeleteIfReadable(game_folder + pair.second);
  DeleteIfReadable(game_folder + L"version_map.txt");
  if (const char* profile = std::getenv("USERPROFILE")) {
    std::wstring cache;
    if (qbase::MultiByteToWide(profile, qbase::kCodePageAnsi, &cache)) {
      cache += L"\\.trepc";
      if (DirectoryExistsW(cache)) DeleteDirectoryTreeW(cache);
    }
  }
  StartGamePass(false, true);
}

bool LauncherContext::ActivateGameWindow() {
  if (GetGameWindows().empty()) CollectGameWindows();
  const std::vector<HWND> windows = GetGameWindows();
  HWND target = nullptr;
  if (!windows.empty()) {
    for (HWND window : windows) {
      if (IsWindow(window)) {
        target = window;
        break;
      }
    }
  } else {
    target = FindWindowW(kGameWindowClass, nullptr);
  }
  if (!target) return false;
  const DWORD own_thread = GetCurrentThreadId();
  const DWORD window_thread = GetWindowThreadProcessId(target, nullptr);
  const bool attached =
      window_thread != own_thread && AttachThreadInput(own_thread, window_thread, TRUE);
  ShowWindow(target, SW_SHOWNORMAL);
  SetForegroundWindow(target);
  if (attached) AttachThreadInput(own_thread, window_thread, FALSE);
  return true;
}

void LauncherContext::SetMainWindow(HWND window) {
  if (window) {
    mainWindow = window;
    SetPropW(window, kLauncherProperty, window);
    return;
  }
  if (mainWindow) RemovePropW(mainWindow, kLauncherProperty);
  mainWindow = nullptr;
}

void LauncherContext::OpenLink(const std::string& text, bool is_key) {
  if (!mainWindow || text.empty()) return;
  std::string url = text;
  if (is_key) {
    auto found = links.find(text);
    if (found == links.end()) return;
    url = found->second;
  }
  // Links come from the channel configuration and web pages: nothing but a
  // web address is handed to the shell.
  if (!IsWebAddress(url)) return;
  (link_opener_ ? link_opener_ : OpenWithShell)(mainWindow, url);
}
