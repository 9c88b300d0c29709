#include "browser/cef_manager.h"

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"

namespace qoz_comp {
namespace {

std::wstring GetVariable(const wchar_t* name) {
  wchar_t buffer[32768];
  const DWORD length = GetEnvironmentVariableW(name, buffer, 32768);
  return length == 0 || length >= 32768 ? std::wstring() : std::wstring(buffer, length);
}

// Restores PATH and ComSpec when a test ends.
class CefEnvironmentTest : public testing::Test {
 protected:
  void SetUp() override {
    path_ = GetVariable(L"PATH");
    com_spec_ = GetVariable(L"ComSpec");
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"PATH", path_.c_str());
    SetEnvironmentVariableW(L"ComSpec", com_spec_.c_str());
  }

  test_support::ScratchDir scratch_;
  std::wstring path_;
  std::wstring com_spec_;
};

TEST_F(CefEnvironmentTest, CefFolderLeadsThePathAndNamesTheStandInShell) {
  ASSERT_TRUE(CreateDirectoryW(scratch_.Child(L"cef").c_str(), nullptr));
  const std::wstring folder = scratch_.path() + L"\\";
  ASSERT_TRUE(PrepareCefEnvironmentIn(folder));
  EXPECT_EQ(folder + L"cef;" + path_, GetVariable(L"PATH"));
  EXPECT_EQ(folder + L"cef\\dummy_cmd.exe", GetVariable(L"ComSpec"));
}

TEST_F(CefEnvironmentTest, WithoutACefFolderNothingChanges) {
  const std::wstring folder = scratch_.path() + L"\\";
  EXPECT_FALSE(PrepareCefEnvironmentIn(folder));
  // A file of that name is no runtime folder.
  test_support::WriteFileBytes(scratch_.Child(L"cef"), "not a folder");
  EXPECT_FALSE(PrepareCefEnvironmentIn(folder));
  EXPECT_EQ(path_, GetVariable(L"PATH"));
  EXPECT_EQ(com_spec_, GetVariable(L"ComSpec"));
}

TEST_F(CefEnvironmentTest, AnEmptyPathBecomesTheCefFolderAlone) {
  ASSERT_TRUE(CreateDirectoryW(scratch_.Child(L"cef").c_str(), nullptr));
  SetEnvironmentVariableW(L"PATH", nullptr);
  ASSERT_TRUE(PrepareCefEnvironmentIn(scratch_.path() + L"\\"));
  EXPECT_EQ(scratch_.path() + L"\\cef", GetVariable(L"PATH"));
}

}  // namespace
}  // namespace qoz_comp
