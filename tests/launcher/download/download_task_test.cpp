#include "launcher/download/download_task.h"

#include <optional>

#include <gtest/gtest.h>

namespace {

TEST(ReplyCheckTest, OnlyBytesOfTheRangeAreData) {
  struct Case {
    long status;
    std::optional<int64_t> rangeStart;  // none: no Content-Range header
    int64_t begin;
    bool carries;
  } cases[] = {
      {206, 100, 100, true},
      {206, 0, 100, false},
      {206, std::nullopt, 100, false},
      {200, std::nullopt, 0, true},
      {200, 0, 0, false},
      {200, std::nullopt, 100, false},
      {404, std::nullopt, 0, false},
      {500, std::nullopt, 100, false},
      {416, std::nullopt, 0, false},
      {302, std::nullopt, 0, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReplyCarriesRange(c.status, c.rangeStart, c.begin), c.carries)
        << c.status << " " << c.rangeStart.value_or(-1) << " " << c.begin;
  }
}

TEST(ReplyCheckTest, ContentRangeStart) {
  struct Case {
    const char* value;
    std::optional<int64_t> start;
  } cases[] = {
      {"bytes 0-99/100", 0},
      {"bytes 33554432-33554432/33554433", 33554432},
      {" bytes  7-9/*", 7},
      {"bytes */100", std::nullopt},
      {"items 0-1/2", std::nullopt},
      {"bytes 99999999999999999999-1/2", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseContentRangeStart(c.value), c.start) << c.value;
}

TEST(PaceTest, TransfersKeepToTheirCap) {
  struct Case {
    int64_t cap;
    int64_t elapsedMs;
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
