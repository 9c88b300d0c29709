#include "launcher/core/launcher_folders.h"

#include "base/file_path.h"

const std::string& GetSaveDirA() {
  static const std::string dir = ".\\save";
  return dir;
}

const std::wstring& GetSaveDirW() {
  static const std::wstring dir = L".\\save";
  return dir;
}

const std::string& GetUpdateDirA() {
  static const std::string dir = ".\\update";
  return dir;
}

const std::wstring& GetUpdateDirW() {
  static const std::wstring dir = L".\\update";
  return dir;
}

const std::wstring& GetExceptionDirW() {
  static const std::wstring dir = L".\\exception";
  return dir;
}

const std::string& GetPreDownloadDirA() {
  static const std::string dir = GetUpdateDirA() + "\\predownload";
  return dir;
}

const std::wstring& GetDefaultGamePath() {
  static const std::wstring path = qbase::GetCurrentModuleDirectory() + L"Corvandel Game";
  return path;
}
