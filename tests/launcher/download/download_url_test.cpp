#include "launcher/download/download_url.h"

#include <gtest/gtest.h>

#include "launcher/download/download_task.h"

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

TEST(ReplyCheckTest, OnlyBytesOfTheRangeAreData) {
  struct Case {
    long status;
    int64_t rangeStart;
    int64_t begin;
    bool carries;
  } cases[] = {
      {206, 100, 100, true}, {206, 0, 100, false},  {206, -1, 100, false},
      {200, -1, 0, true},    {200, -1, 100, false}, {404, -1, 0, false},
      {500, -1, 100, false}, {416, -1, 0, false},   {302, -1, 0, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReplyCarriesRange(c.status, c.rangeStart, c.begin), c.carries)
        << c.status << " " << c.rangeStart << " " << c.begin;
  }
}

TEST(ReplyCheckTest, ContentRangeStart) {
  struct Case {
    const char* value;
    int64_t start;
  } cases[] = {
      {"bytes 0-99/100", 0},
      {"bytes 33554432-33554432/33554433", 33554432},
      {" bytes  7-9/*", 7},
      {"bytes */100", -1},
      {"items 0-1/2", -1},
      {"bytes 99999999999999999999-1/2", -1},
      {"", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseContentRangeStart(c.value), c.start) << c.value;
}

}  // namespace
