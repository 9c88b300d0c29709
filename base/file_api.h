#pragma once

// The narrow (ANSI code page) and wide forms of the file functions, so the
// file helpers of base are written once for both path widths. Internal to
// base's file helpers.

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>

namespace file_api {

struct NarrowApi {
  using Char = char;
  using String = std::string;
  using FindData = WIN32_FIND_DATAA;
  static HANDLE FindFirst(const String& pattern, FindData* data) {
    return FindFirstFileA(pattern.c_str(), data);
  }
  static BOOL FindNext(HANDLE find, FindData* data) { return FindNextFileA(find, data); }
  static BOOL SetAttributes(const String& path, DWORD attributes) {
    return SetFileAttributesA(path.c_str(), attributes);
  }
  static BOOL Delete(const String& path) { return DeleteFileA(path.c_str()); }
  static BOOL RemoveFolder(const String& path) { return RemoveDirectoryA(path.c_str()); }
  static BOOL CreateFolder(const String& path) { return CreateDirectoryA(path.c_str(), nullptr); }
  static DWORD Attributes(const String& path) { return GetFileAttributesA(path.c_str()); }
  static HANDLE Open(const String& path, DWORD access, DWORD disposition) {
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  static HANDLE CreateUnshared(const String& path) {
    return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  static BOOL Replace(const String& from, const String& to) {
    return MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  }
  static String SavingPath(const String& path) { return path + ".saving.tmp"; }
  static DWORD FullPath(const String& path, DWORD capacity, Char* buffer) {
    return GetFullPathNameA(path.c_str(), capacity, buffer, nullptr);
  }
  static BOOL DiskSpace(const String& drive, ULARGE_INTEGER* available, ULARGE_INTEGER* total) {
    return GetDiskFreeSpaceExA(drive.c_str(), available, total, nullptr);
  }
  static bool IsDot(const Char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
  }
};

struct WideApi {
  using Char = wchar_t;
  using String = std::wstring;
  using FindData = WIN32_FIND_DATAW;
  static HANDLE FindFirst(const String& pattern, FindData* data) {
    return FindFirstFileW(pattern.c_str(), data);
  }
  static BOOL FindNext(HANDLE find, FindData* data) { return FindNextFileW(find, data); }
  static BOOL SetAttributes(const String& path, DWORD attributes) {
    return SetFileAttributesW(path.c_str(), attributes);
  }
  static BOOL Delete(const String& path) { return DeleteFileW(path.c_str()); }
  static BOOL RemoveFolder(const String& path) { return RemoveDirectoryW(path.c_str()); }
  static BOOL CreateFolder(const String& path) { return CreateDirectoryW(path.c_str(), nullptr); }
  static DWORD Attributes(const String& path) { return GetFileAttributesW(path.c_str()); }
  static HANDLE Open(const String& path, DWORD access, DWORD disposition) {
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  static HANDLE CreateUnshared(const String& path) {
    return CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  static BOOL Replace(const String& from, const String& to) {
    return MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  }
  static String SavingPath(const String& path) { return path + L".saving.tmp"; }
  static DWORD FullPath(const String& path, DWORD capacity, Char* buffer) {
    return GetFullPathNameW(path.c_str(), capacity, buffer, nullptr);
  }
  static BOOL DiskSpace(const String& drive, ULARGE_INTEGER* available, ULARGE_INTEGER* total) {
    return GetDiskFreeSpaceExW(drive.c_str(), available, total, nullptr);
  }
  static bool IsDot(const Char* name) {
    return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0;
  }
};

// A directory listing handle, closed when the listing goes out of scope.
class FindHandle {
 public:
  explicit FindHandle(HANDLE handle) : handle_(handle) {}
  ~FindHandle() { Close(); }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;

  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  void Close() {
    if (valid()) FindClose(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_;
};

// Windows file functions move at most 4 GiB - 1 per call; stay well below.
constexpr DWORD kMaxIoChunk = 1u << 30;

template <typename Char>
bool IsSeparator(Char c) {
  return c == '\\' || c == '/';
}

// The "/" to "\" step of every path normaliser in base.
template <typename String>
String WithBackslashes(const String& path) {
  String converted = path;
  std::replace(converted.begin(), converted.end(), '/', '\\');
  return converted;
}

template <typename String>
String NormalizeDirPath(const String& path, bool trailing_separator) {
  String normalized = WithBackslashes(path);
  if (trailing_separator) {
    if (normalized.empty() || !IsSeparator(normalized.back())) normalized += '\\';
  } else {
    while (!normalized.empty() && IsSeparator(normalized.back())) normalized.pop_back();
  }
  return normalized;
}

template <typename String>
bool SplitPath(const String& path, String* folder, String* file_name) {
  if (path.empty()) return false;
  const String normalized = WithBackslashes(path);
  const size_t last = normalized.rfind('\\');
  if (last == String::npos || last == 0) return false;
  *folder = normalized.substr(0, last);
  *file_name = normalized.substr(last + 1);
  return true;
}

}  // namespace file_api
