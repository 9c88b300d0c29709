#include "launcher/core/apply_list.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <json/json.h>

#include "tests/support/scratch_dir.h"

namespace {

struct ReadCase {
  const char* name;
  const char* content;  // null: no file
  bool ok;
  const char* version;  // after the call
  std::vector<std::string> fileList;
};

TEST(ApplyListTest, ReadApplyList) {
  const std::vector<std::string> before = {"before"};
  const ReadCase cases[] = {
      {"whole record",
       R"({"version": "1_2_3", "fileList": ["a/b", "c"]})",
       true,
       "1_2_3",
       {"a/b", "c"}},
      {"empty list", R"({"version": "1_2_3", "fileList": []})", true, "1_2_3", {}},
      {"missing file", nullptr, false, "old", before},
      {"not JSON", "{", false, "old", before},
      {"root is an array", "[]", false, "old", before},
      {"version is a number", R"({"version": 5, "fileList": []})", false, "old", before},
      {"version is missing", R"({"fileList": ["a"]})", false, "old", before},
      // The version is taken before the list is looked at.
      {"list is not an array", R"({"version": "1_2_3", "fileList": "a"})", false, "1_2_3", before},
      {"list holds a number", R"({"version": "1_2_3", "fileList": ["a", 5]})", false, "1_2_3",
       before},
      {"list holds an object", R"({"version": "1_2_3", "fileList": [{}]})", false, "1_2_3", before},
  };
  for (const ReadCase& test : cases) {
    test_support::ScratchDir dir;
    if (test.content != nullptr)
      test_support::WriteFileBytes(dir.Child(L"apply_list.txt"), test.content);
    ApplyList list{"old", before};
    EXPECT_EQ(ReadApplyList(dir.ChildUtf8(L"apply_list.txt"), &list), test.ok) << test.name;
    EXPECT_EQ(list.version, test.version) << test.name;
    EXPECT_EQ(list.fileList, test.fileList) << test.name;
  }
}

TEST(ApplyListTest, WriteThenReadKeepsTheRecord) {
  test_support::ScratchDir dir;
  const std::string path = dir.ChildUtf8(L"\u66f4\u65b0\\apply_list.txt");
  test_support::WriteFileBytes(dir.Child(L"\u66f4\u65b0\\placeholder"), "");
  const ApplyList written{"1040012_5_3", {"z.txt", "a/b.bin", "\xE5\x85\x83.txt"}};
  WriteApplyList(path, written);

  const std::string text = test_support::ReadFileBytes(dir.Child(L"\u66f4\u65b0\\apply_list.txt"));
  EXPECT_NE(text.find("\n\t\"fileList\""), std::string::npos) << text;
  ApplyList read;
  ASSERT_TRUE(ReadApplyList(path, &read));
  EXPECT_EQ(read.version, written.version);
  EXPECT_EQ(read.fileList, written.fileList);  // list order, not name order
}

TEST(ApplyListTest, WriteNothingWhileEitherPartIsEmpty) {
  test_support::ScratchDir dir;
  const std::string path = dir.ChildUtf8(L"apply_list.txt");
  WriteApplyList(path, {"1_2_3", {}});
  WriteApplyList(path, {"", {"a"}});
  EXPECT_FALSE(test_support::FileExists(dir.Child(L"apply_list.txt")));

  WriteApplyList(path, {"1_2_3", {"a"}});
  const std::string first = test_support::ReadFileBytes(dir.Child(L"apply_list.txt"));
  WriteApplyList(path, {"1_2_4", {}});
  EXPECT_EQ(test_support::ReadFileBytes(dir.Child(L"apply_list.txt")), first);
}

}  // namespace
