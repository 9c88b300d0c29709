#include "launcher/download/download_url.h"

#include <gtest/gtest.h>

namespace {

TEST(JoinUrlTest, InsertsAtMostOneSlash) {
  struct Case {
    const char* host;
    const char* path;
    const char* joined;
  } cases[] = {
      {"", "a/b.txt", "a/b.txt"},
      {"https://h/", "a/b.txt", "https://h/a/b.txt"},
      {"https://h", "a/b.txt", "https://h/a/b.txt"},
      {"https://h/", "/a", "https://h//a"},
      {"https://h/base", "", "https://h/base/"},
  };
  for (const Case& c : cases) EXPECT_EQ(JoinUrl(c.host, c.path), c.joined) << c.host << c.path;
}

TEST(EncodeUrlTest, FileNamesReachTheServerAsNames) {
  struct Case {
    const char* path;
    const char* encoded;
  } cases[] = {
      {"Data/file-1_2.~x", "Data/file-1_2.~x"},
      {"a b.bin", "a%20b.bin"},
      {"x#1?y=2%3", "x%231%3Fy%3D2%253"},
      {"\xE6\xB8\xAC\xE8\xA9\xA6.dat", "%E6%B8%AC%E8%A9%A6.dat"},
  };
  for (const Case& c : cases) EXPECT_EQ(EncodeUrlPath(c.path), c.encoded) << c.path;
}

TEST(EncodeUrlTest, RequestTargetsKeepTheirQuery) {
  EXPECT_EQ(EncodeRequestTarget("get/urls?key=A B&udid=x#1"), "get/urls?key=A%20B&udid=x%231");
  EXPECT_EQ(EncodeRequestTarget("patchs/1_0 1/patch_list.txt"), "patchs/1_0%201/patch_list.txt");
  EXPECT_EQ(EncodeQueryValue("a=b&c d"), "a%3Db%26c%20d");
  EXPECT_EQ(EncodeQueryText("activity_kind=pc_starter&n=a b"), "activity_kind=pc_starter&n=a%20b");
}

}  // namespace
