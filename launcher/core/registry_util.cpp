#include "launcher/core/registry_util.h"

#include <windows.h>

#include <cwchar>

#include "launcher/core/registry_key.h"

namespace {

// A REG_SZ value of any length; false when it is missing or of another type.
bool ReadRegistryString(HKEY key, const std::wstring& value_name, std::wstring* text) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    DWORD bytes = 0;
    if (RegGetValueW(key, nullptr, value_name.c_str(), RRF_RT_REG_SZ, nullptr, nullptr, &bytes) !=
        ERROR_SUCCESS) {
      return false;
    }
    std::wstring buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    const LSTATUS status =
        RegGetValueW(key, nullptr, value_name.c_str(), RRF_RT_REG_SZ, nullptr, &buffer[0], &size);
    if (status == ERROR_MORE_DATA) continue;  // grew between the two reads
    if (status != ERROR_SUCCESS) return false;
    buffer.resize(std::wcslen(buffer.c_str()));
    *text = std::move(buffer);
    return true;
  }
  return false;
}

}  // namespace

int RegWriteStringIfChanged(const std::wstring& key_path, const std::wstring& alternate_key_path,
                            const std::wstring& value_name, const std::wstring& text) {
  {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, key_path, KEY_READ) ||
        (!alternate_key_path.empty() &&
         key.Open(HKEY_LOCAL_MACHINE, alternate_key_path, KEY_READ))) {
      std::wstring stored;
      if (ReadRegistryString(key.get(), value_name, &stored) && stored == text) return 0;
    }
  }
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  if (bytes > MAXDWORD) return -1;
  RegistryKey key;
  if (!key.Open(HKEY_LOCAL_MACHINE, key_path, KEY_SET_VALUE) &&
      (alternate_key_path.empty() ||
       !key.Open(HKEY_LOCAL_MACHINE, alternate_key_path, KEY_SET_VALUE))) {
    return -1;
  }
  const LSTATUS status =
      RegSetValueExW(key.get(), value_name.c_str(), 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(bytes));
  return status == ERROR_SUCCESS ? 1 : -1;
}
