// Stands in for the default web browser in the test Wine prefix: registered
// as the open command of web addresses, it appends the address it was given
// to a log file instead of showing it.
//   url_recorder.exe LOG URL
// The log is UTF-8, one address a line; several runs may append at once.
#include <windows.h>
#include <shellapi.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr) return 2;
  if (count != 3) {
    LocalFree(arguments);
    return 2;
  }
  const std::wstring url = arguments[2];
  std::string line(WideCharToMultiByte(CP_UTF8, 0, url.c_str(), -1, nullptr, 0, nullptr, nullptr),
                   '\0');
  WideCharToMultiByte(CP_UTF8, 0, url.c_str(), -1, &line[0], static_cast<int>(line.size()), nullptr,
                      nullptr);
  line.back() = '\n';
  // Appending writes whole lines at the end, whoever else appends.
  const HANDLE log = CreateFileW(arguments[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  LocalFree(arguments);
  if (log == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const BOOL ok = WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(log);
  return ok && written == line.size() ? 0 : 1;
}
