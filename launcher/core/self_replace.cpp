#include "launcher/core/self_replace.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "base/file_path.h"
#include "base/folder_util.h"
#include "base/json_util.h"
#include "launcher/core/launcher_folders.h"
#include "launcher/core/resource_fonts.h"
#include "launcher/core/version_map.h"

namespace {

constexpr wchar_t kLauncherExe[] = L"launcher.exe";
constexpr wchar_t kHelperExe[] = L".\\launcher_temp.exe";
constexpr char kCefListName[] = "cef_update.txt";

// The launcher that started the helper needs a moment to end; its executable
// cannot be overwritten before it has. The copy is retried for a while after
// that, so a slow exit does not leave the old launcher in place.
constexpr DWORD kFirstWaitMs = 4000;
constexpr DWORD kRetryIntervalMs = 250;
constexpr int kCopyAttempts = 120;

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

bool CopyOverWithRetries(const std::wstring& source, const std::wstring& target) {
  for (int attempt = 0; attempt < kCopyAttempts; ++attempt) {
    if (CopyFileW(source.c_str(), target.c_str(), FALSE)) return true;
    // Only a target still in use is worth waiting for.
    DWORD error = GetLastError();
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED &&
        error != ERROR_LOCK_VIOLATION) {
      return false;
    }
    Sleep(kRetryIntervalMs);
  }
  return false;
}

}  // namespace

void RunProgram(const std::wstring& command, const std::wstring& arguments,
                const std::wstring& folder) {
  if (command.empty()) return;
  std::wstring line = arguments.empty() ? command : command + L" " + arguments;
  std::vector<wchar_t> buffer(line.begin(), line.end());
  buffer.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOW;
  PROCESS_INFORMATION process = {};
  if (CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                     folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
}

std::wstring BuildReplaceArguments(const std::wstring& program, bool launcher_changed) {
  std::wstring source;
  std::wstring target;
  if (launcher_changed) {
    source = GetUpdateDirW() + L"\\" + kLauncherExe;
    target = std::wstring(L".\\") + kLauncherExe;
  }
  return L"replace " + Quoted(source) + L" " + Quoted(target) + L" " + Quoted(program);
}

void LaunchSelfReplace(const std::wstring& program, bool launcher_changed) {
  CopyFileW((std::wstring(L".\\") + kLauncherExe).c_str(), kHelperExe, FALSE);
  RunProgram(kHelperExe, BuildReplaceArguments(program, launcher_changed), L"");
}

void ApplyPendingCefUpdate() {
  const std::string list_path = GetUpdateDirA() + "\\" + kCefListName;
  std::vector<std::string> names;
  if (!ReadStringListFile(list_path, &names)) return;
  std::vector<std::string> failed;
  for (const std::string& name : names) {
    // The list is a file on disk: a name that would leave the folders is
    // dropped rather than followed.
    if (name.empty() || !IsSafeEntryName(name)) continue;
    const std::string source = GetUpdateDirA() + "\\" + name;
    const std::string target = ".\\" + name;
    std::string folder;
    std::string file_name;
    if (SplitPathA(target, &folder, &file_name) && !folder.empty()) MakeDirectoriesA(folder);
    if (CopyFileA(source.c_str(), target.c_str(), FALSE)) {
      DeleteFileA(source.c_str());
    } else {
      failed.push_back(name);
    }
  }
  // A list that cannot be rewritten stays as it was: its installed names are
  // copied again next time, which is harmless.
  if (failed.empty()) {
    DeleteFileA(list_path.c_str());
  } else {
    WriteStringListFile(list_path, failed);
  }
}

void RunReplaceMode(const std::wstring& source, const std::wstring& target,
                    const std::wstring& program) {
  Sleep(kFirstWaitMs);
  if (!source.empty() && !target.empty()) CopyOverWithRetries(source, target);
  ApplyPendingCefUpdate();
  ApplyPendingFontUpdate(GetSystemFontFolder());
  if (!program.empty()) RunProgram(program, L"", L"");
  DeleteSelfAndExit();
}

void DeleteSelfAndExit() {
  SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  const std::wstring self = qbase::GetModuleFilePath(nullptr);
  SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, self.c_str(), nullptr);
  const std::wstring parameters = L"/c del /q " + Quoted(self);
  ShellExecuteW(nullptr, L"open", L"cmd.exe", parameters.c_str(), nullptr, SW_HIDE);
  ExitProcess(0);
}
