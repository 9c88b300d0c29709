#include "launcher/windows/setting_tab_page.h"

#include <string>

#include <gtest/gtest.h>

namespace {

using SettingComponents::SpeedTextWhileTyping;
using SettingComponents::SpeedWhenLeft;

// What a speed field shows while the player types, and what it keeps once
// left: only the cap applies while typing, both bounds afterwards.
TEST(SettingTabPageTest, SpeedFieldsCapWhileTypingAndClampWhenLeft) {
  const struct {
    const wchar_t* typed;
    const wchar_t* shown;
    int left;
  } cases[] = {
      {L"", L"", 100},
      {L"5", L"5", 100},
      {L"0", L"0", 100},
      {L"99", L"99", 100},
      {L"100", L"100", 100},
      {L"4096", L"4096", 4096},
      {L"10240", L"10240", 10240},
      {L"10241", L"10240", 10240},
      {L"20000", L"10240", 10240},
      {L"00250", L"250", 250},
      // Too long for 32 bits, and for 64.
      {L"99999999999", L"10240", 10240},
      {L"123456789012345678901234567890", L"10240", 10240},
      // Only the leading digits count.
      {L"300x7", L"300", 300},
      {L"x", L"0", 100},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(testing::Message() << "typed \"" << item.typed << "\"");
    EXPECT_EQ(SpeedTextWhileTyping(item.typed), item.shown);
    EXPECT_EQ(SpeedWhenLeft(item.typed), item.left);
    // What was shown while typing leaves the same value.
    EXPECT_EQ(SpeedWhenLeft(SpeedTextWhileTyping(item.typed)), item.left);
  }
}

}  // namespace
