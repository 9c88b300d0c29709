#include "launcher/core/autostart_registration.h"

#include <windows.h>

#include <utility>

#include "launcher/core/registry_util.h"
#include "launcher/core/registry_key.h"

namespace {

constexpr wchar_t kValueName[] = L"QELLauncher";

}  // namespace

AutostartRegistration::AutostartRegistration()
    : AutostartRegistration(L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run",
                            L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run") {}

AutostartRegistration::AutostartRegistration(std::wstring key_path, std::wstring alternate_key_path)
    : key_path_(std::move(key_path)), alternate_key_path_(std::move(alternate_key_path)) {}

bool AutostartRegistration::Enable(const std::wstring& executable_path) const {
  const std::wstring command = L"\"" + executable_path + L"\"";
  return RegWriteStringIfChanged(key_path_, alternate_key_path_, kValueName, command) >= 0;
}

void AutostartRegistration::Disable() const {
  RegistryKey key;
  if (!key.Open(HKEY_LOCAL_MACHINE, key_path_, KEY_SET_VALUE) &&
      !key.Open(HKEY_LOCAL_MACHINE, alternate_key_path_, KEY_SET_VALUE)) {
    return;
  }
  RegDeleteValueW(key.get(), kValueName);
}
