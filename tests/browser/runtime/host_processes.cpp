#include "tests/browser/runtime/host_processes.h"

#include <windows.h>

namespace test_support {

std::string ReadHostFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    bytes.append(buffer, read);
  }
  CloseHandle(file);
  return bytes;
}

std::string HostPathOf(const std::wstring& windows_path) {
  using UnixNameFunction = char*(__cdecl*)(const wchar_t*);
  auto function = reinterpret_cast<UnixNameFunction>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (function == nullptr) return std::string();
  // Wine names only paths whose folders exist: the missing tail is appended
  // to the deepest folder that does.
  std::wstring existing = windows_path;
  std::string tail;
  char* name = nullptr;
  while ((name = function(existing.c_str())) == nullptr) {
    const size_t slash = existing.find_last_of(L"\\/");
    if (slash == std::wstring::npos || slash == 0) return std::string();
    std::string part;
    for (wchar_t c : existing.substr(slash + 1)) {
      if (c > 0x7F) return std::string();
      part += static_cast<char>(c);
    }
    tail = "/" + part + tail;
    existing.resize(slash);
  }
  std::string result(name);
  HeapFree(GetProcessHeap(), 0, name);
  return result + tail;
}

int CountHostProcesses(const std::string& needle) {
  return static_cast<int>(HostCommandLines(needle).size());
}

std::vector<std::string> HostCommandLines(const std::string& needle) {
  std::vector<std::string> found;
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &entry);
  if (search == INVALID_HANDLE_VALUE) return found;
  do {
    const std::wstring name = entry.cFileName;
    if (name.empty() || name.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
    std::string command_line = ReadHostFile(L"Z:\\proc\\" + name + L"\\cmdline");
    for (char& c : command_line) {
      if (c == '\0') c = ' ';
    }
    // The shell that watches the browser names the profile too; count only
    // the browser's own processes.
    if (command_line.find(needle) != std::string::npos &&
        command_line.find("host_browser.sh") == std::string::npos) {
      found.push_back(command_line);
    }
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  return found;
}

}  // namespace test_support
