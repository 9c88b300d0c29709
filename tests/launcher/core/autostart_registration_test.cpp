#include "launcher/core/autostart_registration.h"

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

namespace {

constexpr wchar_t kRunKey[] = L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kPlainRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kTestKey[] = L"SOFTWARE\\LauncherAutostartTest";
constexpr wchar_t kMissingKey[] = L"SOFTWARE\\LauncherAutostartTest\\Missing";

// The value as stored, or nothing when it cannot be read.
std::wstring ReadValue(const wchar_t* key_path) {
  wchar_t buffer[1024] = {};
  DWORD size = sizeof(buffer);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, key_path, L"QELLauncher", RRF_RT_REG_SZ, nullptr, buffer,
                   &size) != ERROR_SUCCESS) {
    return L"(none)";
  }
  return buffer;
}

class AutostartRegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  void TearDown() override {
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kTestKey);
    AutostartRegistration().Disable();
  }
};

// The Wine prefix has the plain Run key but none under WOW6432Node, so the
// real registration falls back to the plain key until the first one exists.
TEST_F(AutostartRegistrationTest, RealRunKeysHoldTheQuotedPath) {
  const AutostartRegistration registration;
  const std::wstring path = L"C:\\Program Files\\\u904a\u6232 Launcher\\launcher.exe";
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, kRunKey);  // left over from an interrupted run
  ASSERT_TRUE(registration.Enable(path));
  EXPECT_EQ(ReadValue(kPlainRunKey), L"\"" + path + L"\"");
  EXPECT_TRUE(registration.Enable(path));  // unchanged value
  registration.Disable();
  EXPECT_EQ(ReadValue(kPlainRunKey), L"(none)");

  HKEY created = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                            &created, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(created);
  ASSERT_TRUE(registration.Enable(path));
  EXPECT_EQ(ReadValue(kRunKey), L"\"" + path + L"\"");
  EXPECT_EQ(ReadValue(kPlainRunKey), L"(none)");
  registration.Disable();
  EXPECT_EQ(ReadValue(kRunKey), L"(none)");
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, kRunKey);
}

TEST_F(AutostartRegistrationTest, AlternateKeyWhenTheFirstCannotBeOpened) {
  const AutostartRegistration registration(kMissingKey, kTestKey);
  ASSERT_TRUE(registration.Enable(L"C:\\a b\\launcher.exe"));
  EXPECT_EQ(ReadValue(kTestKey), L"\"C:\\a b\\launcher.exe\"");
  registration.Disable();
  EXPECT_EQ(ReadValue(kTestKey), L"(none)");
}

TEST_F(AutostartRegistrationTest, FailsWhenNeitherKeyOpens) {
  const AutostartRegistration registration(kMissingKey, L"SOFTWARE\\LauncherAutostartTest\\Gone");
  EXPECT_FALSE(registration.Enable(L"C:\\launcher.exe"));
  registration.Disable();  // nothing to remove, nothing reported
}

}  // namespace
