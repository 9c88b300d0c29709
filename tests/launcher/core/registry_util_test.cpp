#include "launcher/core/registry_util.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include <gtest/gtest.h>

namespace {

// A scratch key under HKEY_LOCAL_MACHINE, removed with its values afterwards.
class RegistryWriteTest : public testing::Test {
 protected:
  void SetUp() override {
    key_path_ = L"SOFTWARE\\LauncherUtilTest_" + std::to_wstring(GetCurrentProcessId());
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  void TearDown() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, key_path_.c_str()); }

  std::wstring Stored(const std::wstring& name) {
    wchar_t value[2048] = {};
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key_path_.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr,
                     value, &size) != ERROR_SUCCESS) {
      return L"<missing>";
    }
    return value;
  }

  std::wstring key_path_;
};

TEST_F(RegistryWriteTest, WritesOnlyWhenTheTextChanged) {
  const std::wstring text = L"C:\\Games\\\u904a\u6232\\launcher.exe";
  EXPECT_EQ(RegWriteStringIfChanged(key_path_, L"", L"QELLauncher", text), 1);
  EXPECT_EQ(RegWriteStringIfChanged(key_path_, L"", L"QELLauncher", text), 0);
  EXPECT_EQ(Stored(L"QELLauncher"), text);
  EXPECT_EQ(RegWriteStringIfChanged(key_path_, L"", L"QELLauncher", text + L"x"), 1);
  EXPECT_EQ(Stored(L"QELLauncher"), text + L"x");

  // Longer than any fixed path buffer: still compared in full.
  const std::wstring long_text(1000, L'\u6232');
  EXPECT_EQ(RegWriteStringIfChanged(key_path_, L"", L"Long", long_text), 1);
  EXPECT_EQ(RegWriteStringIfChanged(key_path_, L"", L"Long", long_text), 0);
  EXPECT_EQ(Stored(L"Long"), long_text);
}

TEST_F(RegistryWriteTest, AValueOfAnotherTypeCountsAsChanged) {
  const DWORD number = 5;
  ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, key_path_.c_str(), L"Value", REG_DWORD, &number,
                            sizeof(number)),
            ERROR_SUCCESS);
  EXPECT_EQ(RegWriteStringIfChanged(key_path_, L"", L"Value", L"5"), 1);
  EXPECT_EQ(Stored(L"Value"), L"5");
}

TEST_F(RegistryWriteTest, FallsBackToTheAlternateKey) {
  const std::wstring missing = key_path_ + L"\\Missing";
  EXPECT_EQ(RegWriteStringIfChanged(missing, key_path_, L"Value", L"text"), 1);
  EXPECT_EQ(Stored(L"Value"), L"text");
  EXPECT_EQ(RegWriteStringIfChanged(missing, key_path_, L"Value", L"text"), 0);
  EXPECT_EQ(RegWriteStringIfChanged(missing, L"", L"Value", L"text"), -1);
  EXPECT_EQ(RegWriteStringIfChanged(missing, missing + L"2", L"Value", L"text"), -1);
}

}  // namespace
