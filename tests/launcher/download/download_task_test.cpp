#include "launcher/download/download_task.h"

#include <gtest/gtest.h>

namespace {

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

TEST(PaceTest, TransfersKeepToTheirCap) {
  struct Case {
    int64_t cap;
    uint64_t elapsedMs;
    int64_t pacedBytes;
    bool allowed;
  } cases[] = {
      {0, 0, 999999999, true},        // no cap
      {835584, 0, 0, true},           // the first block
      {835584, 0, 104448, false},     // the burst of an eighth of a second is used up
      {835584, 1000, 835584, true},   // on schedule, burst left
      {835584, 1000, 940032, false},  // a second's worth plus the burst
      {204, 0, 16383, true},          // slow caps still take a 16 KiB block
      {204, 0, 16384, false},        {204, 10000, 18423, true}, {204, 10000, 18424, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PaceAllows(c.cap, c.elapsedMs, c.pacedBytes), c.allowed)
        << c.cap << " " << c.elapsedMs << " " << c.pacedBytes;
  }
}

}  // namespace
