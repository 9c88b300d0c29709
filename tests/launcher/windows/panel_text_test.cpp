#include "launcher/windows/panel_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

TEST(PanelTextTest, SizesTakeTheLargestUnitTheyReach) {
  const struct {
    uint64_t bytes;
    const wchar_t* text;
  } cases[] = {
      {0, L" 0.00KB"},
      {512000, L"500.00KB"},
      {(1ull << 20) - 1, L"1024.00KB"},
      {1ull << 20, L" 1.00M"},
      {700ull << 20, L"700.00M"},
      {1ull << 30, L" 1.00G"},
      {(5ull << 30) / 2, L" 2.50G"},
      {(7ull << 30) / 2, L" 3.50G"},
      {10ull << 30, L"10.00G"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatSizeText(c.bytes), c.text) << c.bytes;
}

TEST(PanelTextTest, OnlyATextWithOneStringPlaceholderIsFilled) {
  const struct {
    const wchar_t* text;
    const wchar_t* filled;
  } cases[] = {
      {L"Speed: %ls", L"Speed: 1.00M"},
      {L"%ls left", L"1.00M left"},
      {L"Current version: %s", L"Current version: 1.00M"},
      {L"100%% of %ls", L"100% of 1.00M"},
      {L"no placeholder", L"1.00M"},
      {L"%ls and %ls", L"1.00M"},
      {L"%d bytes", L"1.00M"},
      {L"%ls %n", L"1.00M"},
      {L"broken %", L"1.00M"},
      {L"", L"1.00M"},
  };
  for (const auto& c : cases) EXPECT_EQ(FillPlaceholder(c.text, L"1.00M"), c.filled) << c.text;
}

}  // namespace
