#include "browser/cef_manager.h"

#include <windows.h>

#include "base/file_path.h"

namespace qoz_comp {

namespace {

// The variable's value; empty when it is not set.
std::wstring GetEnvironment(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return std::wstring();
  std::wstring value(size, L'\0');
  const DWORD length = GetEnvironmentVariableW(name, &value[0], size);
  value.resize(length < size ? length : 0);
  return value;
}

}  // namespace

CefManager* CefManager::GetInstance() {
  static CefManager manager;
  return &manager;
}

bool CefManager::PrepareCefEnvironment() {
  return PrepareCefEnvironmentIn(qbase::GetCurrentModuleDirectory());
}

bool PrepareCefEnvironmentIn(const std::wstring& module_directory) {
  const std::wstring cef_directory = module_directory + L"cef";
  const DWORD attributes = GetFileAttributesW(cef_directory.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return false;
  }
  // The runtime's own DLLs are found first, and the shell it may start is a
  // harmless stand-in.
  const std::wstring path = GetEnvironment(L"PATH");
  SetEnvironmentVariableW(L"PATH",
                          (path.empty() ? cef_directory : cef_directory + L";" + path).c_str());
  SetEnvironmentVariableW(L"ComSpec", (cef_directory + L"\\dummy_cmd.exe").c_str());
  return true;
}

}  // namespace qoz_comp
