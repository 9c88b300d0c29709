#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// Owns a Windows file handle; closed when the owner goes or on Reset.
class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() { Reset(); }
  FileHandle(FileHandle&& other) noexcept : handle_(other.Release()) {}
  FileHandle& operator=(FileHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = other.Release();
    }
    return *this;
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  bool IsValid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE Get() const { return handle_; }
  HANDLE Release() {
    HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle;
  }
  void Reset() {
    if (IsValid()) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// Creates the missing folders above a file path (narrow, ANSI code page).
void CreateParentFolders(const std::string& path);

// Sets the size of an existing file, creating the file when `create` is set.
// False when the file cannot be opened or resized.
bool SetFileLength(const std::string& path, int64_t length, bool create);

// The size of an existing file, or -1.
int64_t GetFileLength(const std::string& path);
