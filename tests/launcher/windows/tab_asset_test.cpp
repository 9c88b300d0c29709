#include "launcher/windows/tab_asset.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using MainComponents::CheckCountText;
using MainComponents::DownloadPercent;
using MainComponents::DownloadSizeText;

TEST(TabAssetTest, TheInfoTextShowsPercentAndBothSizes) {
  const struct {
    int64_t done;
    int64_t total;
    bool turkish;
    const wchar_t* text;
  } cases[] = {
      {0, 1000, false, L" 0.00% ( 0.00KB/ 0.98KB)"},
      {1ll << 20, 8ll << 20, false, L"12.50% ( 1.00M/ 8.00M)"},
      {768ll << 20, 3ll << 30, false, L"25.00% (768.00M/ 3.00G)"},
      {5ll << 30, 5ll << 30, false, L"100.00% ( 5.00G/ 5.00G)"},
      // The Turkish language file puts the sign before the number.
      {1ll << 20, 8ll << 20, true, L"%12.50 ( 1.00M/ 8.00M)"},
      {5ll << 30, 5ll << 30, true, L"%100.00 ( 5.00G/ 5.00G)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DownloadSizeText(c.done, c.total, c.turkish), c.text) << c.done << "/" << c.total;
  }
}

TEST(TabAssetTest, TheCheckCountIsDoneOverTotalFromOnePair) {
  const struct {
    uint64_t pair;
    const wchar_t* text;
  } cases[] = {
      {0, L""},
      {3 + 5 * 65536, L"(3/5)"},
      {65535 + 65535ull * 65536, L"(65535/-1)"},
      {0x7FFF0000, L"(0/32767)"},
      // Only the low 32 bits count.
      {0x100000000ull + 2 + 4 * 65536, L"(2/4)"},
  };
  for (const auto& c : cases) EXPECT_EQ(CheckCountText(c.pair), c.text) << c.pair;
}

TEST(TabAssetTest, TheProgressIsFullWithoutATotal) {
  const struct {
    int64_t total;
    int64_t done;
    double percent;
  } cases[] = {
      {0, 0, 100}, {-5, 0, 100}, {200, 50, 25}, {1000, 1000, 100}, {3, 1, 100.0f / 3},
  };
  for (const auto& c : cases) {
    EXPECT_FLOAT_EQ(DownloadPercent(c.total, c.done), c.percent) << c.total << " " << c.done;
  }
}

}  // namespace
