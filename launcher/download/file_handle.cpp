#include "launcher/download/file_handle.h"

#include "launcher/core/file_util.h"

void CreateParentFolders(const std::string& path) {
  const size_t separator = path.find_last_of("\\/");
  if (separator == std::string::npos || separator == 0) return;
  const std::string folder = path.substr(0, separator);
  if (!DirectoryExistsA(folder)) MakeDirectoriesA(folder);
}

bool SetFileLength(const std::string& path, int64_t length, bool create) {
  if (create) CreateParentFolders(path);
  FileHandle file(
      CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return false;
  LARGE_INTEGER position;
  position.QuadPart = length;
  return SetFilePointerEx(file.Get(), position, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get());
}

int64_t GetFileLength(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return -1;
  }
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}
