#include "browser/runtime/host_browser.h"

#include <windows.h>
#include <shlobj.h>
#include <ws2tcpip.h>

#include <fstream>

#include "browser/runtime/text_convert.h"

namespace qoz_runtime {

namespace {

// Generous: a cold start on a busy machine takes seconds.
constexpr DWORD kStartLimitMs = 90000;
constexpr DWORD kStopLimitMs = 20000;

using UnixNameFunction = char*(__cdecl*)(const wchar_t*);
using DosNameFunction = wchar_t*(__cdecl*)(const char*);

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

std::wstring ToWindowsPath(const std::string& host_path) {
  auto function = reinterpret_cast<DosNameFunction>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
  if (function == nullptr) return std::wstring();
  wchar_t* name = function(host_path.c_str());
  if (name == nullptr) return std::wstring();
  std::wstring result(name);
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

// The shell: waits for a browser of an earlier run on the same profile to go
// (its lock would send this start to it; the lock's process number counts
// only while it still names a browser of this profile, since numbers are
// reused), clears what such a run left, starts the browser in its own
// process group, reports its process number, ends the group once the
// launcher's connection closes, and reports the browser's end.
std::string ShellScript(uint16_t port, const std::string& profile, const std::string& log,
                        const std::string& command) {
  return "exec 3<>/dev/tcp/127.0.0.1/" + std::to_string(port) +
         " || exit 1\n"
         "export PATH=/usr/local/bin:/usr/bin:/bin\n"
         "unset LD_PRELOAD\n"
         "profile=" +
         Quote(profile) +
         "\n"
         "lock=$(readlink \"$profile/SingletonLock\" 2>/dev/null)\n"
         "old=${lock##*-}\n"
         "ours() { tr '\\0' '\\n' 2>/dev/null </proc/$old/cmdline |\n"
         "  grep -qxF -- \"--user-data-dir=$profile\"; }\n"
         "case \"$old\" in ''|*[!0-9]*) ;; *)\n"
         "  for i in $(seq 100); do ours || break; sleep 0.1; done\n"
         "  ours && kill -9 \"$old\" 2>/dev/null ;;\n"
         "esac\n"
         "rm -f \"$profile/SingletonLock\" \"$profile/SingletonSocket\" "
         "\"$profile/SingletonCookie\" \"$profile/DevToolsActivePort\"\n"
         "set -m\n" +
         command + " </dev/null >>" + Quote(log) +
         " 2>&1 &\n"
         "pid=$!\n"
         "set +m\n"
         "echo \"pid $pid\" >&3\n"
         "( cat <&3 >/dev/null\n"
         "  kill -TERM -- -$pid 2>/dev/null\n"
         "  for i in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done\n"
         "  kill -KILL -- -$pid 2>/dev/null ) &\n"
         "wait $pid\n"
         "echo \"exit $?\" >&3\n";
}

bool ReadPortFile(const std::wstring& path, uint16_t* port, std::string* target_path) {
  std::ifstream file(path.c_str());
  std::string port_line;
  std::string path_line;
  if (!std::getline(file, port_line) || !std::getline(file, path_line)) return false;
  if (port_line.empty() || port_line.size() > 5 ||
      port_line.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  const unsigned long value = std::stoul(port_line);
  static const std::string kBrowserPath = "/devtools/browser/";
  if (value == 0 || value > 65535 || path_line.compare(0, kBrowserPath.size(), kBrowserPath) != 0 ||
      path_line.size() == kBrowserPath.size()) {
    return false;
  }
  *port = static_cast<uint16_t>(value);
  *target_path = path_line;
  return true;
}

}  // namespace

std::string ToHostPath(const std::wstring& windows_path) {
  auto function = reinterpret_cast<UnixNameFunction>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (function == nullptr || windows_path.empty()) return std::string();
  char* name = function(windows_path.c_str());
  if (name == nullptr) return std::string();
  std::string result(name);
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

HostBrowser::~HostBrowser() {
  Stop();
  if (listener_ != INVALID_SOCKET) closesocket(listener_);
}

bool HostBrowser::Start(const HostBrowserOptions& options) {
  // A browser that ends at once may have met what a killed run left in the
  // profile, which the shell clears for the next start: a few more tries,
  // a moment apart.
  bool ended_early = false;
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (attempt > 0) Sleep(500);
    if (StartOnce(options, &ended_early)) return true;
    if (!ended_early) return false;
  }
  return false;
}

bool HostBrowser::StartOnce(const HostBrowserOptions& options, bool* ended_early) {
  *ended_early = false;
  shell_output_.clear();
  if (listener_ != INVALID_SOCKET) {
    closesocket(listener_);
    listener_ = INVALID_SOCKET;
  }
  std::wstring profile = options.profile_folder;
  while (!profile.empty() && (profile.back() == L'\\' || profile.back() == L'/'))
    profile.pop_back();
  wchar_t full[MAX_PATH * 4];
  const DWORD full_length = GetFullPathNameW(profile.c_str(), MAX_PATH * 4, full, nullptr);
  if (full_length == 0 || full_length >= MAX_PATH * 4) return false;
  profile = full;
  SHCreateDirectoryExW(nullptr, profile.c_str(), nullptr);
  const std::string host_profile = ToHostPath(profile);
  const std::wstring bash = ToWindowsPath("/bin/bash");
  if (host_profile.empty() || bash.empty()) return false;
  std::string host_log = "/dev/null";
  if (!options.log_file.empty()) {
    const DWORD log_length =
        GetFullPathNameW(options.log_file.c_str(), MAX_PATH * 4, full, nullptr);
    if (log_length > 0 && log_length < MAX_PATH * 4) {
      // The host path of a file that does not exist yet.
      HANDLE file = CreateFileW(full, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
      const std::string host = ToHostPath(full);
      if (!host.empty()) host_log = host;
    }
  }

  listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener_ == INVALID_SOCKET) return false;
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int address_size = sizeof(address);
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      listen(listener_, 1) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &address_size) != 0) {
    return false;
  }

