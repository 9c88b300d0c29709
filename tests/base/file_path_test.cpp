#include "base/file_path.h"

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/string_util.h"
#include "tests/support/scratch_dir.h"

namespace {

using test_support::IsDirectory;
TEST(FilePathTest, NormalizeFilePathUsesBackslashesAndFoldsPairs) {
  struct Case {
    const wchar_t* path;
    const wchar_t* normalized;
  };
  const Case cases[] = {
      {L"a/b/c", L"a\\b\\c"}, {L"a//b", L"a\\b"},
      {L"a\\\\b", L"a\\b"},   {L"a\\\\\\b", L"a\\\\b"},  // three in a row become two: one pass
      {L"a/\\b", L"a\\b"},    {L"", L""},
  };
  for (const Case& c : cases) EXPECT_EQ(qbase::NormalizeFilePath(c.path), c.normalized) << c.path;
}

TEST(FilePathTest, ExtractDirectoryKeepsTheLastSeparator) {
  struct Case {
    const wchar_t* path;
    bool found;
    const wchar_t* directory;
  };
  const Case cases[] = {
      {L"C:\\dir\\file.txt", true, L"C:\\dir\\"},
      {L"C:\\dir\\", true, L"C:\\dir\\"},
      {L"a/b/c", true, L"a/b/"},
      {L"\\file", false, L"untouched"},  // index 0 is never examined
      {L"file", false, L"untouched"},
      {L"\\", false, L"untouched"},
      {L"", false, L"untouched"},
  };
  for (const Case& c : cases) {
    std::wstring directory = L"untouched";
    EXPECT_EQ(qbase::ExtractDirectory(c.path, &directory), c.found) << c.path;
    EXPECT_EQ(directory, c.directory) << c.path;
  }
}

TEST(FilePathTest, SplitPathComponentsEndsEachFolderWithABackslash) {
  struct Case {
    const wchar_t* path;
    std::vector<std::wstring> components;
  };
  const Case cases[] = {
      {L"C:\\a\\b\\", {L"C:\\", L"a\\", L"b\\"}},
      {L"C:\\\\a\\b\\\\", {L"C:\\", L"a\\", L"b\\"}},
      {L"C:/x", {L"C:\\", L"x"}},
      {L"\\root\\leaf", {L"\\", L"root\\", L"leaf"}},
      {L"relative", {L"relative"}},
      {L"", {}},
  };
  for (const Case& c : cases) {
    std::vector<std::wstring> components = {L"stale"};
    EXPECT_TRUE(qbase::SplitPathComponents(c.path, &components)) << c.path;
    EXPECT_EQ(components, c.components) << c.path;
  }
  std::vector<std::wstring> components = {L"stale"};
  EXPECT_FALSE(qbase::SplitPathComponents(nullptr, &components));
  EXPECT_TRUE(components.empty());
}

TEST(FilePathTest, CreateDirectoryRecursivelyMakesEveryMissingFolder) {
  test_support::ScratchDir dir;
  const std::wstring nested = dir.Child(L"\u904a\u6232\\sub/leaf");
  EXPECT_TRUE(qbase::CreateDirectoryRecursively(nested.c_str()));
  EXPECT_TRUE(IsDirectory(dir.Child(L"\u904a\u6232\\sub\\leaf")));
  // Existing folders, with or without a trailing separator.
  EXPECT_TRUE(qbase::CreateDirectoryRecursively(nested.c_str()));
  EXPECT_TRUE(qbase::CreateDirectoryRecursively((dir.path() + L"\\").c_str()));
}

TEST(FilePathTest, CreateDirectoryRecursivelyFailsCleanly) {
  test_support::ScratchDir dir;
  test_support::WriteFileBytes(dir.Child(L"file"), "x");
  EXPECT_FALSE(qbase::CreateDirectoryRecursively(dir.Child(L"file\\below").c_str()));
  EXPECT_FALSE(qbase::CreateDirectoryRecursively(dir.Child(L"file").c_str()));
  EXPECT_FALSE(qbase::CreateDirectoryRecursively(nullptr));
  EXPECT_FALSE(qbase::CreateDirectoryRecursively(L""));
  // Far beyond what the file system takes: refused, nothing overruns.
  const std::wstring too_long = dir.Child(std::wstring(40000, L'd') + L"\\leaf");
  EXPECT_FALSE(qbase::CreateDirectoryRecursively(too_long.c_str()));
}

TEST(FilePathTest, ModuleDirectoryIsTheExecutablesFolder) {
  wchar_t module_name[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(nullptr, module_name, MAX_PATH), 0u);
  EXPECT_EQ(qbase::GetModuleFilePath(nullptr), module_name);

  const std::wstring directory = qbase::GetCurrentModuleDirectory();
  ASSERT_FALSE(directory.empty());
  EXPECT_EQ(directory.back(), L'\\');
  EXPECT_EQ(std::wstring(module_name).rfind(directory, 0), 0u);
  EXPECT_EQ(std::wstring(module_name).find(L'\\', directory.size()), std::wstring::npos);
}

TEST(FilePathTest, NormalizeDirPathInBothWidths) {
  struct Case {
    std::string path;
    bool trailing;
    std::string normalized;
  };
  const Case cases[] = {
      {"a/b", true, "a\\b\\"},
      {"a\\", true, "a\\"},
      {"a/", true, "a\\"},
      {"a\\\\", false, "a"},
      {"a/b//", false, "a\\b"},
      {"", true, "\\"},
      {"", false, ""},
      {"\\", false, ""},
      {"C:\\x", false, "C:\\x"},
      {"\xE9\x81\x8A/\xE6\x88\xB2/", true, "\xE9\x81\x8A\\\xE6\x88\xB2\\"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NormalizeDirPathA(c.path, c.trailing), c.normalized) << c.path;
    EXPECT_EQ(NormalizeDirPathW(qbase::Utf8ToWide(c.path), c.trailing),
              qbase::Utf8ToWide(c.normalized))
        << c.path;
  }
}

TEST(FilePathTest, SplitPathInBothWidths) {
  struct Case {
    std::string path;
    bool split;
    std::string folder;
    std::string name;
  };
  const Case cases[] = {
      {"dir/sub/file.txt", true, "dir\\sub", "file.txt"},
      {"C:\\dir\\", true, "C:\\dir", ""},
      {"a\\b", true, "a", "b"},
      {"\xE9\x81\x8A/\xE6\x88\xB2.txt", true, "\xE9\x81\x8A", "\xE6\x88\xB2.txt"},
      {"\\file.txt", false, "old", "old"},
      {"file.txt", false, "old", "old"},
      {"", false, "old", "old"},
  };
  for (const Case& c : cases) {
    std::string folder = "old", name = "old";
    EXPECT_EQ(SplitPathA(c.path, &folder, &name), c.split) << c.path;
    EXPECT_EQ(folder, c.folder) << c.path;
    EXPECT_EQ(name, c.name) << c.path;

    std::wstring wide_folder = L"old", wide_name = L"old";
    EXPECT_EQ(SplitPathW(qbase::Utf8ToWide(c.path), &wide_folder, &wide_name), c.split);
    EXPECT_EQ(wide_folder, qbase::Utf8ToWide(c.folder)) << c.path;
    EXPECT_EQ(wide_name, qbase::Utf8ToWide(c.name)) << c.path;
  }
}

}  // namespace
