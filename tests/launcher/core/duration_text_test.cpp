#include "launcher/core/duration_text.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include <gtest/gtest.h>

namespace {

TEST(DurationTextTest, FormatDurationWritesHoursMinutesSeconds) {
  struct Case {
    int seconds;
    const wchar_t* text;
  };
  const Case cases[] = {
      {0, L"00:00:00"},    {59, L"00:00:59"},   {60, L"00:01:00"},
      {3599, L"00:59:59"}, {3661, L"01:01:01"}, {360000, L"100:00:00"},
  };
  for (const Case& c : cases) {
    wchar_t buffer[32] = {};
    EXPECT_EQ(FormatDuration(c.seconds, buffer, 32), static_cast<int>(std::wcslen(c.text)));
    EXPECT_STREQ(buffer, c.text) << c.seconds;
  }
  // Too small a buffer: a failure, and nothing written past its end.
  wchar_t small[6];
  std::fill(std::begin(small), std::end(small), L'#');
  EXPECT_LT(FormatDuration(3661, small, 4), 0);
  EXPECT_EQ(small[4], L'#');
  EXPECT_EQ(small[5], L'#');
}

}  // namespace
