#include "ui/core/dpi_manager.h"

#include <gtest/gtest.h>

#include "tests/ui/core/dpi_scope.h"
#include "ui/resources/global_manager.h"

namespace {

using test_support::ScopedDpiScale;
using ui::DpiManager;

TEST(DpiManagerTest, ScaleIntTable) {
  const struct {
    bool enabled;
    int32_t percent;
    int32_t value;
    int32_t scaled;
  } cases[] = {
      {true, 100, 100, 100},  {true, 150, 100, 150}, {true, 150, 1, 2},
      {true, 150, -1, -2},    {true, 150, 0, 0},     {true, 125, 3, 4},
      {false, 150, 100, 100}, {false, 150, -1, -1},  {true, 200, 320, 640},
  };
  for (const auto& item : cases) {
    ScopedDpiScale scale(item.enabled, item.percent);
    EXPECT_EQ(DpiManager::GetInstance()->ScaleInt(item.value), item.scaled)
        << item.value << " at " << item.percent << (item.enabled ? "" : " (disabled)");
  }
}

TEST(DpiManagerTest, ScaleRectTable) {
  const struct {
    bool enabled;
    int32_t percent;
    RECT rect;
    RECT scaled;
  } cases[] = {
      {true, 150, {10, 10, 20, 20}, {15, 15, 30, 30}},
      // Left 1.5 and width 1.5 each round up.
      {true, 150, {1, 1, 2, 2}, {2, 2, 4, 4}},
      {true, 100, {1, 1, 2, 2}, {1, 1, 2, 2}},
      {false, 150, {10, 10, 20, 20}, {10, 10, 20, 20}},
      // Margins: four independent sizes follow the same rule.
      {true, 150, {5, 0, 5, 3}, {8, 0, 8, 5}},
  };
  for (const auto& item : cases) {
    ScopedDpiScale scale(item.enabled, item.percent);
    RECT rect = item.rect;
    DpiManager::GetInstance()->ScaleRect(&rect);
    EXPECT_TRUE(EqualRect(&rect, &item.scaled))
        << item.rect.left << "," << item.rect.top << "," << item.rect.right << ","
        << item.rect.bottom << " gave " << rect.left << "," << rect.top << "," << rect.right << ","
        << rect.bottom;
  }
}

// The manager and the resources (fonts, image rectangles) read one record.
TEST(DpiManagerTest, SharesTheRecordOfTheGlobalManager) {
  ScopedDpiScale scale(true, 175);
  EXPECT_TRUE(ui::GlobalManager::dpiAware);
  EXPECT_EQ(ui::GlobalManager::dpiScalePercent, 175);
  ui::GlobalManager::dpiScalePercent = 125;
  EXPECT_EQ(DpiManager::GetInstance()->GetScale(), 125);
}

TEST(DpiManagerTest, EveryWindowsSinceVistaIsSixPointZeroOrGreater) {
  EXPECT_TRUE(DpiManager::IsWindowsVersionOrGreater(0));
}

}  // namespace
