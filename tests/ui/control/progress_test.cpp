#include "ui/control/progress.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/ui/core/render_setup.h"
#include "tests/ui/core/test_window.h"
#include "ui/render/render_context.h"
#include "ui/resources/global_manager.h"

namespace {

using test_support::PixelAt;
using test_support::Rgb;

TEST(ProgressTest, PaintingRepairsLimitsAndFillsByTruncation) {
  struct Case {
    int min, max;
    double value;
    int width;
    int stored_max;
    double stored_value;
    LONG fill;  // right edge of the filled part
  };
  const Case cases[] = {
      {0, 100, 150, 100, 100, 100, 100},  // beyond the maximum: full
      {0, 100, -5, 100, 100, 0, 0},
      {50, 50, 50, 100, 51, 50, 0},     // empty range: max becomes min + 1
      {0, 100, 50, 201, 100, 50, 100},  // 100.5 truncated
      {10, 20, 15, 100, 20, 15, 50},
  };
  ui::GlobalManager::AddTextColor(L"fill", L"#FF00FF00");
  for (const Case& c : cases) {
    ui::Progress progress;
    EXPECT_EQ(progress.GetClass(), L"Progress");
    progress.SetAttribute(L"min", std::to_wstring(c.min));
    progress.SetAttribute(L"max", std::to_wstring(c.max));
    progress.SetValue(c.value);
    progress.SetAttribute(L"progresscolor", L" fill");
    progress.SetPos({0, 0, c.width, 12});
    auto surface = test_support::MakeSurface(c.width + 10, 12);
    progress.Paint(surface.get(), {0, 0, c.width + 10, 12});
    EXPECT_EQ(progress.GetMaxValue(), c.stored_max) << c.value;
    EXPECT_EQ(progress.GetValue(), c.stored_value) << c.value;
    EXPECT_EQ(progress.GetProgressPos().right, c.fill) << c.value;
    // The fill colour ends at the edge.
    if (c.fill > 0) {
      EXPECT_EQ(Rgb(PixelAt(*surface, c.fill - 1, 6)), 0x00FF00u) << c.value;
    }
    EXPECT_NE(Rgb(PixelAt(*surface, c.fill, 6)), 0x00FF00u) << c.value;
  }
}

TEST(ProgressTest, VerticalFillsFromTheBottomAndUnknownColourFillsNothing) {
  ui::Progress progress;
  progress.SetHorizontal(false);
  progress.SetPos({0, 0, 10, 100});
  progress.SetValue(0);
  EXPECT_EQ(progress.GetProgressPos().top, 100);
  progress.SetValue(25);
  EXPECT_EQ(progress.GetProgressPos().top, 75);

  progress.SetProgressColor(L"no_such_colour");
  auto surface = test_support::MakeSurface(10, 100);
  progress.Paint(surface.get(), {0, 0, 10, 100});
  EXPECT_EQ(PixelAt(*surface, 5, 90), 0u);
}

TEST(ProgressTest, DefaultsFollowTheDpiScale) {
  ui::Progress progress;
  EXPECT_EQ(progress.GetFixedHeight(), 12);
  EXPECT_EQ(progress.GetTextStyle(), static_cast<UINT>(DT_CENTER | DT_SINGLELINE));
}

}  // namespace