  std::string command = Quote(options.executable) + " --user-data-dir=" + Quote(host_profile);
  for (const std::string& argument : options.arguments) command += " " + Quote(argument);
  const std::wstring script_path = profile + L"\\host_browser.sh";
  {
    std::ofstream script(script_path.c_str(), std::ios::binary | std::ios::trunc);
    script << ShellScript(ntohs(address.sin_port), host_profile, host_log, command);
    if (!script) return false;
  }
  const std::string host_script = ToHostPath(script_path);
  if (host_script.empty()) return false;
  // Host paths are UTF-8; the command line carries them as UTF-16.
  const std::wstring wide_script = ToWide(host_script);
  std::wstring command_line = L"\"" + bash + L"\" \"" + wide_script + L"\"";

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &command_line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &process)) {
    return false;
  }
  if (process.hProcess != nullptr) CloseHandle(process.hProcess);
  if (process.hThread != nullptr) CloseHandle(process.hThread);

  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(listener_, &readable);
  timeval limit = {static_cast<long>(kStartLimitMs / 1000), 0};
  if (select(0, &readable, nullptr, nullptr, &limit) != 1) return false;
  shell_ = accept(listener_, nullptr, nullptr);
  closesocket(listener_);
  listener_ = INVALID_SOCKET;
  if (shell_ == INVALID_SOCKET) return false;

  const std::wstring port_file = profile + L"\\DevToolsActivePort";
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kStartLimitMs) {
    if (!PollShell(50)) {
      *ended_early = true;
      break;
    }
    // A killed run leaves its port file behind; the shell removes it before
    // it starts the browser and reports the browser's process only then.
    if (shell_output_.find("pid ") == std::string::npos) continue;
    if (ReadPortFile(port_file, &debugging_port_, &debugging_path_)) return true;
  }
  Stop();
  return false;
}

bool HostBrowser::PollShell(DWORD wait_ms) {
  if (shell_ == INVALID_SOCKET) return false;
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(shell_, &readable);
  timeval limit = {static_cast<long>(wait_ms / 1000), static_cast<long>(wait_ms % 1000) * 1000};
  if (select(0, &readable, nullptr, nullptr, &limit) != 1) return true;
  char buffer[256];
  const int received = recv(shell_, buffer, sizeof(buffer), 0);
  if (received <= 0) return false;
  shell_output_.append(buffer, static_cast<size_t>(received));
  if (shell_output_.size() > 4096) shell_output_.erase(0, shell_output_.size() - 4096);
  return shell_output_.find("exit ") == std::string::npos;
}

void HostBrowser::Stop() {
  if (shell_ == INVALID_SOCKET) return;
  // End of input tells the shell to end the browser; it answers with the
  // browser's exit once the group is gone.
  shutdown(shell_, SD_SEND);
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kStopLimitMs && PollShell(100)) {
  }
  closesocket(shell_);
  shell_ = INVALID_SOCKET;
  debugging_port_ = 0;
  debugging_path_.clear();
}

}  // namespace qoz_runtime
