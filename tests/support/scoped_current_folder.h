#pragma once

#include <windows.h>

#include <string>

namespace test_support {

// Makes a folder the current directory for the object's lifetime: the
// launcher's relative paths are relative to it.
class ScopedCurrentFolder {
 public:
  explicit ScopedCurrentFolder(const std::wstring& path);
  ~ScopedCurrentFolder();
  ScopedCurrentFolder(const ScopedCurrentFolder&) = delete;
  ScopedCurrentFolder& operator=(const ScopedCurrentFolder&) = delete;

 private:
  std::wstring previous_;
};

}  // namespace test_support
