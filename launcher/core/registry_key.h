#pragma once

#include <windows.h>

#include <string>

// An open registry key, closed when the object goes away.
class RegistryKey {
 public:
  RegistryKey() = default;
  ~RegistryKey() { Close(); }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // Opens `path` under `root`; false (and nothing open) on failure.
  bool Open(HKEY root, const std::wstring& path, REGSAM access) {
    Close();
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, access, &key) != ERROR_SUCCESS) return false;
    key_ = key;
    return true;
  }

  HKEY get() const { return key_; }

 private:
  void Close() {
    if (key_ != nullptr) RegCloseKey(key_);
    key_ = nullptr;
  }

  HKEY key_ = nullptr;
};
