// The test programs carry the same UTF-8 code-page manifest as the launcher:
// narrow paths built from UTF-8 names must reach the file system intact.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"

TEST(CodePageTest, ManifestSelectsUtf8) { EXPECT_EQ(GetACP(), 65001u); }

TEST(CodePageTest, NarrowPathWithCjkNameCreatesTheRightFile) {
  test_support::ScratchDir dir;
  const std::string narrow = dir.ChildUtf8(L"\u904a\u6232.txt");
  HANDLE file = CreateFileA(narrow.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  EXPECT_TRUE(test_support::FileExists(dir.Child(L"\u904a\u6232.txt")));
}
