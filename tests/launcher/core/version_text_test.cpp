#include "launcher/core/version_text.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"

namespace {

struct ParseCase {
  const char* text;
  bool ok;
  int a, b, c;
};

TEST(VersionTextTest, ParseVersionTriple) {
  const ParseCase cases[] = {
      {"1_2_3", true, 1, 2, 3},
      {"1040012_5_3", true, 1040012, 5, 3},
      {" 7b_+2_-3", true, 7, 2, -3},  // read the way stol reads: blanks, sign, trailing text
      {"2147483647_0_0", true, 2147483647, 0, 0},
      {"2147483648_0_0", false, 0, 0, 0},  // outside 32 bits
      {"1_2", false, 0, 0, 0},
      {"1_2_3_4", false, 0, 0, 0},
      {"1_2_", false, 0, 0, 0},  // a trailing "_" adds no piece
      {"1__2", false, 0, 0, 0},  // the empty middle piece has no digits
      {"1.0.0", false, 0, 0, 0},
      {"", false, 0, 0, 0},
      {"a_1_2", false, 0, 0, 0},
  };
  for (const ParseCase& test : cases) {
    int a = -1, c = -1, b = -1;
    EXPECT_EQ(ParseVersionTriple(test.text, &a, &c, &b), test.ok) << test.text;
    EXPECT_EQ(a, test.a) << test.text;
    EXPECT_EQ(b, test.b) << test.text;
    EXPECT_EQ(c, test.c) << test.text;
  }
}

TEST(VersionTextTest, OnlyPlainVersionTextsNameFolders) {
  const struct {
    const char* text;
    bool ok;
  } cases[] = {
      {"10077_3_2", true}, {"0_0_0", true},         {"1_2", false},  {"1_2_3_4", false},
      {"1__3", false},     {"_1_2", false},         {"1_2_", false}, {"", false},
      {" 1_2_3", false},   {"1_2_3\\..\\x", false}, {"..", false},   {"1_2_3/a", false},
      {"1_+2_3", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsVersionFolderName(c.text), c.ok) << c.text;
}

struct CompareCase {
  const char* version;
  const char* reference;
  const char* dependence;
  VersionComparison expected;
};

TEST(VersionTextTest, CompareVersions) {
  const CompareCase cases[] = {
      {"1_2_3", "1_2_3", "", VersionComparison::VersionNotNewer},
      {"1_2_4", "1_2_3", "", VersionComparison::VersionNewer},
      {"1_3_3", "1_2_4", "", VersionComparison::VersionNotNewer},  // C outweighs B
      {"2_0_0", "1_9_9", "", VersionComparison::VersionNewer},     // A outweighs both
      {"2_0_0", "1_0_0", "1_5_0", VersionComparison::VersionAboveDependence},
      {"1_0_0", "1_0_0", "1_5_0", VersionComparison::VersionBelowDependence},
      {"1_5_0", "1_0_0", "1_5_0", VersionComparison::VersionNewer},  // equal to the dependence
      {"1_2_4", "1_2_3", "1_02_3",
       VersionComparison::VersionNewer},               // dependence equals reference by numbers
      {"", "x", "", VersionComparison::VersionEmpty},  // before anything else
      {"", "", "bad", VersionComparison::VersionEmpty},
      {"1_2_3", "", "", VersionComparison::ReferenceEmpty},
      {"1.0.0", "1_2_3", "", VersionComparison::VersionUnreadable},
      {"1_2_3", "1.0.0", "", VersionComparison::ReferenceUnreadable},
      {"1_2_3", "1_2_3", "1_2", VersionComparison::DependenceUnreadable},
  };
  for (const CompareCase& test : cases) {
    EXPECT_EQ(CompareVersions(test.version, test.reference, test.dependence), test.expected)
        << test.version << " / " << test.reference << " / " << test.dependence;
  }
}

TEST(VersionTextTest, FormatVersionForDisplay) {
  const std::pair<const char*, const char*> cases[] = {
      {"1040012_5_3", "1.4.0.12.3.5"},
      {"10077_2_1", "1.0.77.1.2"},
      {"1000000_0_0", "1.0.0.0.0.0"},
      {"10000_0_0", "1.0.0.0.0"},
      {"99_1_2", "0.0.99.2.1"},
      {"12345_06_x", "1.23.45.x.06"},  // C and B unchanged
      {"1.0.0", "1.0.0"},
      {"a_1_2", "a_1_2"},
      {"1_2", "1_2"},
      {"", ""},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(FormatVersionForDisplay(text), expected) << text;
  }
}

TEST(VersionTextTest, ReadVersionFromMapFile) {
  struct Case {
    const char* content;  // null: no file
    const char* expected;
  };
  const Case cases[] = {
      {R"({"list": {"a/b.txt": {"md5": "x", "size": 1}}, "version": "1_2_3"})", "1_2_3"},
      {R"({"a/b.txt": {"md5": "x", "size": 1}, "version": {"md5": "3_1_7"}})", "3_1_7"},
      {R"({"version": {"size": 3}})", ""},  // an object without "md5"
      {R"({"version": null, "x": [{"version": "4_5_6"}]})", "4_5_6"},
      {R"({"version": 12})", "default"},  // neither text nor object
      {R"({"version": {"md5": [1]}})", "default"},
      {R"({"list": {}})", "default"},
      {"not json", "default"},
      {nullptr, "default"},
  };
  for (const Case& test : cases) {
    test_support::ScratchDir dir;
    const std::wstring path = dir.Child(L"map.txt");
    if (test.content != nullptr) test_support::WriteFileBytes(path, test.content);
    std::string version = "stale";
    ReadVersionFromMapFile(path, &version, "default");
    EXPECT_EQ(version, test.expected) << (test.content ? test.content : "(no file)");
  }
}

}  // namespace
